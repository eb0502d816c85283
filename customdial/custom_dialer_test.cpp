// zeltavpn.dll's entry points, loaded into a simulated process as the remote-access manager and
// regsvr32 load it: the pass-through dial, the dial dialog, the properties dialog, and registration.
#include "customdial/custom_dialer.h"
#include "customdial/credentials_dialog.h"

#include <gtest/gtest.h>

#include "common/shared_names.h"
#include "tests/support/settings_machine.h"
#include "customdial/resource.h"
#include "customdial/zeltavpn_resources.h"
#include "platform/text.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

constexpr const char* kLibraryPath = "C:\\Dialer\\zeltavpn.dll";
constexpr std::string_view kRasman = "SYSTEM\\CurrentControlSet\\Services\\Rasman\\Parameters";

class CustomDialerTest : public ::testing::Test {
protected:
    CustomDialerTest() {
        m.CreateKey();
        m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        m.SetString("SETUPIP", "10.1.0.1");
        m.SetDword("DEBUG", 31);
        m.host.files().AddDirectory("C:\\Dialer");
        AdapterInfo wlan;
        wlan.Index = 3;
        wlan.Type = 6;
        wlan.AdapterName = "{WLAN}";
        wlan.IpAddressList = {{"10.1.2.34", "255.255.0.0"}};
        m.host.AddAdapter(wlan);
        RasEntry entry;
        entry.szCustomDialDll = kLibraryPath;
        m.host.phonebook().entries[std::string(kEntryName)] = entry;
        m.host.phonebook().dialParams[std::string(kEntryName)] = sim::SavedDialParams{"alice", "", false, ""};
        m.host.machine().vpnServer.accepts["alice"] = "s3cret";
        m.host.machine().vpnServer.projection = std::make_pair("10.9.9.9", "10.1.0.1");
        m.host.registry().Create(RegistryRoot::LocalMachine, kRasman);
        m.host.AddLibraryImage(
            "zeltavpn.dll",
            [this](Platform& platform, const std::string& path, std::uintptr_t module) {
                auto library = std::make_unique<CustomDialer>(platform, path, module);
                loaded = library.get();
                libraryPlatform = &platform;
                return library;
            },
            ZeltavpnResources());
    }

    // Loads the library into a process the test drives from its own thread.
    CustomDialer& Load(std::string path = kLibraryPath) {
        m.process.LoadLibrary(path);
        return *loaded;
    }

    // Runs the dial dialog in a program of its own, which waits in the dialog for the test's user.
    sim::SimProcess& OpenDialDialog(RasDialDlgInfo& info, bool& result) {
        return m.host.Start("rasphone.exe", "Alice", [&info, &result](sim::SimProcess& p) {
            result = p.LoadLibrary(kLibraryPath)->RasCustomDialDlg("", std::string(kEntryName), std::nullopt, &info);
            return 0;
        });
    }
    sim::SimWindow& Dialog() {
        sim::SimWindow* window = m.host.desktop().Top();
        if (!window) throw std::runtime_error("no dialog is open");
        return *window;
    }
    void User(std::function<void(sim::SimWindow&)> action) {
        Dialog().Post(std::move(action));
        m.host.RunFor(0);
    }

    std::vector<std::uint8_t> CustomDll() {
        const auto value = m.host.registry().Value(RegistryRoot::LocalMachine, kRasman, "CustomDLL");
        return value ? value->data : std::vector<std::uint8_t>{};
    }
    bool HasCustomDll() { return m.host.registry().Value(RegistryRoot::LocalMachine, kRasman, "CustomDLL").has_value(); }
    std::vector<std::string> Started() {
        std::vector<std::string> lines;
        for (const auto& run : m.host.commands())
            if (!run.waited) lines.push_back(run.commandLine);
        return lines;
    }
    std::string CdialLog() { return m.host.files().Text("C:\\cdial.log").value_or("<no file>"); }

    SettingsMachine m;
    CustomDialer* loaded = nullptr;
    Platform* libraryPlatform = nullptr;  // the platform as the library sees it (its own dialogs)
};

TEST_F(CustomDialerTest, TheDebugLogIsWrittenOnlyWithADebugMask) {
    Load();
    EXPECT_NE(CdialLog().find("CustomDial DLLMain (instance: 0x10000000) called - Process Attach\r\n"), std::string::npos);
    m.process.UnloadLibraries();
    EXPECT_NE(CdialLog().find("called - Process Detach\r\n"), std::string::npos);

    m.host.files().Files().erase("C:\\cdial.log");
    m.SetDword("DEBUG", 0);
    CustomDialer& quiet = Load();
    RasConnectionHandle connection;
    quiet.RasCustomHangUp(connection);
    EXPECT_EQ(CdialLog(), "<no file>");
}

