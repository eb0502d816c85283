// "-install" and "-remove", as the library's registration and an installer run them.
#include "service/service_install.h"

#include <gtest/gtest.h>

#include "service/service_events.h"
#include "tests/support/service_machine.h"

namespace zelta {
namespace {

using testing::ServiceMachine;

class ServiceInstallTest : public ::testing::Test {
protected:
    ServiceInstallTest() { m.SetDword("SetupFlags", 12); }  // the service starts no dialer here
    const sim::ServiceRecord* Record() { return m.host.FindService(kHelperServiceName); }
    bool EventSource() { return m.host.registry().Find(RegistryRoot::LocalMachine, kEventSourceKey) != nullptr; }
    ServiceMachine m;
};

TEST_F(ServiceInstallTest, InstallCreatesConfiguresRegistersAndStartsIt) {
    EXPECT_EQ(m.RunService({"-install"}), 0);
    EXPECT_EQ(m.Stdout(), "ZeltaService: installed and running (\"C:\\Dialer\\ZeltaService.exe\")\n");
    ASSERT_TRUE(Record());
    EXPECT_EQ(Record()->state, ServiceState::Running);
    EXPECT_EQ(Record()->startType, ServiceStartType::Automatic);
    EXPECT_EQ(Record()->displayName, "Zelta VPN Helper");
    EXPECT_EQ(Record()->binaryPath, "\"C:\\Dialer\\ZeltaService.exe\"");
    EXPECT_FALSE(Record()->description.empty());
    EXPECT_EQ(DecodeRegString(m.host.registry().Value(RegistryRoot::LocalMachine, kEventSourceKey, "EventMessageFile")->data),
              "C:\\Dialer\\ZeltaService.exe");
    EXPECT_EQ(m.host.registry().Dword(RegistryRoot::LocalMachine, kEventSourceKey, "TypesSupported"), 7u);
}

TEST_F(ServiceInstallTest, InstallMakesTheFolderAndTheSettingsKeyTheAdministrators) {
    // Installed into a folder users may write: the install takes that right away again.
    const ObjectOwner users{Principal::Users, "S-1-5-32-545"};
    m.host.files().Guards()["C:\\Dialer"] = FileGuard{users, {users}};
    m.host.files().Guards()["C:\\Dialer\\dial.exe"] = FileGuard{users, {users}};
    ASSERT_EQ(m.RunService({"-install"}), 0) << m.Stdout();
    EXPECT_TRUE(m.host.files().Guards().empty());
    EXPECT_EQ(m.host.files().GuardOf("C:\\Dialer").owner.principal, Principal::Administrators);
    EXPECT_TRUE(m.host.registry().Find(RegistryRoot::LocalMachine, kSettingsKey)->administrators);
}

TEST_F(ServiceInstallTest, AFolderWhosePermissionsCannotBeSetFailsTheInstall) {
    m.host.faults().Inject("SetNamedSecurityInfo", err::kAccessDenied, "C:\\Dialer");
    EXPECT_EQ(m.RunService({"-install"}), 1);
    EXPECT_EQ(m.Stdout(), "ZeltaService: installed, but the permissions of C:\\Dialer cannot be set, error 5: Access is denied.\n");
}

TEST_F(ServiceInstallTest, ASecondInstallFromElsewhereMovesTheServiceThereAndStaysRunning) {
    ASSERT_EQ(m.RunService({"-install"}), 0);
    m.host.files().Write("C:\\Program Files\\Zelta VPN\\ZeltaService.exe", {});
    const int id = m.host.Launch({"C:\\Program Files\\Zelta VPN\\ZeltaService.exe", {"-install"}, "Administrator", "Default", 0, {}});
    m.host.RunFor(1000);
    EXPECT_EQ(m.host.ExitCode(id), 0);
    EXPECT_EQ(Record()->binaryPath, "\"C:\\Program Files\\Zelta VPN\\ZeltaService.exe\"");
    EXPECT_EQ(Record()->state, ServiceState::Running);
}

TEST_F(ServiceInstallTest, OnlyAnAdministratorInstallsOrRemoves) {
    EXPECT_EQ(m.RunService({"-install"}, "Alice"), 1);
    EXPECT_EQ(m.Stdout(), "ZeltaService: cannot open the service control manager to install, error 5: Access is denied.\n");
    EXPECT_FALSE(Record());
    EXPECT_FALSE(EventSource());
    EXPECT_EQ(m.RunService({"-remove"}, "Alice"), 1);
}

TEST_F(ServiceInstallTest, RemoveStopsAndDeletesItAndASecondRemoveIsHarmless) {
    ASSERT_EQ(m.RunService({"-install"}), 0);
    EXPECT_EQ(m.RunService({"-remove"}), 0);
    EXPECT_FALSE(Record());
    EXPECT_FALSE(EventSource());
    EXPECT_FALSE(m.host.machine().servedPipes.contains(std::string(kServicePipeName)));
    EXPECT_EQ(m.RunService({"-remove"}), 0);
    EXPECT_NE(m.Stdout().find("ZeltaService: not installed; nothing to remove\n"), std::string::npos);
}

TEST_F(ServiceInstallTest, AServiceThatWillNotStopIsMarkedForDeletionAfterABoundedWait) {
    m.host.files().Write("C:\\Dialer\\stubborn.exe", {});
    m.host.AddProgramImage("stubborn.exe", [](sim::SimProcess& p, const std::vector<std::string>&) {
        return static_cast<int>(p.platform().serviceHost.Run(kHelperServiceName, false, [&p](ServiceRuntime& runtime) {
            runtime.ReportStatus(ServiceState::Running);
            for (;;) p.platform().clock.Sleep(60000);  // never looks at its controls
        }));
    });
    sim::ServiceRecord& record = m.host.AddService(std::string(kHelperServiceName), ServiceState::Stopped);
    record.binaryPath = "\"C:\\Dialer\\stubborn.exe\"";
    sim::SimProcess& admin = m.host.NewProcess("sc.exe", "Administrator", "Default");
    std::unique_ptr<ServiceControlManager> manager;
    std::unique_ptr<Service> service;
    admin.platform().services.Connect(manager);
    manager->Open(kHelperServiceName, service_access::kStart, service);
    ASSERT_EQ(service->Start(), err::kSuccess);

    const auto start = m.host.Now();
    EXPECT_EQ(m.RunService({"-remove"}), 1);
    EXPECT_NE(m.Stdout().find("did not stop within 20 seconds"), std::string::npos);
    EXPECT_LE(m.host.Now() - start, 21000u);
    ASSERT_TRUE(Record());
    EXPECT_TRUE(Record()->markedForDelete);
}

TEST_F(ServiceInstallTest, TwoInstallsAtOnceEndWithOneRunningService) {
    const int first = m.host.Launch({"C:\\Dialer\\ZeltaService.exe", {"-install"}, "Administrator", "Default", 0, {}});
    const int second = m.host.Launch({"C:\\Dialer\\ZeltaService.exe", {"-install"}, "SYSTEM", "Default", 0, {}});
    m.host.RunFor(2000);
    EXPECT_EQ(m.host.ExitCode(first), 0);
    EXPECT_EQ(m.host.ExitCode(second), 0);
    EXPECT_EQ(Record()->state, ServiceState::Running);
}

TEST_F(ServiceInstallTest, DeleteEntryTakesTheDialersPhonebookEntryAndIsDoneWhenThereIsNone) {
    m.host.phonebook().entries["Zelta VPN"] = RasEntry{};
    m.host.phonebook().entries["Home ISP"] = RasEntry{};
    EXPECT_EQ(m.RunService({"-delete-entry"}), 0);
    EXPECT_FALSE(m.host.phonebook().entries.contains("Zelta VPN"));
    EXPECT_TRUE(m.host.phonebook().entries.contains("Home ISP"));
    EXPECT_EQ(m.RunService({"-delete-entry"}), 0);
    m.host.phonebook().entries["Zelta VPN"] = RasEntry{};
    m.host.faults().Inject("RasDeleteEntry", err::kAccessDenied);
    EXPECT_EQ(m.RunService({"-delete-entry"}), 1);
    EXPECT_EQ(m.Stdout(), "ZeltaService: phonebook entry \"Zelta VPN\" deleted\n"
                          "ZeltaService: no phonebook entry \"Zelta VPN\"; nothing to delete\n"
                          "ZeltaService: cannot delete the phonebook entry \"Zelta VPN\", error 5\n");
}

TEST_F(ServiceInstallTest, AnyOtherCommandLinePrintsTheUsageAndEndsWith2) {
    EXPECT_EQ(m.RunService({"-help"}), 2);
    EXPECT_EQ(m.RunService({"-install", "-remove"}), 2);
    EXPECT_EQ(m.RunService({}), 2);  // started by hand, not by the service control manager
    EXPECT_NE(m.Stdout().find("usage: ZeltaService.exe -install | -remove | -delete-entry"), std::string::npos);
    EXPECT_FALSE(Record());
}

}  // namespace
}  // namespace zelta
