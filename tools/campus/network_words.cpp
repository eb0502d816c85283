// The network: adapters and their drivers, the forwarding table, names.
#include <algorithm>

#include "dialer/netinfo/network_info.h"
#include "platform/little_endian.h"
#include "platform/sim/ip_helper.h"
#include "routing/switch_discovery.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

std::vector<std::uint8_t> ParseMac(Args& a, const std::string& text) {
    std::vector<std::uint8_t> mac;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const auto byte = ParseNumber("0x" + text.substr(i, 2));
        if (!byte || (i + 2 < text.size() && text[i + 2] != '-' && text[i + 2] != ':')) a.Fail("expected a MAC like 00-0c-29-aa-bb-cc");
        mac.push_back(static_cast<std::uint8_t>(*byte));
    }
    if (mac.empty() || mac.size() > 8) a.Fail("expected a MAC like 00-0c-29-aa-bb-cc");
    return mac;
}

sim::SimAdapter& AdapterAt(Runner& r, std::uint32_t index) {
    sim::SimAdapter* adapter = r.host().FindAdapter(index);
    if (!adapter) throw ScenarioError(r.current().Where() + ": no adapter with interface index " + std::to_string(index));
    return *adapter;
}

// The adapter leaves the machine, with its routes.
Action AdapterRemoved(Args& a, std::uint32_t index) {
    a.RequireDone();
    return [=](Runner& r) {
        AdapterAt(r, index);
        sim::Machine& machine = r.host().machine();
        std::erase_if(machine.routes, [index](const sim::RouteRow& row) { return row.ifIndex == index; });
        std::erase_if(machine.adapters, [index](const sim::SimAdapter& adapter) { return adapter.info.Index == index; });
        r.host().journal().Note("network", "adapter " + std::to_string(index) + " removed");
    };
}

// The adapter comes back under another interface index (a driver restart), its routes with it.
Action AdapterMoves(Args& a, std::uint32_t index) {
    const std::uint32_t to = a.Unsigned("the new interface index");
    a.RequireDone();
    return [=](Runner& r) {
        if (r.host().FindAdapter(to)) throw ScenarioError(r.current().Where() + ": interface index " + std::to_string(to) + " is taken");
        AdapterAt(r, index).info.Index = to;
        for (sim::RouteRow& row : r.host().routes())
            if (row.ifIndex == index) row.ifIndex = to;
        r.host().journal().Note("network", "adapter " + std::to_string(index) + " is now interface " + std::to_string(to));
    };
}

Action Adapter(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const std::string kind = a.Next("a kind (wireless, native-wireless, wired, other) or 'removed' / 'moves-to'");
    if (EqualsNoCase(kind, "removed")) return AdapterRemoved(a, index);
    if (EqualsNoCase(kind, "moves-to")) return AdapterMoves(a, index);
    const bool native = EqualsNoCase(kind, "native-wireless");
    if (!native && !EqualsNoCase(kind, "wireless") && !EqualsNoCase(kind, "wired") && !EqualsNoCase(kind, "other"))
        a.Fail("unknown adapter kind '" + kind + "'");
    AdapterInfo info;
    info.Index = index;
    // Ethernet: Windows 2000 and XP report 802.11 adapters as Ethernet too; a native Wi-Fi driver
    // (NDIS 6, from Vista on) says IF_TYPE_IEEE80211.
    info.Type = native ? kIfTypeIeee80211 : 6;
    info.AdapterName = a.Next("an adapter name ({GUID})");
    info.Description = EqualsNoCase(kind, "wired") || EqualsNoCase(kind, "other") ? "Ethernet Adapter" : "Wireless LAN Adapter";
    while (!a.Done()) {
        if (a.Accept("gateway")) {
            info.GatewayList.push_back({a.Address().ToString(), "255.255.255.255"});
        } else if (a.Accept("description")) {
            info.Description = a.Next("a description");
        } else if (a.Accept("mac")) {
            info.Address = ParseMac(a, a.Next("a MAC"));
        } else if (a.Accept("dhcp")) {
            info.DhcpEnabled = 1;
        } else {
            const auto [address, mask] = a.AddressMask("an address/mask or an option (gateway, description, mac, dhcp)");
            info.IpAddressList.push_back({address.ToString(), mask.ToString()});
        }
    }
    const bool wireless = EqualsNoCase(kind, "wireless");
    const bool wired = EqualsNoCase(kind, "wired");
    return [=](Runner& r) {
        sim::SimAdapter& adapter = r.host().AddAdapter(info);
        // As Windows does: the adapter's default gateway is a default route through it, at the
        // interface's metric (20 for the speeds here), unless the scenario wrote that route itself.
        for (const AdapterAddress& gateway : info.GatewayList) {
            const auto hop = Ipv4::Parse(gateway.IpAddress);
            if (!hop) continue;
            const sim::RouteRow route{Ipv4{}, Ipv4{}, *hop, index, 20, 4, 3};
            auto& routes = r.host().machine().routes;
            const bool written = std::any_of(routes.begin(), routes.end(), [&](const sim::RouteRow& row) {
                return row.dest == route.dest && row.mask == route.mask && row.nextHop == route.nextHop && row.ifIndex == index;
            });
            if (!written) routes.push_back(route);
        }
        if (wireless) {
            adapter.oids[ndis_oid::kGenLinkSpeed] = Le32(540000);
            adapter.oids[ndis_oid::kBssid] = std::vector<std::uint8_t>(6, 0);
            adapter.iface.speed = 54000000;
        } else if (wired) {
            adapter.oids[ndis_oid::kGenLinkSpeed] = Le32(1000000);
            adapter.iface.speed = 100000000;
        } else if (native) {
            adapter.supportedList = std::vector<std::uint32_t>{};  // answers none of the 802.11 queries
            adapter.iface.speed = 144400000;                       // an 802.11n rate: no speed the old test knows
        }
    };
}

