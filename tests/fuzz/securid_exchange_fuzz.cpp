// The SecurID exchange over whatever the peer sends, in whatever pieces: a read takes at most one
// message of 255 bytes and accepts it only whole; the prompt shown stays within the message; every
// answer goes out framed, its length byte true, never longer than 254 text bytes.
#include "dialer/securid/securid_dialog.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

#include <cstring>
#include <deque>

namespace zelta::fuzz {
namespace {

// A connection whose peer's bytes arrive in the pieces the input says.
class PieceByPiece final : public Connection {
public:
    std::deque<std::vector<std::uint8_t>> pieces;
    std::vector<std::vector<std::uint8_t>> sent;

    Win32Error WaitReadable(std::uint32_t) override { return pieces.empty() ? err::kTimeout : err::kSuccess; }
    Win32Error Receive(std::size_t capacity, std::vector<std::uint8_t>& out) override {
        out.clear();
        if (pieces.empty()) return err::kSuccess;  // the peer closed
        std::vector<std::uint8_t>& piece = pieces.front();
        const std::size_t count = std::min(capacity, piece.size());
        out.assign(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(count));
        piece.erase(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(count));
        if (piece.empty()) pieces.pop_front();
        return err::kSuccess;
    }
    Win32Error Send(std::span<const std::uint8_t> bytes, std::size_t& count) override {
        sent.emplace_back(bytes.begin(), bytes.end());
        count = bytes.size();
        return err::kSuccess;
    }
    Win32Error LocalAddress(Ipv4& out) override {
        out = Ipv4{{10, 9, 9, 9}};
        return err::kSuccess;
    }
    Win32Error SetAbortiveClose() override { return err::kSuccess; }
};

}  // namespace
}  // namespace zelta::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    static SimMachine machine;
    FuzzInput in(data, size);
    PieceByPiece peer;
    for (int i = in.Below(6); i > 0; --i) {
        auto piece = in.Bytes(255);
        if (in.Flag()) piece.resize(std::min<std::size_t>(piece.size() + 300, 600), 0x41);  // more than one read takes
        if (!piece.empty()) peer.pieces.push_back(std::move(piece));
    }
    SecurIdDialog dialog(machine.log, machine.platform.sockets, peer);
    for (int round = 0; round < 4; ++round) {
        const int count = dialog.ReceiveMessage(in.Below(2));
        FUZZ_CHECK(count == -1 || (count >= 1 && count <= 255));
        if (count > 0) FUZZ_CHECK(dialog.Prompt().size() <= static_cast<std::size_t>(count - 1));
        FUZZ_CHECK(dialog.Prompt().size() <= 254);

        const std::string answer = in.Flag() ? std::string(in.Below(400), 'x') : in.Text(255);
        const std::size_t before = peer.sent.size();
        const int sent = dialog.SendText(answer);
        FUZZ_CHECK(peer.sent.size() == before + 1);
        const std::vector<std::uint8_t>& frame = peer.sent.back();
        const std::size_t text = answer.empty() ? 1 : std::min<std::size_t>(answer.size(), 254);
        FUZZ_CHECK(sent == static_cast<int>(text + 1));
        FUZZ_CHECK(frame.size() == text + 1 && frame[0] == text);
        if (!answer.empty()) FUZZ_CHECK(std::memcmp(frame.data() + 1, answer.data(), text) == 0);
    }
    return 0;
}
