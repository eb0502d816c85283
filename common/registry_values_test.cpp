// The shared rules for reading a setting out of a registry value.
#include "common/registry_values.h"

#include <gtest/gtest.h>

#include "platform/sim/registry.h"

namespace zelta {
namespace {

TEST(RegistryValues, DecimalTextIsDigitsOnlyWithinThirtyTwoBits) {
    EXPECT_EQ(ParseDecimal("0"), 0u);
    EXPECT_EQ(ParseDecimal("4294967295"), 4294967295u);
    EXPECT_EQ(ParseDecimal("4294967296"), std::nullopt);
    EXPECT_EQ(ParseDecimal("-1"), std::nullopt);
    EXPECT_EQ(ParseDecimal(" 1"), std::nullopt);
    EXPECT_EQ(ParseDecimal("0x10"), std::nullopt);
    EXPECT_EQ(ParseDecimal(""), std::nullopt);
    // Leading zeros do not count toward the ten digits; the number still has to fit.
    EXPECT_EQ(ParseDecimal("000000000008"), 8u);
    EXPECT_EQ(ParseDecimal("0000000000000000000004294967295"), 4294967295u);
    EXPECT_EQ(ParseDecimal("00000000004294967296"), std::nullopt);
    EXPECT_EQ(ParseDecimal("000000000000"), 0u);
    EXPECT_EQ(ParseDecimal("00000000000099999999999"), std::nullopt);
}

TEST(RegistryValues, TextTakesStringTypesOnlyAndTheFirstOfAMultiString) {
    sim::RegistryStore store;
    sim::Faults faults;
    sim::SimRegistry registry(store, faults);
    store.SetValue(RegistryRoot::LocalMachine, "K", "expand", RegType::ExpandString, EncodeRegString("%SystemRoot%"));
    store.SetMultiString(RegistryRoot::LocalMachine, "K", "multi", {"first", "second"});
    store.SetValue(RegistryRoot::LocalMachine, "K", "binary", RegType::Binary, {'a', 0, 0, 0});
    std::unique_ptr<RegistryKey> key;
    ASSERT_EQ(registry.OpenKey(RegistryRoot::LocalMachine, "K", RegAccess::Read, key), err::kSuccess);
    EXPECT_EQ(ReadTextValue(*key, "expand", 64), "%SystemRoot%");
    EXPECT_EQ(ReadTextValue(*key, "multi", 64), "first");
    EXPECT_EQ(ReadTextValue(*key, "binary", 64), std::nullopt);
    EXPECT_EQ(ReadTextValue(*key, "expand", 13), "%SystemRoot%");
    EXPECT_EQ(ReadTextValue(*key, "expand", 12), std::nullopt);
    EXPECT_EQ(ReadTextValue(*key, "absent", 64), std::nullopt);
}

}  // namespace
}  // namespace zelta
