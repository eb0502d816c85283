// Implements platform/device_io.h: NDIS queries answered from the adapters' configured OIDs.
#include "platform/sim/device_io.h"

#include "platform/ndis_oids.h"

#include "platform/text.h"

namespace zelta::sim {
namespace {


class NdisDevice final : public Device {
public:
    NdisDevice(Network& network, std::string adapterName, Faults& faults)
        : m_network(network), m_adapterName(std::move(adapterName)), m_faults(faults) {}

    Win32Error QueryOid(std::uint32_t oid, std::size_t capacity, std::vector<std::uint8_t>& out) override {
        if (auto fault = m_faults.Check("DeviceIoControl", m_adapterName)) return *fault;
        const SimAdapter* adapter = Find();
        if (!adapter) return err::kInvalidHandle;  // the adapter went away while open
        std::vector<std::uint8_t> answer;
        if (oid == ndis_oid::kGenSupportedList && !adapter->oids.contains(oid)) {
            std::vector<std::uint32_t> list;
            if (adapter->supportedList) {
                list = *adapter->supportedList;
            } else {
                for (const auto& entry : adapter->oids) list.push_back(entry.first);
            }
            for (std::uint32_t o : list)
                for (int shift = 0; shift < 32; shift += 8) answer.push_back(static_cast<std::uint8_t>(o >> shift));
        } else {
            const auto it = adapter->oids.find(oid);
            if (it == adapter->oids.end()) return err::kNotSupported;
            answer = it->second;
        }
        if (answer.size() > capacity) return err::kInsufficientBuffer;
        out = std::move(answer);
        return err::kSuccess;
    }

private:
    const SimAdapter* Find() const {
        for (const SimAdapter& adapter : m_network.adapters)
            if (EqualsNoCase(adapter.info.AdapterName, m_adapterName)) return &adapter;
        return nullptr;
    }

    Network& m_network;
    std::string m_adapterName;
    Faults& m_faults;
};

}  // namespace

Win32Error SimDeviceIo::Open(std::string_view path, std::unique_ptr<Device>& out) {
    if (auto fault = m_faults.Check("CreateFile", path)) return *fault;
    constexpr std::string_view kPrefix = "\\\\.\\";
    if (path.substr(0, kPrefix.size()) != kPrefix) return err::kFileNotFound;
    const std::string_view name = path.substr(kPrefix.size());
    for (const SimAdapter& adapter : m_network.adapters) {
        if (EqualsNoCase(adapter.info.AdapterName, name)) {
            out = std::make_unique<NdisDevice>(m_network, adapter.info.AdapterName, m_faults);
            return err::kSuccess;
        }
    }
    return err::kFileNotFound;
}

}  // namespace zelta::sim
