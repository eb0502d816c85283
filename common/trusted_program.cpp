// Checking who can replace a program before it runs in the system account.
#include "common/trusted_program.h"

#include <optional>
#include <vector>

namespace zelta {
namespace {

std::string Name(const ObjectOwner& who) {
    if (!who.principal) return who.sid;
    switch (*who.principal) {
        case Principal::LocalSystem: return "the system account";
        case Principal::Administrators: return "Administrators";
        case Principal::TrustedInstaller: return "TrustedInstaller";
        case Principal::Users: return "Users (" + who.sid + ")";
        case Principal::Everyone: return "Everyone (" + who.sid + ")";
        case Principal::InteractiveUsers: return "Interactive users (" + who.sid + ")";
        case Principal::NetworkLogons: return "Network logons (" + who.sid + ")";
    }
    return who.sid;
}

class Trustees {
public:
    explicit Trustees(SystemInfo& system) {
        ObjectOwner self;
        if (system.OwnAccount(self) == err::kSuccess) m_self = self.sid;
    }

    bool Trusted(const ObjectOwner& who) const {
        if (who.principal == Principal::LocalSystem || who.principal == Principal::Administrators ||
            who.principal == Principal::TrustedInstaller)
            return true;
        return m_self && !who.sid.empty() && who.sid == *m_self;
    }

private:
    std::optional<std::string> m_self;  // the checking program's own account
};

// Why someone else could change `path`; nothing when nobody can.
std::optional<std::string> Untrusted(FileSystem& files, const Trustees& trustees, const std::string& path) {
    FileGuard guard;
    if (const Win32Error rc = files.ReadGuard(path, guard); rc != err::kSuccess)
        return "the permissions of " + path + " cannot be read, error " + std::to_string(rc);
    if (!trustees.Trusted(guard.owner)) return path + " is owned by " + Name(guard.owner);
    for (const ObjectOwner& writer : guard.writers)
        if (!trustees.Trusted(writer)) return path + " can be changed by " + Name(writer);
    return std::nullopt;
}


}  // namespace

std::string FolderOf(std::string_view path) {
    const auto slash = path.rfind('\\');
    if (slash == std::string_view::npos) return {};
    return std::string(path.substr(0, slash == 2 && path.size() > 1 && path[1] == ':' ? 3 : slash));
}

std::unique_ptr<HeldFile> HoldTrustedProgram(FileSystem& files, SystemInfo& system, std::string_view programPath,
                                            std::string& why) {
    const std::string path(programPath);
    std::unique_ptr<HeldFile> held;
    // Held first: what is checked is what will run.
    if (const Win32Error rc = files.Hold(path, held); rc != err::kSuccess) {
        why = path + " cannot be held open, error " + std::to_string(rc);
        return nullptr;
    }
    const Trustees trustees(system);
    const std::string folder = FolderOf(path);
    for (const std::string& each : {folder, path}) {
        if (each.empty()) continue;
        if (auto reason = Untrusted(files, trustees, each)) {
            why = std::move(*reason);
            return nullptr;
        }
    }
    why.clear();
    return held;
}

}  // namespace zelta
