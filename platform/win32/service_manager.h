// The real ServiceManager: OpenSCManager, OpenService, QueryServiceStatus.
#pragma once

#include "platform/service_manager.h"

namespace zelta::win32 {

class Win32ServiceManager final : public ServiceManager {
public:
    Win32Error Connect(std::unique_ptr<ServiceControlManager>& out) override;
    Win32Error ConnectToCreate(std::unique_ptr<ServiceControlManager>& out) override;
};

}  // namespace zelta::win32
