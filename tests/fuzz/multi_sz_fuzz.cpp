// The "CustomDLL" list edits over any stored bytes: adding a path leaves every other entry findable
// and the list closed; removing it leaves every other entry, in its place; nothing is read past the
// value's bytes.
#include "customdial/multi_sz.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

#include <string>

namespace zelta::fuzz {
namespace {

// The strings a list holds as its reader walks it: zero-terminated runs of characters, the last
// ending at the data's end, without the closing empty string.
std::vector<std::u16string> Strings(const std::vector<std::uint8_t>& block) {
    std::vector<std::u16string> out;
    std::u16string current;
    for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
        const auto c = static_cast<char16_t>(block[i] | (block[i + 1] << 8));
        if (c != 0) {
            current += c;
        } else if (!current.empty()) {
            out.push_back(std::move(current));
            current.clear();
        } else {
            break;  // an empty string closes the list
        }
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

// Whether a reader walking the list meets its closing empty string inside the data (what lies behind
// it is not the list's business).
bool Closed(const std::vector<std::uint8_t>& list) {
    bool atStart = true;
    for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
        const bool zero = list[i] == 0 && list[i + 1] == 0;
        if (zero && atStart) return true;
        atStart = zero;
    }
    return false;
}

}  // namespace
}  // namespace zelta::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    static SimMachine machine;
    const SameText same = [](std::u16string_view a, std::u16string_view b) {
        return machine.platform.system.SameTextNoCase(a, b);
    };
    FuzzInput in(data, size);
    const std::string raw = in.Text(120);
    std::u16string path;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const auto c = static_cast<char16_t>(static_cast<std::uint8_t>(raw[i]) | (static_cast<std::uint8_t>(raw[i + 1]) << 8));
        if (c != 0) path += c;
    }
    if (path.empty()) path = u"C:\\Dialer\\zeltavpn.dll";
    const std::vector<std::uint8_t> block = in.Rest();
    const auto before = Strings(block);

    if (const auto at = FindInMultiSz(path, block, same)) FUZZ_CHECK(*at % 2 == 0 && *at < block.size());

    const std::vector<std::uint8_t> added = AppendToMultiSz(block, path);
    FUZZ_CHECK(Closed(added));
    const auto found = FindInMultiSz(path, added, same);
    FUZZ_CHECK(found.has_value());
    const auto after = Strings(added);
    FUZZ_CHECK(after.size() == before.size() + 1);
    for (std::size_t i = 0; i < before.size(); ++i) FUZZ_CHECK(after[i] == before[i]);  // every other entry, in order
    FUZZ_CHECK(after.back() == path);

    if (const auto at = FindInMultiSz(path, block, same)) {
        const std::vector<std::uint8_t> removed = RemoveFromMultiSz(block, *at);
        FUZZ_CHECK(Closed(removed));
        const auto left = Strings(removed);
        FUZZ_CHECK(left.size() + 1 == before.size());
        // The string removed is the one found: the rest keep their order around it.
        std::size_t index = 0;
        for (std::size_t offset = 0; index < before.size() && offset < *at / 2; ++index) offset += before[index].size() + 1;
        for (std::size_t i = 0; i < left.size(); ++i) FUZZ_CHECK(left[i] == before[i < index ? i : i + 1]);
    }
    return 0;
}