TEST_F(CustomDialerTest, ADebugLogThatIsAHardLinkIsNeverWrittenAndTheLibraryGoesOn) {
    // A user links the drive root's log to a file of the system's: no line of the library lands there.
    m.host.files().WriteText("C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 localhost\r\n");
    m.host.files().AddHardLink("C:\\cdial.log", "C:\\WINDOWS\\system32\\drivers\\etc\\hosts");
    CustomDialer& library = Load();
    RasConnectionHandle connection;
    EXPECT_EQ(library.RasCustomHangUp(connection), m.process.platform().remoteAccess.HangUp(connection));
    EXPECT_EQ(m.host.files().Text("C:\\WINDOWS\\system32\\drivers\\etc\\hosts"), "127.0.0.1 localhost\r\n");
    EXPECT_FALSE(m.host.machine().debugOutput.empty());  // the debugger still hears it
}

TEST_F(CustomDialerTest, DialsPassThroughWithTheCustomDialMarkAdded) {
    CustomDialer& library = Load();
    RasConnectionHandle connection;
    EXPECT_EQ(library.RasCustomDial(nullptr, "", nullptr, RasNotifier{}, connection), ras_error::kUnknown);

    RasDialParams params;
    params.szEntryName = std::string(kEntryName);
    params.szUserName = "alice";
    params.szPassword.Assign("s3cret");
    EXPECT_EQ(library.RasCustomDial(nullptr, "", &params, RasNotifier{}, connection), err::kSuccess);  // synchronous
    ASSERT_TRUE(m.host.machine().vpnServer.lastExtensions);
    EXPECT_EQ(m.host.machine().vpnServer.lastExtensions->dwSize, 28u);
    EXPECT_EQ(m.host.machine().vpnServer.lastExtensions->dwfOptions, kRasCustomDialOption);
    EXPECT_EQ(library.RasCustomHangUp(connection), err::kSuccess);

    RasDialExtensions extensions;
    extensions.dwfOptions = 0x00000011;
    extensions.hwndParent = 0x1234;
    EXPECT_EQ(library.RasCustomDial(&extensions, "", &params, RasNotifier{}, connection), err::kSuccess);
    EXPECT_EQ(m.host.machine().vpnServer.lastExtensions->dwfOptions, 0x00001011u);
    EXPECT_EQ(m.host.machine().vpnServer.lastExtensions->hwndParent, 0x1234u);
    EXPECT_NE(CdialLog().find("--- RasCustomDial RasDialParams: E: 'Zelta VPN' UN: 'alice' D: ''\r\n"), std::string::npos);

    // A RasDial without the mark from another program reaches the library's RasCustomDial.
    m.host.files().Files().erase("C:\\cdial.log");
    RasDialExtensions plain;
    EXPECT_EQ(m.process.platform().remoteAccess.DialWith(plain, "", params, RasNotifier{}, connection), err::kSuccess);
    EXPECT_NE(CdialLog().find("RasCustomDial called in customdial.dll\r\n"), std::string::npos);
}

TEST_F(CustomDialerTest, TheDialDialogAsksForThePasswordUnderTheSavedNameAndStoresItAfterTheDial) {
    RasDialDlgInfo info{WindowHandle{0x777}, 0, 0, 0, 0, 0};
    bool result = false;
    sim::SimProcess& host = OpenDialDialog(info, result);
    sim::SimWindow& dialog = Dialog();
    EXPECT_EQ(dialog.Title(), "Zelta VPN Dialer");
    EXPECT_EQ(dialog.ControlText(IDC_CREDENTIALS_USER_NAME), "alice");
    EXPECT_EQ(dialog.ControlText(IDC_CREDENTIALS_PASSWORD), "");
    EXPECT_EQ(dialog.focus(), IDC_CREDENTIALS_USER_NAME);
    // Centred on the 1024 x 768 screen: 223 x 47 dialog units are 334 x 76 pixels.
    EXPECT_EQ(dialog.Bounds(), (ScreenRect{345, 346, 679, 422}));
    User([](sim::SimWindow& w) {
        w.SetControlText(IDC_CREDENTIALS_PASSWORD, "s3cret");
        w.Command(dialog_result::kOk);
    });
    m.host.RunFor(5000);
    EXPECT_TRUE(host.HasEnded());
    EXPECT_TRUE(result);
    EXPECT_FALSE(info.hwndOwner);
    const auto& saved = m.host.phonebook().dialParams.at(std::string(kEntryName));
    EXPECT_TRUE(saved.passwordSaved);
    EXPECT_EQ(saved.password, "s3cret");
    EXPECT_EQ(m.host.machine().connections.size(), 1u);
}

