// The real implementations against a real (Wine) Windows: the answers product code relies on.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

#include "platform/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace zelta::win32 {
namespace {

std::string TempDir() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, path);
    std::string dir = Narrow(std::wstring_view(path, length)) + "zelta-test-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(Wide(dir).c_str(), nullptr);
    return dir;
}

class Win32PlatformTest : public ::testing::Test {
protected:
    Win32Platform os;
    Platform& p = os.platform();
};

TEST_F(Win32PlatformTest, RegistryRoundTripsTypedValuesAndReportsSizes) {
    const std::string path = "SOFTWARE\\ZeltaTest\\" + std::to_string(::GetCurrentProcessId());
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(p.registry.CreateKey(RegistryRoot::LocalMachine, path, RegAccess::All, key), err::kSuccess);
    const auto text = EncodeRegString("C:\\Dialer\\dial.exe");
    const std::uint8_t dword[4] = {13, 0, 0, 0};
    ASSERT_EQ(key->SetValue("ZeltaVPNPath", RegType::String, text), err::kSuccess);
    ASSERT_EQ(key->SetValue("SetupFlags", RegType::Dword, dword), err::kSuccess);

    std::unique_ptr<RegistryKey> reader;
    ASSERT_EQ(p.registry.OpenKey(RegistryRoot::LocalMachine, path, RegAccess::Read, reader), err::kSuccess);
    RegValue value;
    ASSERT_EQ(reader->QueryValue("zeltavpnpath", 2048, value), err::kSuccess);
    EXPECT_EQ(value.type, RegType::String);
    EXPECT_EQ(DecodeRegString(value.data), "C:\\Dialer\\dial.exe");
    EXPECT_EQ(reader->QueryValue("ZeltaVPNPath", 8, value), err::kMoreData);
    ASSERT_EQ(reader->QueryValue("SetupFlags", 4, value), err::kSuccess);
    EXPECT_EQ(value.type, RegType::Dword);
    EXPECT_EQ(value.data[0], 13);
    EXPECT_EQ(reader->QueryValue("Missing", 4, value), err::kFileNotFound);
    EXPECT_EQ(reader->SetValue("IsRunning", RegType::Dword, dword), err::kAccessDenied);

    std::unique_ptr<RegistryKey> parent;
    ASSERT_EQ(p.registry.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\ZeltaTest", RegAccess::All, parent),
              err::kSuccess);
    std::string name;
    ASSERT_EQ(parent->EnumSubKey(0, name), err::kSuccess);
    reader.reset();
    key.reset();
    EXPECT_EQ(parent->DeleteSubKey(std::to_string(::GetCurrentProcessId())), err::kSuccess);
    EXPECT_EQ(p.registry.OpenKey(RegistryRoot::LocalMachine, path, RegAccess::Read, reader), err::kFileNotFound);
}

TEST_F(Win32PlatformTest, FilesAppendInTextModeRenameAndDelete) {
    const std::string dir = TempDir();
    const std::string log = dir + "\\vpn.log";
    const std::string rotated = dir + "\\vpn.log.1";
    p.files.Remove(log);
    p.files.Remove(rotated);

    std::uint64_t size = 0;
    EXPECT_EQ(p.files.SizeOf(log, size), err::kFileNotFound);
    ASSERT_EQ(p.files.AppendText(log, "one\n"), err::kSuccess);
    ASSERT_EQ(p.files.AppendText(log, "two\n"), err::kSuccess);
    ASSERT_EQ(p.files.SizeOf(log, size), err::kSuccess);
    EXPECT_EQ(size, 10u);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(p.files.Read(log, 100, bytes), err::kSuccess);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "one\r\ntwo\r\n");
    EXPECT_EQ(p.files.Read(log, 9, bytes), err::kMoreData);

    ASSERT_EQ(p.files.AppendText(rotated, "old\n"), err::kSuccess);
    EXPECT_EQ(p.files.Rename(log, rotated), err::kAlreadyExists);
    EXPECT_EQ(p.files.Remove(rotated), err::kSuccess);
    EXPECT_EQ(p.files.Rename(log, rotated), err::kSuccess);
    EXPECT_EQ(p.files.SizeOf(log, size), err::kFileNotFound);
    EXPECT_EQ(p.files.AppendText(dir + "\\missing\\vpn.log", "x\n"), err::kPathNotFound);
    p.files.Remove(rotated);
    ::RemoveDirectoryW(Wide(dir).c_str());
}

