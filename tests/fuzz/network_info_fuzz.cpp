// The Network Info report over whatever adapters and wireless drivers answer: it is always built
// (when there is an adapter to list), no line is longer than the 511 characters a line's buffer holds, an SSID
// shows at most 15 characters, and the access-point table never has more rows than the list claims.
#include "dialer/netinfo/network_info.h"

#include <algorithm>

#include "platform/ndis_oids.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

namespace zelta::fuzz {
namespace {

constexpr std::uint32_t kWirelessOids[] = {ndis_oid::kBssid,          ndis_oid::kSsid,       ndis_oid::kAuthenticationMode,
                                           ndis_oid::kBssidListScan,  ndis_oid::kWepStatus,  ndis_oid::kRssi,
                                           ndis_oid::kConfiguration, ndis_oid::kBssidList};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find("\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// What a text field of the adapter list can hold: a C string (IP_ADDRESS_STRING keeps 15
// characters, the description 131). Breaks and tabs are left out: a field with its own could pass
// for any line of the report, and the lines checked are the ones the report makes.
std::string Field(FuzzInput& in, std::size_t most) {
    std::string text = in.Text(most);
    text.resize(std::min(text.find('\0'), text.size()));
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
    return text;
}

std::string Address(FuzzInput& in) { return Field(in, 15); }

}  // namespace
}  // namespace zelta::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    FuzzInput in(data, size);
    SimMachine machine;
    std::uint32_t claimed = 0;
    const std::uint32_t adapterCount = in.Below(4);
    for (std::uint32_t n = adapterCount; n > 0; --n) {
        AdapterInfo info;
        info.Index = in.Below(64) + 1;
        info.AdapterName = "{" + std::to_string(info.Index) + "}";
        info.Description = Field(in, 131);
        info.Address = in.Bytes(8);
        info.DhcpEnabled = in.Flag();
        for (std::uint32_t k = in.Below(3); k > 0; --k) info.IpAddressList.push_back({Address(in), Address(in)});
        if (in.Flag()) info.GatewayList.push_back({Address(in), Address(in)});
        sim::SimAdapter& adapter = machine.host.AddAdapter(info);
        if (in.Flag()) {
            std::vector<std::uint32_t> supported;
            for (std::uint32_t k = in.Below(10); k > 0; --k)
                supported.push_back(in.Flag() ? kWirelessOids[in.Below(8)] : in.Dword());
            adapter.supportedList = supported;
        }
        for (std::uint32_t k = in.Below(8); k > 0; --k) {
            const std::uint32_t oid = kWirelessOids[in.Below(8)];
            std::vector<std::uint8_t> value = in.Bytes(255);
            if (oid == ndis_oid::kBssidList && value.size() >= 4) {
                claimed = std::max(claimed, static_cast<std::uint32_t>(value[0] | (value[1] << 8)));
                value[2] = value[3] = 0;
                if (in.Flag()) value.resize(value.size() + in.Below(900), in.Byte());
            }
            adapter.oids[oid] = std::move(value);
        }
    }
    const auto report = NetworkInfoReport(machine.platform, machine.log);
    FUZZ_CHECK(report.has_value() == (adapterCount > 0));  // a machine without adapters has no list to read
    if (!report) return 0;
    int rows = 0;
    for (const std::string& line : Lines(*report)) {
        FUZZ_CHECK(line.size() <= 511);
        if (line.rfind("  SSID:\t\t\t ", 0) == 0) FUZZ_CHECK(line.size() - 11 <= 15);
        if (line.rfind("    \t\t\t", 0) == 0) ++rows;
    }
    FUZZ_CHECK(static_cast<std::uint32_t>(rows) <= claimed);
    return 0;
}