Action Address(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const auto [address, mask] = a.AddressMask();
    a.RequireDone();
    return [index, address = address, mask = mask](Runner& r) {
        AdapterAt(r, index).info.IpAddressList.push_back({address.ToString(), mask.ToString()});
    };
}

Action Oid(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const std::uint32_t oid = a.Unsigned("an OID");
    if (a.Accept("none")) {
        a.RequireDone();
        return [=](Runner& r) { AdapterAt(r, index).oids.erase(oid); };
    }
    std::vector<std::uint8_t> bytes;
    if (a.Accept("dword")) {
        bytes = Le32(a.Unsigned());
        a.RequireDone();
    } else {
        a.Require("bytes");
        bytes = a.Bytes();
    }
    return [=](Runner& r) { AdapterAt(r, index).oids[oid] = bytes; };
}

Action SupportedOids(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    std::vector<std::uint32_t> oids;
    while (!a.Done()) oids.push_back(a.Unsigned("an OID"));
    return [=](Runner& r) { AdapterAt(r, index).supportedList = oids; };
}

Action LinkSpeed(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const std::uint32_t mbits = a.Unsigned("a speed in Mbit/s");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimAdapter& adapter = AdapterAt(r, index);
        adapter.oids[ndis_oid::kGenLinkSpeed] = Le32(mbits * 10000);  // in units of 100 bit/s
        adapter.iface.speed = mbits * 1000000;                        // the interface row's, in bit/s
    };
}

// A field of the adapter's interface-table row.
Action Interface(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const std::string field = a.Next("a field (type, speed, status, description, admin, last-change, counter)");
    std::function<void(sim::SimAdapter&)> set;
    if (EqualsNoCase(field, "type")) {
        const std::uint32_t type = a.Unsigned("an interface type");
        set = [type](sim::SimAdapter& adapter) { adapter.iface.type = type; };
    } else if (EqualsNoCase(field, "speed")) {
        const std::uint32_t speed = a.Unsigned("a speed in bit/s");
        set = [speed](sim::SimAdapter& adapter) { adapter.iface.speed = speed; };
    } else if (EqualsNoCase(field, "status")) {
        const bool up = a.Accept("up");
        if (!up) a.Require("down");
        set = [up](sim::SimAdapter& adapter) { adapter.iface.operStatus = up ? 5 : 2; };
    } else if (EqualsNoCase(field, "description")) {
        const std::string description = a.Next("a description");
        set = [description](sim::SimAdapter& adapter) { adapter.iface.description = description; };
    } else if (EqualsNoCase(field, "admin")) {
        const bool up = a.Accept("up");
        if (!up) a.Require("down");
        set = [up](sim::SimAdapter& adapter) { adapter.iface.adminStatus = up ? 1 : 2; };
    } else if (EqualsNoCase(field, "last-change")) {
        const std::uint32_t ticks = a.Unsigned("a time in hundredths of a second");
        set = [ticks](sim::SimAdapter& adapter) { adapter.iface.lastChange = ticks; };
    } else if (EqualsNoCase(field, "counter")) {
        const std::string name = a.Next("a counter (dwInOctets ... dwOutQLen)");
        InterfaceRow probe;
        if (!sim::InterfaceCounter(probe, name)) a.Fail("unknown interface counter '" + name + "'");
        const std::uint32_t value = a.Unsigned("a count");
        set = [name, value](sim::SimAdapter& adapter) { adapter.iface.counters[name] = value; };
    } else {
        a.Fail("unknown interface field '" + field + "'");
    }
    a.RequireDone();
    return [=](Runner& r) { set(AdapterAt(r, index)); };
}

