#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "core/safety/backup_store.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const auto kWhen = std::chrono::system_clock::from_time_t(1796551200);  // 2026-12-06 10:00:00 UTC

TEST(BackupStore, StoresTheImageUnderATimeStampedNameInAPrivateFolder) {
    const TempDir dir;
    Image img = NewDocumentImage();
    img[100] = 0x42;
    const BackupOutcome out = StoreBackup(dir / "new" / "folder", img, kWhen, "/dev/ttyUSB0");
    ASSERT_TRUE(out.file.ok()) << out.file.message;
    EXPECT_EQ(out.path.filename(), "radio-20261206-100000-dev_ttyUSB0.sin");
    Image back{};
    ASSERT_TRUE(LoadChannelFile(out.path, back).ok());
    EXPECT_EQ(back, img);
    for (const fs::path& made : {dir / "new", dir / "new" / "folder"}) {
        struct stat info {};
        ASSERT_EQ(::stat(made.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << made;
    }
    // The same second again gets its own name.
    EXPECT_EQ(StoreBackup(dir / "new" / "folder", img, kWhen, "/dev/ttyUSB0").path.filename(),
              "radio-20261206-100000-dev_ttyUSB0-2.sin");
}

// Age is the time in the name: file times say nothing (here the oldest names carry the newest times,
// all of them later than now), and the backup just made is never the one to go.
TEST(BackupStore, KeepsTheNewestFiftyByNameAndAlwaysTheOneJustMade) {
    const TempDir dir;
    std::ofstream(dir / "notes.txt") << "mine";
    std::ofstream(dir / "radio-later.sin") << "not one of ours";
    for (int i = 0; i < 50; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "radio-20991231-0000%02d.sin", i);
        std::ofstream(dir / name) << "old";
        fs::last_write_time(dir / name, fs::file_time_type::clock::now() + std::chrono::hours(100 - i));
    }
    const BackupOutcome out = StoreBackup(dir.Path(), NewDocumentImage(), kWhen);
    ASSERT_TRUE(out.file.ok());
    EXPECT_TRUE(fs::exists(out.path));
    int backups = 0;
    for (const auto& e : fs::directory_iterator(dir.Path()))
        backups += e.path().filename().string().starts_with("radio-2");
    EXPECT_EQ(backups, 50);
    EXPECT_FALSE(fs::exists(dir / "radio-20991231-000000.sin"));
    EXPECT_TRUE(fs::exists(dir / "radio-20991231-000001.sin"));
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));
    EXPECT_TRUE(fs::exists(dir / "radio-later.sin"));
}

TEST(BackupStore, AFolderThatCannotBeMadeIsReported) {
    const TempDir dir;
    std::ofstream(dir / "file") << "x";
    const auto out = StoreBackup(dir / "file" / "sub", NewDocumentImage(), kWhen);
    EXPECT_FALSE(out.file.ok());
    EXPECT_NE(out.file.message.find("Cannot create backup folder"), std::string::npos);
}

// Without a home folder there is no place for backups: never a shared folder such as /tmp.
TEST(BackupDir, FollowsXdgDataHomeThenTheHomeFolder) {
    const char* original = std::getenv("HOME");
    const std::string keep = original ? original : "";
    setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(DefaultBackupDir(), "/data/home/pm514rx/backups");
    setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    const TempDir home;
    setenv("HOME", home.Path().c_str(), 1);
    EXPECT_EQ(DefaultBackupDir(), home / ".local/share/pm514rx/backups");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/nonexistent/home", 1);
    const passwd* account = getpwuid(::geteuid());
    const bool accountHome = account != nullptr && fs::is_directory(account->pw_dir);
    EXPECT_EQ(DefaultBackupDir(),
              accountHome ? fs::path(account->pw_dir) / ".local/share/pm514rx/backups" : fs::path());
    // nobody's account names no existing home.
    const std::string asNobody = test::InChildAsNobody([] {
        unsetenv("HOME");
        return DefaultBackupDir().string() + "|" + PrepareBackupDir(DefaultBackupDir()).message;
    });
    setenv("HOME", keep.c_str(), 1);
    EXPECT_EQ(asNobody,
              "|No home folder to keep backups in: set HOME or XDG_DATA_HOME, or name a backup folder.");
}

}  // namespace
}  // namespace pm
