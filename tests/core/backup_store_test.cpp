#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>

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

// Age is the time in the name, but a name from the future counts as oldest, and nothing written in the
// last hour goes: sixty planted future names cannot make real backups prune each other.
TEST(BackupStore, PrunesOldNamesButNeverARecentFile) {
    const TempDir dir;
    std::ofstream(dir / "notes.txt") << "mine";
    std::ofstream(dir / "radio-later.sin") << "not one of ours";
    const auto hoursAgo = [](int h) { return fs::file_time_type::clock::now() - std::chrono::hours(h); };
    for (int i = 0; i < 60; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "radio-20991231-0000%02d.sin", i);
        std::ofstream(dir / name) << "planted";
        // Half of them planted just now, half of them long ago.
        if (i % 2 == 1) fs::last_write_time(dir / name, hoursAgo(2));
    }
    std::ofstream(dir / "radio-20261101-000000.sin") << "a real one, a month old";
    fs::last_write_time(dir / "radio-20261101-000000.sin", hoursAgo(800));
    const BackupOutcome first = StoreBackup(dir.Path(), NewDocumentImage(), kWhen);
    const BackupOutcome second = StoreBackup(dir.Path(), NewDocumentImage(), kWhen + std::chrono::seconds(1));
    ASSERT_TRUE(first.file.ok() && second.file.ok());
    EXPECT_TRUE(fs::exists(first.path));
    EXPECT_TRUE(fs::exists(second.path));
    EXPECT_TRUE(fs::exists(dir / "radio-20261101-000000.sin"));
    int backups = 0;
    for (const auto& e : fs::directory_iterator(dir.Path()))
        backups += e.path().filename().string().starts_with("radio-2");
    EXPECT_EQ(backups, 50);
    // The old planted names went, the oldest first; the recent ones stay.
    EXPECT_FALSE(fs::exists(dir / "radio-20991231-000001.sin"));
    EXPECT_TRUE(fs::exists(dir / "radio-20991231-000059.sin"));
    EXPECT_TRUE(fs::exists(dir / "radio-20991231-000000.sin"));
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));
    EXPECT_TRUE(fs::exists(dir / "radio-later.sin"));
}

// Adapters of one make have names that differ only at the end; two programs backing them up in the same
// second each get their own file.
TEST(BackupStore, LookAlikePortsAtOnceGetTwoFiles) {
    const TempDir dir;
    const std::string lead = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-";
    const std::string ports[] = {lead + "one", lead + "two", lead + std::string(200, 'x') + "1",
                                 lead + std::string(200, 'x') + "2"};
    std::vector<pid_t> children;
    for (const std::string& port : ports) {
        for (int copy = 0; copy < 2; ++copy) {
            const pid_t child = ::fork();
            if (child == 0) _exit(StoreBackup(dir.Path(), NewDocumentImage(), kWhen, port).file.ok() ? 0 : 1);
            children.push_back(child);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names.size(), 8u);
    EXPECT_TRUE(
        names.contains("radio-20261206-100000-dev_serial_by-id_usb-FTDI_FT232R_USB_UART_A50285BI-if00-"
                       "port0-one-2.sin"));
    for (const std::string& name : names) EXPECT_LT(name.size(), 130u) << name;
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