// Pulling the cable takes the link down and, as media sense does, the adapter's routes with it;
// plugging it back brings both back.
Action Cable(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const bool plugged = a.Accept("plugged");
    if (!plugged) a.Require("unplugged");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimAdapter& adapter = AdapterAt(r, index);
        auto& routes = r.host().routes();
        if (plugged) {
            adapter.iface.operStatus = 5;
            routes.insert(routes.end(), adapter.iface.unpluggedRoutes.begin(), adapter.iface.unpluggedRoutes.end());
            adapter.iface.unpluggedRoutes.clear();
        } else {
            adapter.iface.operStatus = 2;  // MIB_IF_OPER_STATUS_DISCONNECTED
            for (auto it = routes.begin(); it != routes.end();) {
                if (it->ifIndex != index) {
                    ++it;
                    continue;
                }
                adapter.iface.unpluggedRoutes.push_back(*it);
                it = routes.erase(it);
            }
        }
        r.host().journal().Note("network", "cable of adapter " + std::to_string(index) + (plugged ? " plugged" : " unplugged"));
    };
}

std::vector<std::uint8_t> SsidValue(const std::string& text) {
    std::vector<std::uint8_t> bytes = Le32(static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), 32)));
    for (std::size_t i = 0; i < 32; ++i) bytes.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    return bytes;
}

// The centre frequency of an 802.11 channel in kHz.
std::uint32_t ChannelFrequency(std::uint32_t channel) {
    if (channel == 14) return 2484000;
    return channel > 14 ? 5000000 + channel * 5000 : 2407000 + channel * 5000;
}

