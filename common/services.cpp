// Windows services: existence probe.
#include "common/services.h"

namespace zelta {

int ServiceExists(Platform& platform, std::string_view name) {
    std::unique_ptr<ServiceControlManager> manager;
    if (platform.services.Connect(manager) != err::kSuccess) return 0;
    std::unique_ptr<Service> service;
    return manager->Open(name, service_access::kQueryStatus, service) == err::kSuccess ? 1 : 0;
}

}  // namespace zelta