TEST_F(CustomDialerTest, TheDialDialogOpensWhereAskedAndACancelDialsNothing) {
    RasDialDlgInfo info{WindowHandle{0x777}, kRasDialDlgPosition, 100, 50, 0, 0};
    bool result = true;
    OpenDialDialog(info, result);
    EXPECT_EQ(Dialog().Bounds().left, 100);
    EXPECT_EQ(Dialog().Bounds().top, 50);
    User([](sim::SimWindow& w) { w.Command(dialog_result::kCancel); });
    EXPECT_FALSE(result);
    EXPECT_FALSE(info.hwndOwner);
    EXPECT_EQ(info.dwError, 0u);
    EXPECT_TRUE(m.host.machine().connections.empty());
    EXPECT_NE(CdialLog().find("--- DialogBox Failed (or cancelled) in RasCustomDialDlg (GetLastError = 0)\r\n"),
              std::string::npos);
}

TEST_F(CustomDialerTest, AWrongPasswordHangsUpAndReportsTheDialError) {
    RasDialDlgInfo info{WindowHandle{0x777}, 0, 0, 0, 0, 0};
    bool result = true;
    OpenDialDialog(info, result);
    User([](sim::SimWindow& w) {
        w.SetControlText(IDC_CREDENTIALS_PASSWORD, "wrong");
        w.Command(dialog_result::kOk);
    });
    m.host.RunFor(5000);
    EXPECT_FALSE(result);
    EXPECT_EQ(info.dwError, ras_error::kAuthenticationFailure);
    EXPECT_FALSE(m.host.phonebook().dialParams.at(std::string(kEntryName)).passwordSaved);
}

TEST_F(CustomDialerTest, WithoutAnOwnerOrForThePropertiesTheDialerProgramStarts) {
    CustomDialer& library = Load();
    RasDialDlgInfo info;
    EXPECT_FALSE(library.RasCustomDialDlg("", std::string(kEntryName), std::nullopt, nullptr));
    EXPECT_TRUE(Started().empty());
    EXPECT_FALSE(library.RasCustomDialDlg("", std::string(kEntryName), std::nullopt, &info));
    EXPECT_FALSE(library.RasCustomEntryDlg("", kEntryName));
    EXPECT_EQ(Started(), (std::vector<std::string>{"C:\\Dialer\\dial.exe", "C:\\Dialer\\dial.exe"}));
    EXPECT_NE(CdialLog().find("Launched process C:\\Dialer\\dial.exe\r\n"), std::string::npos);

    m.SetString("ZeltaVPNPath", "C:\\Program Files\\Zelta\\dial.exe");
    library.LaunchDialer();
    EXPECT_EQ(Started().back(), "\"C:\\Program Files\\Zelta\\dial.exe\"");
    m.SetString("ZeltaVPNPath", "C:\\" + std::string(300, 'd') + ".exe");
    library.LaunchDialer();
    EXPECT_EQ(Started().size(), 3u);
}

TEST_F(CustomDialerTest, RegisteringAddsThePathOnceAfterOtherLibrariesAndInstallsTheService) {
    CustomDialer& library = Load();
    EXPECT_EQ(library.DllRegisterServer(), kSOk);
    EXPECT_EQ(CustomDll().size(), std::string(kLibraryPath).size() * 2 + 4);
    EXPECT_EQ(library.DllRegisterServer(), kSOk);
    EXPECT_EQ(CustomDll(), EncodeRegMultiString({kLibraryPath}));
    EXPECT_EQ(Started(), (std::vector<std::string>{"C:\\Dialer\\ZeltaService.exe -install",
                                                   "C:\\Dialer\\ZeltaService.exe -install"}));

    m.host.registry().SetValue(RegistryRoot::LocalMachine, kRasman, "CustomDLL", RegType::MultiString,
                               EncodeRegMultiString({"C:\\Other\\other.dll", "C:\\DIALER\\ZELTAVPN.DLL"}));
    EXPECT_EQ(library.DllRegisterServer(), kSOk);  // already there, whatever the case
    m.host.registry().SetValue(RegistryRoot::LocalMachine, kRasman, "CustomDLL", RegType::MultiString,
                               EncodeRegMultiString({"C:\\Other\\other.dll"}));
    EXPECT_EQ(library.DllRegisterServer(), kSOk);
    EXPECT_EQ(CustomDll(), EncodeRegMultiString({"C:\\Other\\other.dll", kLibraryPath}));
}

