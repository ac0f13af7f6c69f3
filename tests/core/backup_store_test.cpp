#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "core/safety/backup_store.h"

namespace pm {
namespace {

class BackupStore : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/pm514rx-backup-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(BackupStore, StoresTheImageUnderATimeStampedName) {
    Image img = NewDocumentImage();
    img[100] = 0x42;
    const auto when = std::chrono::system_clock::from_time_t(1796551200);  // 2026-12-06 10:00:00 UTC
    const BackupOutcome out = StoreBackup(dir_ / "new" / "folder", img, when, "/dev/ttyUSB0");
    ASSERT_TRUE(out.file.ok()) << out.file.message;
    EXPECT_EQ(out.path.filename(), "radio-20261206-100000-dev_ttyUSB0.sin");
    Image back{};
    ASSERT_TRUE(LoadChannelFile(out.path, back).ok());
    EXPECT_EQ(back, img);
    // The same second again gets its own name.
    const BackupOutcome again = StoreBackup(dir_ / "new" / "folder", img, when, "/dev/ttyUSB0");
    EXPECT_EQ(again.path.filename(), "radio-20261206-100000-dev_ttyUSB0-2.sin");
}

TEST_F(BackupStore, KeepsTheNewestFiftyAndNothingElseIsTouched) {
    const Image img = NewDocumentImage();
    std::ofstream(dir_ / "notes.txt") << "mine";
    std::ofstream(dir_ / "plan.sin") << "not a backup";
    const auto start = std::chrono::system_clock::from_time_t(1796551200);
    for (int i = 0; i < 55; ++i) {
        const auto out = StoreBackup(dir_, img, start + std::chrono::seconds(i));
        ASSERT_TRUE(out.file.ok());
        std::filesystem::last_write_time(
            out.path, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(i - 100));
    }
    int backups = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
        backups += e.path().filename().string().rfind("radio-", 0) == 0;
    }
    EXPECT_EQ(backups, 50);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "radio-20261206-100000.sin"));  // oldest gone
    EXPECT_TRUE(std::filesystem::exists(dir_ / "radio-20261206-100054.sin"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "plan.sin"));
}

TEST_F(BackupStore, AFolderThatCannotBeMadeIsReported) {
    std::ofstream(dir_ / "file") << "x";
    const auto out = StoreBackup(dir_ / "file" / "sub", NewDocumentImage(), std::chrono::system_clock::now());
    EXPECT_FALSE(out.file.ok());
    EXPECT_NE(out.file.message.find("Cannot create backup folder"), std::string::npos);
}

TEST(BackupDir, FollowsXdgDataHome) {
    setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(DefaultBackupDir(), "/data/home/pm514rx/backups");
    setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    setenv("HOME", "/home/dealer", 1);
    EXPECT_EQ(DefaultBackupDir(), "/home/dealer/.local/share/pm514rx/backups");
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace pm
