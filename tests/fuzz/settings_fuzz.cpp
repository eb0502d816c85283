// Loading the settings over any values the key may hold, of any type and size: no text field grows
// past its capacity, the normalised fields take only their documented values, and the installation
// directory is always the start of the program's path.
#include "common/dialer_settings.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

namespace zelta::fuzz {
namespace {


bool Within(const std::string& text, std::size_t capacity) { return CharacterCount(text) <= capacity - 1; }

}  // namespace
}  // namespace zelta::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    FuzzInput in(data, size);
    SimMachine machine;
    sim::RegistryStore& registry = machine.host.registry();
    static const std::vector<std::string_view> names = DialerSettings::ValueNames();
    for (std::uint32_t n = in.Below(12); n > 0; --n) {
        const std::string_view name = names[in.Below(static_cast<std::uint32_t>(names.size()))];
        const RegType types[] = {RegType::None, RegType::String, RegType::ExpandString, RegType::Binary, RegType::Dword,
                                 RegType::MultiString};
        const RegType type = types[in.Below(std::size(types))];
        std::vector<std::uint8_t> bytes = in.Bytes(255);
        if (in.Flag()) bytes.resize(bytes.size() + in.Below(5000), in.Byte());  // longer than any field
        registry.SetValue(RegistryRoot::LocalMachine, kSettingsKey, name, type, std::move(bytes));
    }
    DialerSettings settings(machine.platform, machine.log, DialerSettings::ExtranetProbe::Skip);
    FUZZ_CHECK(settings.Load() == 0);

    FUZZ_CHECK(Within(settings.ikeEncryption, 8) && Within(settings.ikeHash, 8));
    FUZZ_CHECK(Within(settings.ikePresharedKey, 1024) && Within(settings.ikeCertificateAuthority, 1024));
    FUZZ_CHECK(Within(settings.dialerName, 256) && Within(settings.setupIp, 64) && Within(settings.dnsName, 64));
    FUZZ_CHECK(Within(settings.installPath, 1024) && Within(settings.banner, 256) && Within(settings.noticeText, 256));
    FUZZ_CHECK(settings.ipsecEncryption == "DES" || settings.ipsecEncryption == "3DES");
    FUZZ_CHECK(settings.ipsecAuth == "MD5" || settings.ipsecAuth == "SHA");
    FUZZ_CHECK(settings.ikeDhGroup == 1 || settings.ikeDhGroup == 2);
    FUZZ_CHECK(settings.ikeAuthByCertificate <= 1);
    FUZZ_CHECK(settings.installPath.compare(0, settings.installDir.size(), settings.installDir) == 0);
    for (const char c : settings.setupIp) FUZZ_CHECK(c != '\0');
    return 0;
}