TEST_F(Win32PlatformTest, APlainLogIsNeverWrittenThroughAHardLinkAndAHeldFileCannotBeReplaced) {
    const std::string dir = TempDir();
    const std::string target = dir + "\\target.txt";
    const std::string link = dir + "\\cdial.log";
    const std::string plain = dir + "\\plain.log";
    for (const auto& path : {target, link, plain}) p.files.Remove(path);

    ASSERT_EQ(p.files.AppendTextPlain(plain, "one\n"), err::kSuccess);  // created, then a plain file
    ASSERT_EQ(p.files.AppendTextPlain(plain, "two\n"), err::kSuccess);
    std::uint64_t size = 0;
    ASSERT_EQ(p.files.SizeOf(plain, size), err::kSuccess);
    EXPECT_EQ(size, 10u);

    ASSERT_EQ(p.files.AppendText(target, "system\n"), err::kSuccess);
    ASSERT_TRUE(::CreateHardLinkW(Wide(link).c_str(), Wide(target).c_str(), nullptr));
    EXPECT_EQ(p.files.AppendTextPlain(link, "planted\n"), err::kCantAccessFile);
    EXPECT_EQ(p.files.AppendTextPlain(target, "planted\n"), err::kCantAccessFile);  // either name: two links
    ASSERT_EQ(p.files.SizeOf(target, size), err::kSuccess);
    EXPECT_EQ(size, 8u);

    // Held: not writable, not renamable, not deletable, until it goes.
    std::unique_ptr<HeldFile> held;
    ASSERT_EQ(p.files.Hold(plain, held), err::kSuccess);
    EXPECT_EQ(p.files.AppendText(plain, "three\n"), err::kSharingViolation);
    EXPECT_NE(p.files.Rename(plain, dir + "\\moved.log"), err::kSuccess);
    EXPECT_NE(p.files.Remove(plain), err::kSuccess);
    held.reset();
    EXPECT_EQ(p.files.AppendText(plain, "three\n"), err::kSuccess);

    FileGuard guard;
    ASSERT_EQ(p.files.ReadGuard(plain, guard), err::kSuccess);
    EXPECT_FALSE(guard.owner.sid.empty());
    ObjectOwner self;
    ASSERT_EQ(p.system.OwnAccount(self), err::kSuccess);
    EXPECT_EQ(self.sid.rfind("S-1-5-", 0), 0u) << self.sid;
    EXPECT_EQ(p.files.ReadGuard(dir + "\\missing.txt", guard), err::kFileNotFound);

    for (const auto& path : {target, link, plain}) p.files.Remove(path);
    ::RemoveDirectoryW(Wide(dir).c_str());
}

