// The simulated registry behaves as the Reg* calls do where the product depends on it.
#include "platform/sim/registry.h"

#include <gtest/gtest.h>

namespace zelta::sim {
namespace {

constexpr auto kHklm = RegistryRoot::LocalMachine;
constexpr const char* kKey = "SOFTWARE\\Zelta\\zeltadialer";

class SimRegistryTest : public ::testing::Test {
protected:
    RegistryStore store;
    Faults faults;
    SimRegistry registry{store, faults};

    std::unique_ptr<RegistryKey> Open(RegAccess access, const char* path = kKey) {
        std::unique_ptr<RegistryKey> key;
        EXPECT_EQ(registry.OpenKey(kHklm, path, access, key), err::kSuccess) << path;
        return key;
    }
};

TEST_F(SimRegistryTest, ValuesKeepTheirTypeAndRawBytesAndFollowTheCapacity) {
    store.SetValue(kHklm, kKey, "Odd", RegType::String, {'A', 0, 'B'});  // no terminator, odd length
    store.SetDword(kHklm, kKey, "L2TP", 1);
    auto key = Open(RegAccess::Read);

    RegValue value;
    ASSERT_EQ(key->QueryValue("odd", 3, value), err::kSuccess);
    EXPECT_EQ(value.type, RegType::String);
    EXPECT_EQ(value.data, (std::vector<std::uint8_t>{'A', 0, 'B'}));
    EXPECT_EQ(DecodeRegString(value.data), "A");

    RegValue untouched{RegType::Binary, {9}};
    EXPECT_EQ(key->QueryValue("L2TP", 3, untouched), err::kMoreData);
    EXPECT_EQ(untouched.data, std::vector<std::uint8_t>{9});
    EXPECT_EQ(key->QueryValue("missing", 64, value), err::kFileNotFound);
}

TEST_F(SimRegistryTest, AccessRightsAreEnforced) {
    store.Create(kHklm, kKey);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    auto reader = Open(RegAccess::Read);
    EXPECT_EQ(reader->SetValue("IsRunning", RegType::Dword, one), err::kAccessDenied);
    auto writer = Open(RegAccess::SetValue);
    RegValue value;
    EXPECT_EQ(writer->SetValue("IsRunning", RegType::Dword, one), err::kSuccess);
    EXPECT_EQ(writer->QueryValue("IsRunning", 4, value), err::kAccessDenied);
    EXPECT_EQ(store.Dword(kHklm, kKey, "isrunning"), 1u);
    EXPECT_EQ(writer->DeleteValue("IsRunning"), err::kSuccess);
    EXPECT_EQ(writer->DeleteValue("IsRunning"), err::kFileNotFound);
}

TEST_F(SimRegistryTest, MissingKeysAreNotCreatedByOpening) {
    std::unique_ptr<RegistryKey> key;
    EXPECT_EQ(registry.OpenKey(kHklm, kKey, RegAccess::Read, key), err::kFileNotFound);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(store.Find(kHklm, kKey), nullptr);
    EXPECT_EQ(registry.CreateKey(kHklm, kKey, RegAccess::Write, key), err::kSuccess);
    EXPECT_NE(store.Find(kHklm, "software\\ZELTA\\ZeltaDialer"), nullptr);
}

TEST_F(SimRegistryTest, SubkeysEnumerateInOrderAndOnlyLeavesCanBeDeleted) {
    store.Create(kHklm, "Policy\\b");
    store.Create(kHklm, "Policy\\A\\inner");
    auto key = Open(RegAccess::All, "Policy");
    std::string name;
    ASSERT_EQ(key->EnumSubKey(0, name), err::kSuccess);
    EXPECT_EQ(name, "A");
    ASSERT_EQ(key->EnumSubKey(1, name), err::kSuccess);
    EXPECT_EQ(name, "b");
    EXPECT_EQ(key->EnumSubKey(2, name), err::kNoMoreItems);
    EXPECT_EQ(key->DeleteSubKey("A"), err::kAccessDenied);
    auto stale = Open(RegAccess::Read, "Policy\\b");
    EXPECT_EQ(key->DeleteSubKey("B"), err::kSuccess);
    RegValue value;
    EXPECT_NE(stale->QueryValue("x", 4, value), err::kSuccess);  // a handle to a deleted key is dead
}

TEST_F(SimRegistryTest, InjectedFaultsMatchTheirArgumentAndCount) {
    store.SetDword(kHklm, kKey, "DEBUG", 31);
    store.SetDword(kHklm, kKey, "PAP", 1);
    faults.Inject("RegQueryValueEx", err::kAccessDenied, "debug", 1);
    auto key = Open(RegAccess::Read);
    RegValue value;
    EXPECT_EQ(key->QueryValue("PAP", 4, value), err::kSuccess);
    EXPECT_EQ(key->QueryValue("DEBUG", 4, value), err::kAccessDenied);
    EXPECT_EQ(key->QueryValue("DEBUG", 4, value), err::kSuccess);
    EXPECT_EQ(faults.Fired(), std::vector<std::string>{"RegQueryValueEx(DEBUG) = 5"});

    faults.Inject("regopenkeyex", 2);
    std::unique_ptr<RegistryKey> missing;
    EXPECT_EQ(registry.OpenKey(kHklm, kKey, RegAccess::Read, missing), 2u);
}

TEST_F(SimRegistryTest, AFaultCanLetTheFirstCallsThroughAndNoneFiresZeroTimes) {
    store.SetDword(kHklm, kKey, "DEBUG", 31);
    faults.Inject("RegQueryValueEx", err::kAccessDenied, "", 0);  // never
    faults.Inject("RegQueryValueEx", err::kFileNotFound, "DEBUG", 1, 2);
    auto key = Open(RegAccess::Read);
    RegValue value;
    EXPECT_EQ(key->QueryValue("DEBUG", 4, value), err::kSuccess);
    EXPECT_EQ(key->QueryValue("DEBUG", 4, value), err::kSuccess);
    EXPECT_EQ(key->QueryValue("DEBUG", 4, value), err::kFileNotFound);
    EXPECT_EQ(key->QueryValue("DEBUG", 4, value), err::kSuccess);
}

}  // namespace
}  // namespace zelta::sim