// NDIS_802_11_CONFIGURATION with a beacon period of 100 and the frequency.
std::vector<std::uint8_t> Configuration(std::uint32_t kHz) {
    std::vector<std::uint8_t> bytes = Le32(32);
    for (std::uint32_t v : {100u, 0u, kHz}) {
        const auto b = Le32(v);
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    bytes.resize(32, 0);
    return bytes;
}

Action Wlan(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const std::string field = a.Next("ssid, bssid, rssi, channel, frequency, wep, infrastructure, authentication or rates");
    std::uint32_t oid = 0;
    std::vector<std::uint8_t> value;
    if (EqualsNoCase(field, "ssid")) {
        oid = ndis_oid::kSsid;
        value = SsidValue(a.Next("an SSID"));
    } else if (EqualsNoCase(field, "bssid")) {
        oid = ndis_oid::kBssid;
        value = ParseMac(a, a.Next("a MAC"));
    } else if (EqualsNoCase(field, "rssi")) {
        oid = ndis_oid::kRssi;
        value = Le32(static_cast<std::uint32_t>(static_cast<std::int32_t>(a.Number("an RSSI in dBm"))));
    } else if (EqualsNoCase(field, "channel") || EqualsNoCase(field, "frequency")) {
        oid = ndis_oid::kConfiguration;
        const std::uint32_t n = a.Unsigned(EqualsNoCase(field, "channel") ? "a channel" : "a frequency in kHz");
        value = Configuration(EqualsNoCase(field, "channel") ? ChannelFrequency(n) : n);
    } else if (EqualsNoCase(field, "wep")) {
        oid = ndis_oid::kWepStatus;
        value = Le32(a.Unsigned("a WEP status"));
    } else if (EqualsNoCase(field, "infrastructure")) {
        oid = ndis_oid::kInfrastructureMode;
        value = Le32(a.Unsigned("an infrastructure mode"));
    } else if (EqualsNoCase(field, "authentication")) {
        oid = ndis_oid::kAuthenticationMode;
        value = Le32(a.Unsigned("an authentication mode"));
    } else if (EqualsNoCase(field, "rates")) {
        oid = ndis_oid::kSupportedRates;
        value = a.Bytes();
    } else {
        a.Fail("unknown 802.11 field '" + field + "'");
    }
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimAdapter& adapter = AdapterAt(r, index);
        if (adapter.info.Type != kIfTypeIeee80211) {
            adapter.oids[oid] = value;
            return;
        }
        // A native adapter answers no OID: the field goes into its Wireless LAN API view.
        if (!adapter.wlanLink) adapter.wlanLink.emplace().authAlgorithm = 1;  // associated, open until said otherwise
        WlanLink& link = *adapter.wlanLink;
        const auto u32 = [&value](std::size_t at) {
            return value.size() < at + 4 ? 0u
                                         : static_cast<std::uint32_t>(value[at] | value[at + 1] << 8 | value[at + 2] << 16 |
                                                                      static_cast<std::uint32_t>(value[at + 3]) << 24);
        };
        switch (oid) {
            case ndis_oid::kSsid:  // past the length word
                if (value.size() > 4) std::copy(value.begin() + 4, value.begin() + std::min<std::ptrdiff_t>(36, std::ssize(value)), link.ssid.begin());
                break;
            case ndis_oid::kBssid:
                std::copy(value.begin(), value.begin() + std::min<std::ptrdiff_t>(6, std::ssize(value)), link.bssid.begin());
                break;
            case ndis_oid::kRssi: link.rssi = static_cast<std::int32_t>(u32(0)); break;
            case ndis_oid::kConfiguration: link.channel = FrequencyToChannel(u32(12)); break;
            case ndis_oid::kAuthenticationMode: link.authAlgorithm = u32(0) == 1 ? 2 : 1; break;  // shared key, or open
            case ndis_oid::kSupportedRates:
                // Supported rates in 500 kbit/s units, the top bit marking a basic rate: the fastest counts.
                for (const std::uint8_t rate : value)
                    link.rxRateKbps = link.txRateKbps = std::max(link.rxRateKbps, (rate & 0x7Fu) * 500u);
                break;
            default: break;  // WEP and the infrastructure mode have no place in the API's view
        }
    };
}

Action AccessPoint(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    a.Require("bssid");
    const std::vector<std::uint8_t> mac = ParseMac(a, a.Next("a MAC"));
    a.Require("ssid");
    const std::string ssid = a.Next("an SSID");
    std::int32_t rssi = -60;
    std::uint32_t kHz = ChannelFrequency(6);
    std::uint32_t privacy = 0;
    while (!a.Done()) {
        if (a.Accept("rssi")) {
            rssi = static_cast<std::int32_t>(a.Number("an RSSI"));
        } else if (a.Accept("channel")) {
            kHz = ChannelFrequency(a.Unsigned("a channel"));
        } else if (a.Accept("frequency")) {
            kHz = a.Unsigned("a frequency in kHz");
        } else if (a.Accept("privacy")) {
            privacy = 1;
        } else {
            a.Require("rates");
            a.Bytes();  // the table does not show rates; accepted for completeness
        }
    }
    // One NDIS_WLAN_BSSID of 104 bytes, appended to the adapter's NDIS_802_11_BSSID_LIST.
    std::vector<std::uint8_t> entry(104, 0);
    const auto put = [&entry](std::size_t at, const std::vector<std::uint8_t>& bytes) {
        std::copy(bytes.begin(), bytes.end(), entry.begin() + static_cast<std::ptrdiff_t>(at));
    };
    put(0, Le32(104));
    put(4, std::vector<std::uint8_t>(mac.begin(), mac.begin() + std::min<std::ptrdiff_t>(6, static_cast<std::ptrdiff_t>(mac.size()))));
    put(12, SsidValue(ssid));
    put(48, Le32(privacy));
    put(52, Le32(static_cast<std::uint32_t>(rssi)));
    put(60, Configuration(kHz));
    return [=](Runner& r) {
        sim::SimAdapter& adapter = AdapterAt(r, index);
        if (adapter.info.Type == kIfTypeIeee80211) {
            WlanBss bss;
            std::copy(mac.begin(), mac.begin() + std::min<std::ptrdiff_t>(6, static_cast<std::ptrdiff_t>(mac.size())), bss.bssid.begin());
            const auto ssidBytes = SsidValue(ssid);
            std::copy(ssidBytes.begin() + 4, ssidBytes.end(), bss.ssid.begin());
            bss.rssi = rssi;
            bss.frequencyKhz = kHz;
            bss.beaconPeriod = 100;
            bss.privacy = privacy != 0;
            adapter.wlanBss.push_back(bss);
            return;
        }
        auto& list = adapter.oids[ndis_oid::kBssidList];
        if (list.size() < 4) list = Le32(0);
        const std::uint32_t count = list[0] | (list[1] << 8) | (list[2] << 16) | (static_cast<std::uint32_t>(list[3]) << 24);
        const auto updated = Le32(count + 1);
        std::copy(updated.begin(), updated.end(), list.begin());
        list.insert(list.end(), entry.begin(), entry.end());
    };
}

