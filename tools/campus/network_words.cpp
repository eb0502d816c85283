// The network: adapters and their drivers, the forwarding table, names.
#include "routing/switch_discovery.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

std::vector<std::uint8_t> Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

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

Action Adapter(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const std::string kind = a.Next("a kind (wireless, wired, other) or 'removed' / 'moves-to'");
    if (EqualsNoCase(kind, "removed") || EqualsNoCase(kind, "moves-to")) a.Fail("'adapter " + kind + "' is not supported yet");
    if (!EqualsNoCase(kind, "wireless") && !EqualsNoCase(kind, "wired") && !EqualsNoCase(kind, "other"))
        a.Fail("unknown adapter kind '" + kind + "'");
    AdapterInfo info;
    info.Index = index;
    info.Type = 6;  // Ethernet: Windows 2000 and XP report 802.11 adapters as Ethernet too
    info.AdapterName = a.Next("an adapter name ({GUID})");
    info.Description = EqualsNoCase(kind, "wireless") ? "Wireless LAN Adapter" : "Ethernet Adapter";
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
        if (wireless) {
            adapter.oids[ndis_oid::kGenLinkSpeed] = Le32(540000);
            adapter.oids[0x0D010101] = std::vector<std::uint8_t>(6, 0);  // OID_802_11_BSSID
        } else if (wired) {
            adapter.oids[ndis_oid::kGenLinkSpeed] = Le32(1000000);
        }
    };
}

Action Address(Args& a) {
    const std::uint32_t index = a.Unsigned("an interface index");
    const auto [address, mask] = a.AddressMask();
    a.RequireDone();
    return [=](Runner& r) { AdapterAt(r, index).info.IpAddressList.push_back({address.ToString(), mask.ToString()}); };
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
    return [=](Runner& r) { AdapterAt(r, index).oids[ndis_oid::kGenLinkSpeed] = Le32(mbits * 10000); };
}

Action Route(Args& a) {
    const auto [dest, mask] = a.AddressMask();
    a.Require("via");
    const Ipv4 gateway = a.Address("a gateway");
    a.Require("if");
    const std::uint32_t index = a.Unsigned("an interface index");
    std::uint32_t metric = 1;
    if (a.Accept("metric")) metric = a.Unsigned("a metric");
    a.RequireDone();
    return [=](Runner& r) { r.host().AddRoute(sim::RouteRow{dest, mask, gateway, index, metric}); };
}

Action Host(Args& a) {
    const std::string name = a.Next("a host name");
    if (a.Accept("removed")) {
        a.RequireDone();
        return [=](Runner& r) { r.host().machine().hosts.erase(name); };
    }
    const Ipv4 address = a.Address();
    a.RequireDone();
    return [=](Runner& r) { r.host().AddHostName(name, address); };
}

}  // namespace

void AddNetworkWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"adapter", Adapter},
                               {"address", Address},
                               {"oid", Oid},
                               {"supported-oids", SupportedOids},
                               {"link-speed", LinkSpeed},
                               {"wlan", nullptr},
                               {"access-point", nullptr},
                               {"access-points", nullptr},
                               {"interface", nullptr},
                               {"cable", nullptr},
                               {"route", Route},
                               {"host", Host},
                               {"dns-server", nullptr}});
}

}  // namespace zelta::campus