TEST_F(CustomDialerTest, UnregisteringRemovesThePathTheEntryAndTheService) {
    CustomDialer& library = Load();
    library.DllRegisterServer();
    EXPECT_EQ(library.DllUnregisterServer(), kSOk);
    EXPECT_FALSE(HasCustomDll());  // it was the only path
    EXPECT_FALSE(m.host.phonebook().entries.contains(std::string(kEntryName)));
    EXPECT_EQ(Started().back(), "C:\\Dialer\\ZeltaService.exe -remove");

    m.host.registry().SetValue(RegistryRoot::LocalMachine, kRasman, "CustomDLL", RegType::MultiString,
                               EncodeRegMultiString({"C:\\a.dll", kLibraryPath, "C:\\b.dll"}));
    EXPECT_EQ(library.DllUnregisterServer(), kSOk);
    EXPECT_EQ(CustomDll(), EncodeRegMultiString({"C:\\a.dll", "C:\\b.dll"}));
    EXPECT_EQ(library.DllUnregisterServer(), kSOk);  // not listed: the value stays, the rest still runs
    EXPECT_EQ(CustomDll(), EncodeRegMultiString({"C:\\a.dll", "C:\\b.dll"}));
    EXPECT_NE(CdialLog().find("--- RasDeleteEntry failed in DllUnregisterServer: Error = 623\r\n"), std::string::npos);
    EXPECT_EQ(Started().size(), 4u);
}

TEST_F(CustomDialerTest, AnInstallationPathWithSpacesIsQuotedOnTheServiceCommandLine) {
    CustomDialer& library = Load("C:\\Program Files\\Zelta\\zeltavpn.dll");
    m.host.registry().DeleteKey(RegistryRoot::LocalMachine, kRasman);
    EXPECT_EQ(library.DllRegisterServer(), kEUnexpected);  // no Rasman key: the service is still installed
    EXPECT_EQ(Started(), (std::vector<std::string>{"\"C:\\Program Files\\Zelta\\ZeltaService.exe\" -install"}));
}

TEST_F(CustomDialerTest, TheCredentialsDialogCutsLongAnswersAndWithoutABlockWritesNothing) {
    int withoutBlock = -1;
    std::string user, password;
    m.host.Start("rasphone.exe", "Alice", [&](sim::SimProcess& p) {
        p.LoadLibrary(kLibraryPath);
        Platform& library = *libraryPlatform;
        CredentialsDialog empty(library.dialogs, nullptr);
        withoutBlock = library.dialogs.DoModal(IDD_CREDENTIALS, empty);
        CredentialsBlock block{RasDialDlgInfo{}, RasDialParams{}};
        CredentialsDialog dialog(library.dialogs, &block);
        library.dialogs.DoModal(IDD_CREDENTIALS, dialog);
        user = block.params.szUserName;
        password = std::string(block.params.szPassword.View());
        return 0;
    });
    EXPECT_EQ(Dialog().ControlText(IDC_CREDENTIALS_USER_NAME), "");
    User([](sim::SimWindow& w) { w.Command(dialog_result::kOk); });  // nothing to write into
    EXPECT_EQ(withoutBlock, 1);
    User([](sim::SimWindow& w) {
        w.SetControlText(IDC_CREDENTIALS_USER_NAME, std::string(300, 'u'));
        w.SetControlText(IDC_CREDENTIALS_PASSWORD, std::string(300, 'p'));
        w.Command(dialog_result::kOk);
    });
    EXPECT_EQ(user, std::string(256, 'u'));
    EXPECT_EQ(password, std::string(256, 'p'));
}

TEST(CustomDialerText, CommandLinesQuoteOnlyUnquotedPathsWithSpacesAndCutsKeepWholeCharacters) {
    EXPECT_EQ(QuotedCommandLine("C:\\Dialer\\dial.exe"), "C:\\Dialer\\dial.exe");
    EXPECT_EQ(QuotedCommandLine("C:\\Program Files\\Zelta\\dial.exe"), "\"C:\\Program Files\\Zelta\\dial.exe\"");
    EXPECT_EQ(QuotedCommandLine("\"C:\\Program Files\\dial.exe\" -x"), "\"C:\\Program Files\\dial.exe\" -x");
    EXPECT_EQ(QuotedCommandLine("C:\\Program Files\\ZeltaService.exe", "-remove"),
              "\"C:\\Program Files\\ZeltaService.exe\" -remove");
    EXPECT_EQ(FirstCharacters("h\xC3\xA9llo", 2), "h\xC3\xA9");  // two characters, three bytes
    EXPECT_EQ(FirstCharacters("abc", 5), "abc");
}

}  // namespace
}  // namespace zelta
