// The helper service's request parser and its answer to one client, over any bytes a client sends:
// only the three well-formed requests are taken; the answer is one byte, 00 or FF, or nothing; and
// a refused request starts nothing and touches no service.
#include "service/helper_service.h"
#include "service/service_request.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

namespace zelta::fuzz {
namespace {

class OneClient final : public PipeConnection {
public:
    OneClient(std::vector<std::uint8_t> request, bool tooLong, bool ownAccount)
        : m_request(std::move(request)), m_tooLong(tooLong), m_ownAccount(ownAccount) {}
    Win32Error Read(std::vector<std::uint8_t>& message) override {
        const std::size_t capacity = kLargestRequest;
        message.assign(m_request.begin(), m_request.begin() + static_cast<std::ptrdiff_t>(std::min(capacity, m_request.size())));
        return m_tooLong || m_request.size() > capacity ? err::kMoreData : err::kSuccess;
    }
    Win32Error Write(std::span<const std::uint8_t> message) override {
        written.emplace_back(message.begin(), message.end());
        return err::kSuccess;
    }
    Win32Error Identify(PipeClient& out) override {
        out = m_ownAccount ? PipeClient{"NT AUTHORITY\\SYSTEM", 0, false, true} : PipeClient{"CAMPUS\\student", 0, false};
        return err::kSuccess;
    }
    std::vector<std::vector<std::uint8_t>> written;

private:
    std::vector<std::uint8_t> m_request;
    bool m_tooLong;
    bool m_ownAccount;
};

void CheckParse(const std::vector<std::uint8_t>& bytes) {
    std::string refusal;
    const auto request = ParseRequest(bytes, refusal);
    if (!request) {
        FUZZ_CHECK(!refusal.empty());
        for (const char c : refusal) FUZZ_CHECK(c >= 0x20 && c < 0x7F);  // fit for a log line, and quotes no byte
        return;
    }
    FUZZ_CHECK(refusal.empty());
    FUZZ_CHECK(request->kind == 1 || request->kind == 2 || request->kind == 4);
    if (request->kind != 2) {
        FUZZ_CHECK(bytes.size() == 2 && bytes[1] == 0);
        return;
    }
    FUZZ_CHECK(request->serverAddress.size() <= kLongestAddress);
    FUZZ_CHECK(Ipv4::ParseCanonical(request->serverAddress).has_value());
    FUZZ_CHECK(Ipv4::ParseCanonical(request->serverAddress)->ToString() == request->serverAddress);
    FUZZ_CHECK(std::string(bytes.begin() + 1, bytes.end()) == request->serverAddress);
}

}  // namespace
}  // namespace zelta::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    const std::vector<std::uint8_t> bytes(data, data + size);
    CheckParse(bytes);

    static SimMachine machine;
    static HelperService service(machine.platform, machine.log, true);
    const std::size_t commands = machine.host.commands().size();
    // Every other input comes from the service's own account, the rest from a student.
    const bool ownAccount = size % 2 == 0;
    OneClient client(bytes, size > kLargestRequest, ownAccount);
    service.Serve(client);
    FUZZ_CHECK(client.written.size() == 1);
    FUZZ_CHECK(client.written[0].size() == 1 && (client.written[0][0] == 0x00 || client.written[0][0] == 0xFF));
    std::string refusal;
    const auto parsed = ParseRequest(bytes, refusal);
    if (!parsed || (!ownAccount && parsed->kind != request_kind::kStartDialer)) {
        FUZZ_CHECK(client.written[0][0] == 0xFF);
        FUZZ_CHECK(machine.host.commands().size() == commands);  // nothing started
    }
    return 0;
}