TEST_F(Win32PlatformTest, SystemInfoAnswers) {
    OsVersion version;
    ASSERT_EQ(p.system.QueryOsVersion(version), err::kSuccess);
    EXPECT_GE(version.major, 5u);
    std::string text;
    ASSERT_EQ(p.system.AccountName(text), err::kSuccess);
    EXPECT_FALSE(text.empty());
    ASSERT_EQ(p.system.ThreadDesktopName(text), err::kSuccess);
    EXPECT_EQ(text, "Default");
    EXPECT_TRUE(p.system.ErrorText(err::kFileNotFound, text));
    EXPECT_NE(text.find("ile"), std::string::npos) << text;  // "The system cannot find the file..." / Wine: "File not found."
    EXPECT_FALSE(p.system.ErrorText(0x2000'0001, text));
    EXPECT_TRUE(text.empty());
    p.system.DebugOutput("zelta test line\n");
    DWORD own = 0;
    ASSERT_TRUE(::ProcessIdToSessionId(::GetCurrentProcessId(), &own));
    const auto sessions = p.system.Sessions();
    EXPECT_TRUE(std::find(sessions.begin(), sessions.end(), own) != sessions.end());
    EXPECT_TRUE(std::is_sorted(sessions.begin(), sessions.end()));
}

TEST_F(Win32PlatformTest, TheConsoleSessionsUserAndTheWirelessLanApiAnswerWithoutGarbage) {
    DWORD own = 0;
    ASSERT_TRUE(::ProcessIdToSessionId(::GetCurrentProcessId(), &own));
    std::string user;
    ASSERT_EQ(p.system.SessionUser(own, user), err::kSuccess);
    EXPECT_FALSE(user.empty());  // this process's own session has somebody logged on: us

    // No adapter of these names: the API (or its absence) says so, and nothing is made up.
    WlanLink link;
    EXPECT_NE(p.wlan.CurrentLink("{00000000-0000-0000-0000-000000000000}", link), err::kSuccess);
    EXPECT_EQ(p.wlan.CurrentLink("not a GUID", link), err::kNotFound);
    std::vector<WlanBss> scan;
    EXPECT_NE(p.wlan.BssList("{00000000-0000-0000-0000-000000000000}", scan), err::kSuccess);
    EXPECT_TRUE(scan.empty());
}

TEST_F(Win32PlatformTest, TextComparesWithoutRegardToCaseBeyondAToZ) {
    EXPECT_TRUE(p.system.SameTextNoCase(u"C:\\Dialer\\ZELTAVPN.DLL", u"c:\\dialer\\zeltavpn.dll"));
    EXPECT_TRUE(p.system.SameTextNoCase(u"\u00C4\u00D6\u0416", u"\u00E4\u00F6\u0436"));
    EXPECT_FALSE(p.system.SameTextNoCase(u"abc", u"abcd"));
    EXPECT_FALSE(p.system.SameTextNoCase(u"C:\\a.dll", u"C:\\b.dll"));
}

TEST_F(Win32PlatformTest, ClockTicksAndSleeps) {
    LocalTime now;
    ASSERT_TRUE(p.clock.Now(now));
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    const std::uint32_t before = p.clock.TickCount();
    p.clock.Sleep(100);
    EXPECT_GE(p.clock.TickCount() - before, 50u);  // the tick count moves in steps of 10 to 16 ms
}

TEST_F(Win32PlatformTest, ResolverNeedsWinsockAndResolvesLocalhost) {
    Ipv4 address;
    EXPECT_EQ(p.resolver.Resolve("localhost", address), err::kWsaNotInitialised);
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &data), 0);
    ASSERT_EQ(p.resolver.Resolve("localhost", address), err::kSuccess);
    EXPECT_EQ(address.octets[0], 127);
    EXPECT_EQ(p.resolver.Resolve("no-such-host.invalid", address), err::kWsaHostNotFound);
    ::WSACleanup();
}

TEST_F(Win32PlatformTest, ServiceProbeFindsWhatExists) {
    std::unique_ptr<ServiceControlManager> scm;
    ASSERT_EQ(p.services.Connect(scm), err::kSuccess);
    std::unique_ptr<Service> service;
    EXPECT_EQ(scm->Open("ZeltaNoSuchService", service_access::kQueryStatus, service), err::kServiceDoesNotExist);
    ASSERT_EQ(scm->Open("RpcSs", service_access::kQueryStatus, service), err::kSuccess);
    ServiceStatus status;
    EXPECT_EQ(service->QueryStatus(status), err::kSuccess);
}

