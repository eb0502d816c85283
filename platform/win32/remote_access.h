// The real RemoteAccess: the wide Ras* calls on the default phonebook.
#pragma once

#include "platform/remote_access.h"

namespace zelta::win32 {

class Win32RemoteAccess final : public RemoteAccess {
public:
    Win32Error ValidateEntryName(std::string_view entry) override;
    Win32Error GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) override;
    Win32Error SetEntryProperties(std::string_view entry, const RasEntry& value) override;
    Win32Error EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) override;
    Win32Error DeleteEntry(std::string_view phonebook, std::string_view entry) override;
    Win32Error GetEntryDialParams(std::string_view phonebook, std::string_view entry, RasDialParams& out,
                                  bool& passwordSaved) override;
    Win32Error SetEntryDialParams(std::string_view phonebook, const RasDialParams& params, bool removePassword) override;
    Win32Error SetPresharedKey(std::string_view entry, const SecretBuffer& key) override;
    Win32Error Dial(const RasDialParams& params, bool customDial, WindowHandle notifier,
                    RasConnectionHandle& out) override;
    Win32Error DialWith(const RasDialExtensions& extensions, std::string_view phonebook, const RasDialParams& params,
                        RasNotifier notifier, RasConnectionHandle& out) override;
    Win32Error HangUp(RasConnectionHandle connection) override;
    Win32Error GetConnectStatus(RasConnectionHandle connection, std::uint32_t& state, Win32Error& error) override;
    Win32Error GetIpProjection(RasConnectionHandle connection, std::string& clientAddress,
                               std::string& serverAddress) override;
    Win32Error ConnectionStatistics(RasConnectionHandle connection, RasStatistics& out) override;
    Win32Error EnumConnections(RasConnForm form, std::size_t capacity, std::vector<RasConnection>& out) override;
    bool ErrorString(Win32Error code, std::string& out) override;
};

}  // namespace zelta::win32
