// ZeltaService.exe's command line.
#include "service/service_main.h"

#include "common/log.h"
#include "common/shared_names.h"
#include "platform/text.h"
#include "service/helper_service.h"
#include "service/service_install.h"

namespace zelta {
namespace {

constexpr int kUsageExit = 2;

int Usage(Platform& platform) {
    platform.system.WriteStdout(
        "usage: ZeltaService.exe -install | -remove | -delete-entry\n"
        "  (without arguments it runs only as the service \"ZeltaService\", started by Windows)\n");
    return kUsageExit;
}

// Session notifications exist from Windows XP on; Windows 2000 refuses to be asked for them.
bool HasSessionNotifications(Platform& platform) {
    OsVersion version;
    if (platform.system.QueryOsVersion(version) != err::kSuccess) return false;
    return version.major > 5 || (version.major == 5 && version.minor >= 1);
}

}  // namespace

int ZeltaServiceMain(Platform& platform, const std::vector<std::string>& args) {
    if (args.size() == 1 && EqualsNoCase(args[0], "-install")) return InstallService(platform);
    if (args.size() == 1 && EqualsNoCase(args[0], "-remove")) return RemoveService(platform);
    if (args.size() == 1 && EqualsNoCase(args[0], "-delete-entry")) return DeleteDialEntry(platform);
    if (!args.empty()) return Usage(platform);

    Log log(platform);
    HelperService service(platform, log, HasSessionNotifications(platform));
    const Win32Error rc = platform.serviceHost.Run(kHelperServiceName, HasSessionNotifications(platform),
                                                   [&service](ServiceRuntime& runtime) { service.Run(runtime); });
    if (rc == service_error::kFailedServiceControllerConnect) return Usage(platform);
    if (rc != err::kSuccess) {
        platform.system.WriteStdout("ZeltaService: cannot reach the service control manager, error " +
                                    std::to_string(rc) + "\n");
        return 1;
    }
    return 0;
}

}  // namespace zelta
