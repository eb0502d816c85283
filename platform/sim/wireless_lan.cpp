// Implements platform/wireless_lan.h against the simulated machine's adapters.
#include "platform/sim/wireless_lan.h"

#include "platform/text.h"

namespace zelta::sim {
namespace {

constexpr Win32Error kModuleNotFound = 126;  // no wlanapi.dll before Vista
constexpr std::uint32_t kIfTypeIeee80211 = 71;

}  // namespace

Win32Error SimWirelessLan::Find(std::string_view adapterName, const SimAdapter*& out) const {
    if (!m_machine.osVersion || m_machine.osVersion->major < 6) return kModuleNotFound;
    for (const SimAdapter& adapter : m_machine.adapters) {
        if (!EqualsNoCase(adapter.info.AdapterName, adapterName)) continue;
        if (adapter.info.Type != kIfTypeIeee80211) break;  // the API knows native Wi-Fi interfaces only
        out = &adapter;
        return err::kSuccess;
    }
    return err::kNotFound;
}

Win32Error SimWirelessLan::CurrentLink(std::string_view adapterName, WlanLink& out) {
    if (auto fault = m_faults.Check("WlanQueryInterface", adapterName)) return *fault;
    const SimAdapter* adapter = nullptr;
    if (const Win32Error rc = Find(adapterName, adapter); rc != err::kSuccess) return rc;
    if (!adapter->wlanLink) return err::kNotFound;  // not associated
    out = *adapter->wlanLink;
    return err::kSuccess;
}

Win32Error SimWirelessLan::BssList(std::string_view adapterName, std::vector<WlanBss>& out) {
    if (auto fault = m_faults.Check("WlanGetNetworkBssList", adapterName)) return *fault;
    const SimAdapter* adapter = nullptr;
    if (const Win32Error rc = Find(adapterName, adapter); rc != err::kSuccess) return rc;
    out = adapter->wlanBss;
    return err::kSuccess;
}

}  // namespace zelta::sim
