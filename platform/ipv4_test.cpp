// Dotted-quad parsing and the network-order value.
#include "platform/ipv4.h"

#include <gtest/gtest.h>

namespace zelta {
namespace {

TEST(Ipv4, ParsesOnlyStrictDottedQuads) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {{"10.1.0.1", true},  {"255.255.255.255", true}, {"0.0.0.0", true},
                          {"256.1.1.1", false}, {"1.2.3", false},          {"1.2.3.4.", false},
                          {"1..2.3", false},    {"zelta-switch", false},   {"1.2.3.0004", false},
                          {"", false}};
    for (const auto& c : cases) {
        const auto parsed = Ipv4::Parse(c.text);
        EXPECT_EQ(parsed.has_value(), c.valid) << c.text;
        if (parsed) {
            EXPECT_EQ(parsed->ToString(), c.text);
        }
    }
}

TEST(Ipv4, NetworkOrderPutsTheFirstOctetInTheLowByte) {
    const Ipv4 address{{192, 168, 1, 20}};
    EXPECT_EQ(address.NetworkOrderValue(), 0x1401A8C0u);
    EXPECT_EQ(Ipv4::FromNetworkOrderValue(0x1401A8C0u), address);
}

}  // namespace
}  // namespace zelta
