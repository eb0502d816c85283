// What the helper service takes from its pipe, and what it refuses.
#include "service/service_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelta {
namespace {

std::vector<std::uint8_t> Bytes(std::uint8_t kind, std::string_view text) {
    std::vector<std::uint8_t> bytes{kind};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

TEST(ServiceRequest, TheThreeWellFormedRequestsAreTaken) {
    std::string refusal;
    const std::vector<std::uint8_t> one{1, 0}, four{4, 0};
    ASSERT_TRUE(ParseRequest(one, refusal));
    EXPECT_EQ(ParseRequest(one, refusal)->kind, request_kind::kStartDialer);
    EXPECT_EQ(ParseRequest(four, refusal)->kind, request_kind::kRestartServices);
    const auto two = ParseRequest(Bytes(2, "10.1.0.1"), refusal);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->serverAddress, "10.1.0.1");
    EXPECT_TRUE(ParseRequest(Bytes(2, "255.255.255.255"), refusal));  // fifteen characters, the most
}

TEST(ServiceRequest, EverythingElseIsRefusedWithAReasonThatQuotesNothing) {
    const std::vector<std::vector<std::uint8_t>> refused = {
        {},
        {1},
        {1, 0, 0},
        {4, 1},
        {3, 0},
        {0xFF, 0},
        Bytes(2, ""),
        Bytes(2, "10.1.0"),
        Bytes(2, "10.1.0.256"),
        Bytes(2, "10.1.0.1 "),
        std::vector<std::uint8_t>{2, '1', '.', '2', '.', '3', '.', '4', 0},  // a terminator is not part of it
        Bytes(2, "0010.1.0.1"),
        Bytes(2, "vpn.campus.example"),
        Bytes(2, "1.2.3.4\r\nDec 08 09:00:00: forged"),
        Bytes(2, std::string(64, '1')),
        Bytes(1, std::string(80, 'x')),
    };
    for (const auto& bytes : refused) {
        std::string refusal;
        EXPECT_FALSE(ParseRequest(bytes, refusal)) << RequestBytesForLog(bytes);
        EXPECT_FALSE(refusal.empty());
        EXPECT_EQ(refusal.find('\r'), std::string::npos);
        EXPECT_EQ(refusal.find("forged"), std::string::npos);
    }
}

TEST(ServiceRequest, BytesForTheLogStopAtTheirLimit) {
    EXPECT_EQ(RequestBytesForLog(std::vector<std::uint8_t>{2, 0x0D, 0x0A}), "02 0d 0a");
    EXPECT_EQ(RequestBytesForLog(std::vector<std::uint8_t>(20, 0x41), 4), "41 41 41 41 ...");
    EXPECT_EQ(RequestBytesForLog({}), "");
}

}  // namespace
}  // namespace zelta
