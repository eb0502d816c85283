// The simulated DeviceIo: each adapter's NDIS driver, reached at "\\.\<adapter name>".
#pragma once

#include "platform/device_io.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

class SimDeviceIo final : public DeviceIo {
public:
    SimDeviceIo(Network& network, Faults& faults) : m_network(network), m_faults(faults) {}
    Win32Error Open(std::string_view path, std::unique_ptr<Device>& out) override;

private:
    Network& m_network;
    Faults& m_faults;
};

}  // namespace zelta::sim