TEST_F(Win32PlatformTest, PipesWithoutAServerAndMutexesAlreadyHeldAnswerAsTheProductExpects) {
    std::unique_ptr<PipeClientEnd> pipe;
    EXPECT_EQ(p.pipes.Open("\\\\.\\pipe\\zelta-test-nobody", pipe_wait::kNoWait, pipe), err::kFileNotFound);

    const std::string name = "zelta-test-mutex-" + std::to_string(::GetCurrentProcessId());
    EXPECT_EQ(p.instance.ClaimMutex(name), err::kSuccess);
    Win32Instance second;
    EXPECT_EQ(second.ClaimMutex(name), err::kAlreadyExists);

    EXPECT_EQ(p.instance.SharedWindow(), WindowHandle{});
    p.instance.SetSharedWindow(WindowHandle{0x1234});
    EXPECT_EQ(second.SharedWindow(), WindowHandle{0x1234});
    EXPECT_EQ(p.instance.StartWinsock(), err::kSuccess);
    ::WSACleanup();
}

TEST_F(Win32PlatformTest, ProcessesReportExitCodesAndCreationErrors) {
    std::uint32_t exitCode = 99;
    ASSERT_EQ(p.processes.RunAndWait({}, "cmd.exe /c exit 3", exitCode), err::kSuccess);
    EXPECT_EQ(exitCode, 3u);
    EXPECT_EQ(p.processes.RunAndWait({}, "\"C:\\nowhere\\ipseccmd\" -w REG", exitCode), err::kFileNotFound);
    // The program file named apart from the command line: the command line's first word is only text.
    std::string system;
    ASSERT_EQ(p.system.SystemDirectory(system), err::kSuccess);
    ASSERT_EQ(p.processes.RunAndWait(system + "\\cmd.exe", "nothing-of-that-name /c exit 4", exitCode), err::kSuccess);
    EXPECT_EQ(exitCode, 4u);
}

TEST_F(Win32PlatformTest, ServiceConfigurationAndDependantsCanBeRead) {
    std::unique_ptr<ServiceControlManager> scm;
    ASSERT_EQ(p.services.Connect(scm), err::kSuccess);
    std::unique_ptr<Service> service;
    ASSERT_EQ(scm->Open("RpcSs", service_access::kQueryConfig | service_access::kEnumerateDependents, service),
              err::kSuccess);
    ServiceStartType type;
    EXPECT_EQ(service->QueryStartType(type), err::kSuccess);
    std::vector<std::string> dependents;
    EXPECT_EQ(service->ActiveDependents(dependents), err::kSuccess);
}

TEST_F(Win32PlatformTest, AdaptersAndDevicesAnswerWithoutCrashing) {
    std::vector<AdapterInfo> adapters;
    const Win32Error rc = p.ipHelper.AdaptersInfo(adapters);
    EXPECT_TRUE(rc == err::kSuccess || rc == 232) << rc;  // 232: no adapters in this prefix
    std::unique_ptr<Device> device;
    EXPECT_NE(p.deviceIo.Open("\\\\.\\{00000000-no-such-adapter}", device), err::kSuccess);
}

TEST_F(Win32PlatformTest, TheInterfaceTableIsSizedAndReadWithinItsCapacity) {
    std::uint32_t bytes = 0;
    ASSERT_EQ(p.ipHelper.InterfaceTableSize(bytes), err::kSuccess);
    ASSERT_GT(bytes, kInterfaceTableHeaderBytes);
    const std::uint32_t count = (bytes - kInterfaceTableHeaderBytes) / kInterfaceRowBytes;
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(p.ipHelper.InterfaceTable(128, rows), err::kSuccess);
    EXPECT_EQ(rows.size(), count);
    for (const InterfaceRow& row : rows) {
        EXPECT_NE(row.dwIndex, 0u);
        EXPECT_LE(row.bDescr.size(), 255u);
        EXPECT_LE(row.dwPhysAddrLen, 8u);
    }
    if (count > 0) {
        EXPECT_EQ(p.ipHelper.InterfaceTable(0, rows), static_cast<Win32Error>(ERROR_INSUFFICIENT_BUFFER));
    }
}

}  // namespace
}  // namespace zelta::win32