Action AccessPoints(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    a.Require("bytes");
    const auto bytes = a.Bytes();
    return [=](Runner& r) { AdapterAt(r, index).oids[ndis_oid::kBssidList] = bytes; };
}

Action DnsServer(Args& a) {
    const Ipv4 address = a.Address("a DNS server address");
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().dnsServers.push_back(address.ToString()); };
}

Action Route(Args& a) {
    const auto [dest, mask] = a.AddressMask();
    std::optional<Ipv4> via;
    if (a.Accept("via")) via = a.Address("a gateway");
    if (a.Accept("removed")) {
        // `route DEST/MASK [via GATEWAY] removed`: the row (or every row for DEST/MASK) leaves the table.
        a.RequireDone();
        return [dest = dest, mask = mask, via](Runner& r) {
            auto& routes = r.host().routes();
            const auto gone = std::remove_if(routes.begin(), routes.end(), [&](const sim::RouteRow& row) {
                return row.dest == dest && row.mask == mask && (!via || row.nextHop == *via);
            });
            if (gone == routes.end())
                throw ScenarioError(r.current().Where() + ": no route " + dest.ToString() + "/" + mask.ToString() + " to remove");
            for (auto it = gone; it != routes.end(); ++it)
                r.Print("route", "- " + it->dest.ToString() + "/" + it->mask.ToString() + " via " + it->nextHop.ToString() +
                                     " if " + std::to_string(it->ifIndex) + " (removed)");
            routes.erase(gone, routes.end());
        };
    }
    if (!via) a.Fail("expected 'via GATEWAY' or 'removed'");
    const Ipv4 gateway = *via;
    a.Require("if");
    const std::uint32_t index = a.Unsigned("an interface index");
    std::uint32_t metric = 1;
    if (a.Accept("metric")) metric = a.Unsigned("a metric");
    a.RequireDone();
    return [=, dest = dest, mask = mask](Runner& r) { r.host().AddRoute(sim::RouteRow{dest, mask, gateway, index, metric}); };
}

Action Host(Args& a) {
    const std::string name = a.Next("a host name");
    if (a.Accept("removed")) {
        a.RequireDone();
        return [=](Runner& r) { r.host().machine().hosts.erase(name); };
    }
    std::vector<Ipv4> addresses{a.Address()};
    while (!a.Done()) addresses.push_back(a.Address());
    return [=](Runner& r) { r.host().machine().hosts[name] = addresses; };
}

}  // namespace

void AddNetworkWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"adapter", Adapter},
                               {"address", Address},
                               {"oid", Oid},
                               {"supported-oids", SupportedOids},
                               {"link-speed", LinkSpeed},
                               {"wlan", Wlan},
                               {"access-point", AccessPoint},
                               {"access-points", AccessPoints},
                               {"interface", Interface},
                               {"cable", Cable},
                               {"route", Route},
                               {"host", Host},
                               {"dns-server", DnsServer}});
}

}  // namespace zelta::campus
