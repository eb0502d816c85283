// The resource-script reader over any text, including scripts that include themselves or a file
// that cannot be read: anything wrong is an RcError that names a file and a line; nothing else
// escapes, nothing crashes, nothing loops; what is read has the two languages only.
#include "tests/fuzz/fuzz_input.h"
#include "tools/rcgen/rc_parser.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const IncludeReader include = [&text](const std::string& name) -> std::string {
        if (name == "resource.h") return "#define IDD_X 100\n#define IDC_Y 1003\n";
        if (name == "fuzz.rc" || name == "again.rc") return text;  // round and round, unless refused
        throw RcError("cannot read " + name);
    };
    try {
        const ResourceSet set = ParseResourceText(text, "fuzz.rc", include);
        for (const auto& dialog : set.dialogs) FUZZ_CHECK(dialog.language == 1033 || dialog.language == 1041);
        for (const auto& string : set.strings) FUZZ_CHECK(string.language == 1033 || string.language == 1041);
    } catch (const RcError& e) {
        const std::string_view message(e.what());
        const bool located = message.starts_with("fuzz.rc:") || message.starts_with("again.rc:") ||
                             message.starts_with("resource.h:");
        FUZZ_CHECK(located);
    }
    return 0;
}
