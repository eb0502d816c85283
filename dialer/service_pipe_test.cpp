// Requests to the helper service: what goes over the pipe, and what its answer means.
#include "dialer/service_pipe.h"

#include <gtest/gtest.h>

#include "tests/support/dialer_machine.h"

namespace zelta {
namespace {

using testing::DialerMachine;
using Bytes = std::vector<std::uint8_t>;

class ServicePipeTest : public ::testing::Test {
protected:
    ServicePipeTest() { settings.Load(); }
    DialerMachine m;
    DialerSettings settings{m.platform, m.log};
};

TEST_F(ServicePipeTest, Request2CarriesTheServerAddressAndTheReplyDecides) {
    auto& service = m.HelperService();
    service.replies[2] = {0x05, 0x77};
    EXPECT_EQ(StartIpsecViaService(settings), 5);
    ASSERT_EQ(service.received.size(), 1u);
    EXPECT_EQ(service.received[0], (Bytes{0x02, '1', '0', '.', '1', '.', '0', '.', '1'}));

    service.replies[2] = {0xFF};  // sign-extended: the service said no
    EXPECT_EQ(StartIpsecViaService(settings), -1);
    service.replies[2] = {};
    EXPECT_EQ(StartIpsecViaService(settings), 0);
    EXPECT_NE(m.LogText().find("CallNamedPipe returned outbuf=-1\r\n"), std::string::npos);
}

TEST_F(ServicePipeTest, AHostNameIsResolvedIntoTheServerAddressFirst) {
    m.HelperService();
    m.process.SetWinsockStartedForTesting(true);
    m.host.AddHostName("vpn.campus.example", Ipv4{{172, 16, 5, 9}});
    settings.dnsName = "vpn.campus.example";
    StartIpsecViaService(settings);
    EXPECT_EQ(settings.setupIp, "172.16.5.9");
    EXPECT_NE(m.LogText().find("DNS lookup resulted from vpn.campus.example to 172.16.5.9\r\n"), std::string::npos);

    settings.dnsName = "9.9.9.9";  // begins with a digit: not looked up
    settings.setupIp = "10.1.0.1";
    StartIpsecViaService(settings);
    EXPECT_EQ(settings.setupIp, "10.1.0.1");

    settings.dnsName = "unknown.example";  // a failed lookup keeps the loaded address
    StartIpsecViaService(settings);
    EXPECT_EQ(settings.setupIp, "10.1.0.1");
    EXPECT_EQ(m.host.FindPipeServer(kServicePipeName)->received.back()[1], '1');
}

TEST_F(ServicePipeTest, AServerAddressTheToolsWouldReadOtherwiseIsNeverSent) {
    auto& service = m.HelperService();
    for (const char* address : {"010.1.0.1", "10.1.0.1 ", "10.1.0", "0x0a.1.0.1", ""}) {
        settings.setupIp = address;
        EXPECT_EQ(StartIpsecViaService(settings), kServerAddressUnusable) << address;
    }
    EXPECT_TRUE(service.received.empty());
    EXPECT_NE(m.LogText().find("\"SETUPIP\" is \"010.1.0.1\", not a dotted quad without leading zeros; Connect stops\r\n"),
              std::string::npos);
    settings.setupIp = "10.0.0.1";  // a single zero is a number, not a prefix
    EXPECT_EQ(StartIpsecViaService(settings), 0);
}

TEST_F(ServicePipeTest, AMissingBusyOrRamblingServiceFailsRequest2) {
    EXPECT_EQ(StartIpsecViaService(settings), -1);
    EXPECT_NE(m.LogText().find("CallNamedPipe failed 2\r\n"), std::string::npos);
    EXPECT_NE(m.LogText().find("error: The system cannot find the file specified.\r\r\n"), std::string::npos);

    auto& service = m.HelperService();
    service.busyUntil = 6000;  // busy for longer than the 5-second wait
    EXPECT_EQ(StartIpsecViaService(settings), -1);
    EXPECT_EQ(m.host.Now(), 5000u);
    EXPECT_NE(m.LogText().find("CallNamedPipe failed 121\r\n"), std::string::npos);
    service.busyUntil = 0;

    service.replies[2] = Bytes(1025, 0x01);  // more than the reply buffer holds
    EXPECT_EQ(StartIpsecViaService(settings), -1);
}

TEST_F(ServicePipeTest, ASlowServiceIsWaitedForAndABusyOneWithinTheWaitIsServed) {
    auto& service = m.HelperService();
    service.busyUntil = 2000;
    service.replyDelay = 700;
    service.replies[2] = {0x01};
    EXPECT_EQ(StartIpsecViaService(settings), 1);
    EXPECT_EQ(m.host.Now(), 2700u);
}

TEST_F(ServicePipeTest, APipeAnybodyButTheSystemOwnsGetsNoRequest) {
    auto& squatter = m.HelperService();
    squatter.owner = "Mallory";
    squatter.replies[2] = {0x00};
    EXPECT_EQ(StartIpsecViaService(settings), -1);
    NotifyServiceDisconnect(m.platform.pipes, m.log);
    EXPECT_TRUE(squatter.received.empty());
    const std::string log = m.LogText();
    EXPECT_NE(log.find("Helper service pipe refused: it belongs to S-1-5-21-"), std::string::npos);
    EXPECT_NE(log.find(", not to the system\r\nDec 07 01:20:06: CallNamedPipe failed 5\r\n"), std::string::npos);

    squatter.owner = "Administrators";  // an administrator's tool standing in for the service is trusted
    EXPECT_EQ(StartIpsecViaService(settings), 0);
    EXPECT_EQ(squatter.received.size(), 1u);
}

TEST_F(ServicePipeTest, Requests1And4AreFireAndForgetWithoutWaiting) {
    NotifyServiceUserStart(m.platform.pipes, m.log);  // nobody listens: silently nothing
    auto& service = m.HelperService();
    service.busyUntil = 10000;
    NotifyServiceDisconnect(m.platform.pipes, m.log);
    EXPECT_EQ(m.host.Now(), 0u);
    EXPECT_TRUE(service.received.empty());
    service.busyUntil = 0;
    NotifyServiceUserStart(m.platform.pipes, m.log);
    NotifyServiceDisconnect(m.platform.pipes, m.log);
    EXPECT_EQ(service.received, (std::vector<Bytes>{{0x01, 0x00}, {0x04, 0x00}}));
}

}  // namespace
}  // namespace zelta
