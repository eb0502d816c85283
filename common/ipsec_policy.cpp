// The IPsec policy commands.
#include "common/ipsec_policy.h"

#include "common/run_process.h"
#include "common/trusted_program.h"

#include <cstdio>

namespace zelta {
namespace {

constexpr std::size_t kToolPathCapacity = 256;   // characters, with the terminator
constexpr std::size_t kArgumentCapacity = 1024;  // characters, with the terminator
constexpr const char* kUnassignAndDelete = "-w REG -p ZELTAWLANIPSEC -y -o";
constexpr const char* kDelete = "-w REG -p ZELTAWLANIPSEC -o";

// The format is the product's own text: formatted into a buffer that is checked, never cut.
std::optional<std::string> FormatCreate(const DialerSettings& s) {
    const bool certificate = s.ikeAuthByCertificate != 0;
    const char* format =
        certificate ? "-w REG -f *:1701+%s/255.255.255.255:1701:UDP -n ESP[%s,%s]%dS INPASS -1k %dS -1s %s-%s-%d "
                      "-p ZELTAWLANIPSEC -r ZELTAWLANRULE -x -a CERT:\"%s\""
                    : "-w REG -f *:1701+%s/255.255.255.255:1701:UDP -n ESP[%s,%s]%dS INPASS -1k %dS -1s %s-%s-%d "
                      "-p ZELTAWLANIPSEC -r ZELTAWLANRULE -x -a PRESHARE:\"%s\"";
    const std::string& secret = certificate ? s.ikeCertificateAuthority : s.ikePresharedKey;
    const int length = std::snprintf(nullptr, 0, format, s.setupIp.c_str(), s.ipsecEncryption.c_str(),
                                     s.ipsecAuth.c_str(), static_cast<int>(s.ipsecLifetimeSeconds),
                                     static_cast<int>(s.ikeLifetimeSeconds), s.ikeEncryption.c_str(),
                                     s.ikeHash.c_str(), static_cast<int>(s.ikeDhGroup), secret.c_str());
    if (length < 0) return std::nullopt;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, s.setupIp.c_str(), s.ipsecEncryption.c_str(), s.ipsecAuth.c_str(),
                  static_cast<int>(s.ipsecLifetimeSeconds), static_cast<int>(s.ikeLifetimeSeconds),
                  s.ikeEncryption.c_str(), s.ikeHash.c_str(), static_cast<int>(s.ikeDhGroup), secret.c_str());
    text.pop_back();
    if (CharacterCount(text) > kArgumentCapacity - 1) return std::nullopt;
    return text;
}

// Runs one tool command, or says in the log why it could not be formed or may not run.
void RunTool(DialerSettings& settings, const std::optional<std::string>& tool, const std::optional<std::string>& args) {
    if (!tool) {
        settings.log().LogMessage(log_level::kMain, "IPsec tool path too long, command skipped: %s\n",
                                  settings.installDir.c_str());
        return;
    }
    if (!args) {
        settings.log().LogMessage(log_level::kMain, "IPsec policy arguments too long, command skipped\n");
        return;
    }
    // The tool runs in the system account: only a file nobody else can change is run.
    const std::string file = IpsecToolFile(settings);
    std::string why;
    const auto held = HoldTrustedProgram(settings.platform().files, settings.platform().system, file, why);
    if (!held) {
        settings.log().LogMessage(log_level::kMain, "The IPsec tool %s is not run: %s\n", LogSafe(file).c_str(),
                                  LogSafe(why).c_str());
        return;
    }
    RunProcessFile(settings.platform().processes, settings.platform().system, settings.log(), file, *tool, *args);
}

}  // namespace

const char* IpsecToolName(const DialerSettings& settings) {
    return RoadFor(settings.osVersion) == WindowsRoad::WindowsXp ? "ipseccmd" : "ipsecpol";
}

std::string IpsecToolFile(const DialerSettings& settings) {
    return settings.installDir + "\\" + IpsecToolName(settings) + ".exe";
}

std::optional<std::string> IpsecToolPath(const DialerSettings& settings) {
    std::string path = "\"" + settings.installDir + "\\" + IpsecToolName(settings) + "\"";
    if (CharacterCount(path) > kToolPathCapacity - 1) return std::nullopt;
    return path;
}

std::optional<std::string> IpsecCreateArguments(const DialerSettings& settings) { return FormatCreate(settings); }

void ApplyIpsecPolicy(DialerSettings& settings) {
    // Windows negotiates IPsec itself from 6.0 on, and has no tool to run.
    if (!settings.l2tp || RoadFor(settings.osVersion) == WindowsRoad::Vista) return;
    const auto tool = IpsecToolPath(settings);
    RunTool(settings, tool, std::string(kUnassignAndDelete));
    RunTool(settings, tool, std::string(kDelete));
    RunTool(settings, tool, IpsecCreateArguments(settings));
}

void RemoveIpsecPolicy(DialerSettings& settings) {
    if (!settings.l2tp || RoadFor(settings.osVersion) == WindowsRoad::Vista) return;
    RunTool(settings, IpsecToolPath(settings), std::string(kUnassignAndDelete));
}

}  // namespace zelta
