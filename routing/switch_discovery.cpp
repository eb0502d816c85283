// Switch discovery and interface classification.
#include "routing/switch_discovery.h"
#include "platform/little_endian.h"

#include <string>

namespace zelta {
namespace {

constexpr std::size_t kDevicePathCapacity = 512;  // characters, with the terminator
constexpr std::size_t kOidBufferBytes = 8192;
constexpr std::size_t kAddressTextCapacity = 16;  // an IP_ADDRESS_STRING, with the terminator

std::string Bounded(const std::string& text) { return text.substr(0, kAddressTextCapacity - 1); }

// Link speed in units of 100 bit/s: 802.11b, 802.11g and the "turbo" 108 Mbit/s modes.
bool HasWirelessLinkSpeed(DeviceIo& devices, Log& log, const std::string& adapterName) {
    std::vector<std::uint8_t> speed;
    if (QueryNdisOid(devices, log, adapterName, ndis_oid::kGenLinkSpeed, kOidBufferBytes, speed) != 0) return false;
    if (speed.size() < 4) return false;
    const std::uint32_t value = ReadLe32(speed, 0);
    return value == 110000 || value == 540000 || value == 1080000;
}

}  // namespace

bool Supports80211(DeviceIo& devices, Log& log, const std::string& adapterName) {
    std::vector<std::uint8_t> oids;
    if (QueryNdisOid(devices, log, adapterName, ndis_oid::kGenSupportedList, kOidBufferBytes, oids) != 0) return false;
    for (std::size_t i = 0; i + 4 <= oids.size(); i += 4) {
        const std::uint32_t oid = ReadLe32(oids, i);
        if (oid >= ndis_oid::k80211First && oid <= ndis_oid::k80211Last) return true;
    }
    return false;
}

Win32Error QueryNdisOid(DeviceIo& devices, Log& log, std::string_view adapterName, std::uint32_t oid,
                        std::size_t capacity, std::vector<std::uint8_t>& out) {
    out.clear();
    const std::string path = "\\\\.\\" + std::string(adapterName);
    std::unique_ptr<Device> device;
    Win32Error rc = CharacterCount(path) > kDevicePathCapacity - 1 ? err::kFilenameTooLong
                                                                   : devices.Open(path, device);
    if (rc != err::kSuccess) {
        log.LogMessage(log_level::kDevices, "CreateFile ndis error: 0x%x\n", static_cast<unsigned>(rc));
        return rc;
    }
    rc = device->QueryOid(oid, capacity, out);
    if (rc != err::kSuccess) {
        out.clear();
        log.LogMessage(log_level::kDevices, "DeviceIoControl error: 0x%x\n", static_cast<unsigned>(rc));
    }
    return rc;
}

AdapterFinding IsWirelessAdapter(DialerSettings& settings, std::uint32_t interfaceIndex) {
    Platform& platform = settings.platform();
    std::vector<AdapterInfo> adapters;
    if (platform.ipHelper.AdaptersInfo(adapters) != err::kSuccess) return {};
    const AdapterInfo* adapter = nullptr;
    for (const AdapterInfo& candidate : adapters) {
        if (candidate.Index == interfaceIndex) {
            adapter = &candidate;
            break;
        }
    }
    if (!adapter) return {};
    AdapterFinding finding;
    if (!adapter->IpAddressList.empty())
        finding.address = InterfaceAddress{Bounded(adapter->IpAddressList.front().IpAddress),
                                           Bounded(adapter->IpAddressList.front().IpMask)};
    DeviceIo& devices = platform.deviceIo;
    switch (RoadFor(settings.osVersion)) {
        case WindowsRoad::Vista:
            // Native Wi-Fi drivers say what they are and answer none of the 802.11 queries; their
            // link speed can be anything.
            finding.wireless = adapter->Type == kIfTypeIeee80211 || Supports80211(devices, settings.log(), adapter->AdapterName);
            break;
        case WindowsRoad::WindowsXp: finding.wireless = Supports80211(devices, settings.log(), adapter->AdapterName); break;
        case WindowsRoad::Windows2000: finding.wireless = HasWirelessLinkSpeed(devices, settings.log(), adapter->AdapterName); break;
    }
    return finding;
}

namespace {

SwitchFinding FindSwitchInterfaceFor(DialerSettings& settings, std::string_view serverText) {
    Platform& platform = settings.platform();
    // inet_addr's "none" is also the broadcast address, so 255.255.255.255 has no route either.
    const auto server = Ipv4::Parse(serverText);
    if (!server || server->NetworkOrderValue() == 0xFFFFFFFFu) return {};
    std::uint32_t interfaceIndex = 0;
    if (platform.ipHelper.BestInterface(*server, interfaceIndex) != err::kSuccess) return {};

    const AdapterFinding adapter = IsWirelessAdapter(settings, interfaceIndex);
    SwitchFinding finding{Ready, adapter.address};
    const bool waitForWireless = settings.WaitForWireless();
    settings.log().LogMessage(log_level::kDevices, "Found interface wlan=%d, waitwlan=%d\n", adapter.wireless ? 1 : 0,
                              waitForWireless ? 1 : 0);
    if (!waitForWireless) return finding;
    if (!adapter.wireless) {
        finding.path = NotWireless;
        return finding;
    }
    Ipv4 switchAddress;
    if (platform.resolver.Resolve(kSwitchHostName, switchAddress) != err::kSuccess) finding.path = SwitchNotFound;
    return finding;
}

}  // namespace

SwitchFinding FindSwitchInterface(DialerSettings& settings) { return FindSwitchInterfaceFor(settings, settings.setupIp); }

SwitchFinding FindSwitchInterfaceNarrowed(DialerSettings& settings) {
    constexpr std::size_t kNarrowCapacity = 32;  // bytes, with the terminator
    return FindSwitchInterfaceFor(settings, std::string_view(settings.setupIp).substr(0, kNarrowCapacity - 1));
}

}  // namespace zelta
