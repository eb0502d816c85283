// The pipe's two ends, the service-side calls and their answers, against a real (Wine) Windows.
#include <winsock2.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32/handles.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace zelta::win32 {
namespace {

std::string PipeName(const char* what) {
    return "\\\\.\\pipe\\zelta-test-" + std::string(what) + "-" + std::to_string(::GetCurrentProcessId());
}

// The helper service's descriptor, written out here so that a change on either side shows.
PipeSecurity ServiceLikeSecurity() {
    return PipeSecurity{Principal::LocalSystem,
                        {{false, Principal::NetworkLogons, pipe_access::kFullControl},
                         {true, Principal::LocalSystem, pipe_access::kFullControl},
                         {true, Principal::Administrators, pipe_access::kFullControl},
                         {true, Principal::InteractiveUsers, pipe_access::kReadWrite}}};
}

// As the helper service serves: eight instances, requests of up to 65 bytes, a second's silence.
constexpr PipeServing kServing{8, 65, 1000};

class PipeTest : public ::testing::Test {
protected:
    UniqueObject control{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    Win32NamedPipe pipes{control.Get()};
};

TEST_F(PipeTest, TheDescriptorReadsBackWithItsOwnerAndEveryEntryInOrder) {
    const std::string name = PipeName("sd");
    std::unique_ptr<PipeServerEnd> server;
    ASSERT_EQ(pipes.CreateServer(name, ServiceLikeSecurity(), kServing, server), err::kSuccess);

    UniqueFile handle(::CreateFileW(Wide(name).c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(handle);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(handle.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, nullptr, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    UniqueLocal freed(descriptor);
    wchar_t* text = nullptr;
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr));
    UniqueLocal freedText(text);
    // Owner SYSTEM; the network denied first; SYSTEM and administrators in full; interactive users
    // FILE_GENERIC_READ | FILE_GENERIC_WRITE without FILE_CREATE_PIPE_INSTANCE.
    EXPECT_EQ(Narrow(text), "O:SYD:(D;;FA;;;NU)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x12019b;;;IU)");
}

TEST_F(PipeTest, ARequestIsAnsweredAndTheServerLearnsWhoAsked) {
    const std::string name = PipeName("transact");
    std::unique_ptr<PipeServerEnd> server;
    ASSERT_EQ(pipes.CreateServer(name, ServiceLikeSecurity(), kServing, server), err::kSuccess);
    std::unique_ptr<PipeServerEnd> squatter;
    EXPECT_NE(pipes.CreateServer(name, ServiceLikeSecurity(), kServing, squatter), err::kSuccess);  // the first instance is taken

    std::vector<std::uint8_t> received;
    PipeClient client;
    Win32Error readResult = 1, identifyResult = 1;
    std::thread service([&] {
        std::unique_ptr<PipeConnection> connection;
        if (server->WaitForClient(10000, connection) != err::kSuccess) return;
        readResult = connection->Read(received);
        identifyResult = connection->Identify(client);
        const std::uint8_t done = 0;
        connection->Write({&done, 1});
    });

    std::unique_ptr<PipeClientEnd> end;
    ASSERT_EQ(pipes.Open(name, 5000, end), err::kSuccess);
    PipeOwner owner;
    ASSERT_EQ(end->Owner(owner), err::kSuccess);
    EXPECT_EQ(owner.principal, Principal::LocalSystem);
    EXPECT_EQ(owner.sid, "S-1-5-18");
    const std::uint8_t request[] = {2, '1', '0', '.', '1', '.', '0', '.', '1'};
    std::vector<std::uint8_t> reply;
    EXPECT_EQ(end->Transact(request, 1024, reply), err::kSuccess);
    service.join();
    EXPECT_EQ(reply, std::vector<std::uint8_t>{0});
    EXPECT_EQ(readResult, err::kSuccess);
    EXPECT_EQ(received, std::vector<std::uint8_t>(std::begin(request), std::end(request)));
    EXPECT_EQ(identifyResult, err::kSuccess);
    EXPECT_NE(client.account.find('\\'), std::string::npos) << client.account;  // DOMAIN\name
    EXPECT_FALSE(client.network);
    EXPECT_TRUE(client.ownAccount);  // under Wine every process runs as the one user
}

TEST_F(PipeTest, APipeMadeWithoutAnOwnerBelongsToItsCreatorAndNamesNoWellKnownPrincipal) {
    const std::string name = PipeName("creator");
    std::unique_ptr<PipeServerEnd> server;
    ASSERT_EQ(pipes.CreateServer(name, {std::nullopt, {{true, Principal::Everyone, pipe_access::kFullControl}}}, kServing, server),
              err::kSuccess);
    std::unique_ptr<PipeClientEnd> end;
    ASSERT_EQ(pipes.Open(name, pipe_wait::kNoWait, end), err::kSuccess);
    PipeOwner owner;
    ASSERT_EQ(end->Owner(owner), err::kSuccess);
    // Wine's processes run as an ordinary user, so it is neither the system nor the Administrators group.
    EXPECT_FALSE(owner.principal == Principal::LocalSystem || owner.principal == Principal::Administrators) << owner.sid;
    EXPECT_EQ(owner.sid.rfind("S-1-5-", 0), 0u) << owner.sid;
}

TEST_F(PipeTest, AnOversizedRequestIsCutAndABusyPipeIsRefusedWithoutWaiting) {
    const std::string name = PipeName("long");
    std::unique_ptr<PipeServerEnd> server;
    ASSERT_EQ(pipes.CreateServer(name, ServiceLikeSecurity(), PipeServing{1, 65, 1000}, server), err::kSuccess);
    std::vector<std::uint8_t> received;
    Win32Error readResult = 1;
    Win32Error busyResult = 1;
    std::thread service([&] {
        std::unique_ptr<PipeConnection> connection;
        if (server->WaitForClient(10000, connection) != err::kSuccess) return;
        // While this client holds the only instance, nobody else gets in.
        std::unique_ptr<PipeClientEnd> second;
        busyResult = pipes.Open(name, pipe_wait::kNoWait, second);
        readResult = connection->Read(received);
        const std::uint8_t failed = 0xFF;
        connection->Write({&failed, 1});
    });
    std::unique_ptr<PipeClientEnd> end;
    ASSERT_EQ(pipes.Open(name, 5000, end), err::kSuccess);
    const std::vector<std::uint8_t> request(300, 'x');
    std::vector<std::uint8_t> reply;
    EXPECT_EQ(end->Transact(request, 1024, reply), err::kSuccess);
    service.join();
    EXPECT_EQ(readResult, err::kMoreData);
    EXPECT_EQ(received.size(), 65u);
    EXPECT_EQ(busyResult, err::kPipeBusy);
    EXPECT_EQ(reply, std::vector<std::uint8_t>{0xFF});
}

// A client that opens the pipe and writes `request` on its own thread once `delayMs` have passed.
Win32Error TransactLater(Win32NamedPipe& pipes, const std::string& name, DWORD delayMs,
                         std::vector<std::uint8_t> request, std::vector<std::uint8_t>& reply) {
    std::unique_ptr<PipeClientEnd> end;
    if (const Win32Error rc = pipes.Open(name, 5000, end)) return rc;
    ::Sleep(delayMs);
    return end->Transact(request, 1024, reply);
}

TEST_F(PipeTest, SilentClientsHoldOnlyTheirOwnInstancesForASecondAndAControlEndsAWaitAtOnce) {
    const std::string name = PipeName("silent");
    std::unique_ptr<PipeServerEnd> server;
    ASSERT_EQ(pipes.CreateServer(name, ServiceLikeSecurity(), PipeServing{4, 65, 1000}, server), err::kSuccess);

    std::unique_ptr<PipeClientEnd> silent[3];
    for (auto& end : silent) ASSERT_EQ(pipes.Open(name, 5000, end), err::kSuccess);
    std::vector<std::uint8_t> reply;
    Win32Error clientResult = 1;
    std::thread client([&] { clientResult = TransactLater(pipes, name, 100, {1, 0}, reply); });

    // The talking client is handed over first, long before the silent ones' second is up.
    const DWORD before = ::GetTickCount();
    std::unique_ptr<PipeConnection> connection;
    ASSERT_EQ(server->WaitForClient(5000, connection), err::kSuccess);
    EXPECT_LT(::GetTickCount() - before, 900u);
    std::vector<std::uint8_t> received;
    EXPECT_EQ(connection->Read(received), err::kSuccess);
    EXPECT_EQ(received, (std::vector<std::uint8_t>{1, 0}));
    const std::uint8_t done = 0;
    EXPECT_EQ(connection->Write({&done, 1}), err::kSuccess);
    connection.reset();
    client.join();
    EXPECT_EQ(clientResult, err::kSuccess);
    EXPECT_EQ(reply, std::vector<std::uint8_t>{0});

    // Then each silent one, after its second, as said nothing.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(server->WaitForClient(5000, connection), err::kSuccess);
        EXPECT_EQ(connection->Read(received), pipe_error::kWaitTimeout);
        connection.reset();
    }
    EXPECT_GE(::GetTickCount() - before, 950u);
    EXPECT_LT(::GetTickCount() - before, 3000u);
    for (auto& end : silent) end.reset();

    // The instances are free again: a second client round goes through.
    std::thread again([&] { clientResult = TransactLater(pipes, name, 0, {4, 0}, reply); });
    ASSERT_EQ(server->WaitForClient(5000, connection), err::kSuccess);
    EXPECT_EQ(connection->Read(received), err::kSuccess);
    connection->Write({&done, 1});
    connection.reset();
    again.join();
    EXPECT_EQ(clientResult, err::kSuccess);

    EXPECT_EQ(server->WaitForClient(200, connection), pipe_error::kWaitTimeout);
    ::SetEvent(control.Get());
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(server->WaitForClient(30000, connection), pipe_error::kOperationAborted);
    EXPECT_LT(::GetTickCount() - start, 5000u);
}

TEST(Win32ServiceCalls, WhatTheServiceAsksOfTheSystemAnswers) {
    Win32Platform os;
    Platform& p = os.platform();
    std::string program;
    ASSERT_EQ(p.system.ProgramPath(program), err::kSuccess);
    EXPECT_NE(program.find(".exe"), std::string::npos) << program;
    p.system.ConsoleSession();  // Wine answers; a Windows 2000 without the call answers 0

    const std::string mutex = "zelta-test-exists-" + std::to_string(::GetCurrentProcessId());
    EXPECT_FALSE(p.instance.MutexExists(mutex, 0));
    ASSERT_EQ(p.instance.ClaimMutex(mutex), err::kSuccess);
    DWORD session = 0, size = 0;
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    ::GetTokenInformation(token, TokenSessionId, &session, sizeof session, &size);
    ::CloseHandle(token);
    EXPECT_TRUE(p.instance.MutexExists(mutex, session));

    EXPECT_EQ(p.processes.StartInSession("cmd.exe /c exit 0", session, "winsta0\\default"), err::kSuccess);
    EXPECT_EQ(p.processes.StartInSession("\"C:\\nowhere\\dial.exe\"", session, "winsta0\\default"), err::kFileNotFound);

    const std::string strings[] = {"a test record"};
    EXPECT_EQ(p.eventLog.Report("ZeltaTest", EventType::Information, 0x40000064, strings), err::kSuccess);
    // Not started by the service control manager: the dispatcher says so at once.
    EXPECT_EQ(p.serviceHost.Run("ZeltaTest", false, [](ServiceRuntime&) {}),
              service_error::kFailedServiceControllerConnect);
}

TEST(Win32ServiceCalls, AServiceIsCreatedUpdatedDescribedAndDeleted) {
    Win32Platform os;
    Platform& p = os.platform();
    std::unique_ptr<ServiceControlManager> scm;
    ASSERT_EQ(p.services.ConnectToCreate(scm), err::kSuccess);
    const std::string name = "ZeltaTestService" + std::to_string(::GetCurrentProcessId());
    using namespace service_access;
    const ServiceConfig config{"Zelta Test", "\"C:\\nowhere\\test.exe\"", ServiceStartType::Demand};
    std::unique_ptr<Service> service;
    ASSERT_EQ(scm->Create(name, config, kQueryStatus | kQueryConfig | kChangeConfig | kDelete, service), err::kSuccess);
    std::unique_ptr<Service> again;
    EXPECT_EQ(scm->Create(name, config, kQueryStatus, again), service_error::kServiceExists);
    EXPECT_EQ(service->ChangeConfig({"Zelta Test", "\"C:\\elsewhere\\test.exe\"", ServiceStartType::Automatic}),
              err::kSuccess);
    ServiceStartType type;
    ASSERT_EQ(service->QueryStartType(type), err::kSuccess);
    EXPECT_EQ(type, ServiceStartType::Automatic);
    EXPECT_EQ(service->SetDescription("A service of the Zelta tests."), err::kSuccess);
    EXPECT_EQ(service->Delete(), err::kSuccess);
}

}  // namespace
}  // namespace zelta::win32
