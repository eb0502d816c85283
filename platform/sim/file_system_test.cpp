// The simulated files: text-mode appends, Windows path rules and the MoveFile/DeleteFile answers.
#include "platform/sim/file_system.h"

#include <gtest/gtest.h>

#include "platform/sim/code_page.h"

namespace zelta::sim {
namespace {

class SimFileSystemTest : public ::testing::Test {
protected:
    FileStore store;
    Faults faults;
    std::uint32_t codePage = kWesternCodePage;
    SimFileSystem files{store, faults, codePage};
};

TEST_F(SimFileSystemTest, AppendsInTextModeAndNeedsTheDirectory) {
    EXPECT_EQ(files.AppendText("C:\\Dialer\\vpn.log", "x\n"), err::kPathNotFound);
    store.AddDirectory("C:\\Dialer");
    ASSERT_EQ(files.AppendText("C:\\Dialer\\vpn.log", "one\n"), err::kSuccess);
    ASSERT_EQ(files.AppendText("c:\\dialer\\VPN.LOG", "two\n"), err::kSuccess);
    EXPECT_EQ(store.Text("C:\\Dialer\\vpn.log"), "one\r\ntwo\r\n");
    std::uint64_t size = 0;
    ASSERT_EQ(files.SizeOf("C:\\Dialer\\vpn.log", size), err::kSuccess);
    EXPECT_EQ(size, 10u);
}

TEST_F(SimFileSystemTest, RelativePathsResolveAgainstDriveC) {
    ASSERT_EQ(files.AppendText("\\vpn.log", "a\n"), err::kSuccess);
    EXPECT_EQ(store.Text("C:\\vpn.log"), "a\r\n");
    ASSERT_EQ(files.AppendText("cdial.log", "b"), err::kSuccess);
    EXPECT_TRUE(store.Exists("C:\\cdial.log"));
}

TEST_F(SimFileSystemTest, RenameRemoveAndReadAnswerAsWindowsDoes) {
    store.WriteText("C:\\Dialer\\vpn.log", "new");
    store.WriteText("C:\\Dialer\\vpn.log.1", "old");
    EXPECT_EQ(files.Rename("C:\\Dialer\\vpn.log", "C:\\Dialer\\vpn.log.1"), err::kAlreadyExists);
    EXPECT_EQ(files.Remove("C:\\Dialer\\vpn.log.1"), err::kSuccess);
    EXPECT_EQ(files.Remove("C:\\Dialer\\vpn.log.1"), err::kFileNotFound);
    EXPECT_EQ(files.Remove("C:\\Nowhere\\x"), err::kPathNotFound);
    EXPECT_EQ(files.Rename("C:\\Dialer\\vpn.log", "C:\\Dialer\\vpn.log.1"), err::kSuccess);
    EXPECT_EQ(store.Text("C:\\Dialer\\vpn.log.1"), "new");
    EXPECT_FALSE(store.Exists("C:\\Dialer\\vpn.log"));

    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(files.Read("C:\\Dialer\\vpn.log.1", 2, bytes), err::kMoreData);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(files.Read("C:\\Dialer\\vpn.log.1", 3, bytes), err::kSuccess);
    EXPECT_EQ(bytes.size(), 3u);
}

TEST_F(SimFileSystemTest, FaultsAndOverlongPathsFailTheCall) {
    faults.Inject("MoveFile", err::kAccessDenied, "vpn.log");
    store.WriteText("C:\\vpn.log", "x");
    EXPECT_EQ(files.Rename("C:\\vpn.log", "C:\\vpn.log.1"), err::kAccessDenied);
    EXPECT_EQ(files.AppendText("C:\\" + std::string(300, 'a'), "x"), err::kFilenameTooLong);
}

}  // namespace
}  // namespace zelta::sim
