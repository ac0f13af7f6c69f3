// The memory image, and the files it lives in: loading only what is a plain file, saving without
// following a stranger's link, without changing whose file it is, and never leaving a temporary file.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <tuple>
#include <random>

#include "core/image/channel_file.h"
#include "core/image/file_access.h"
#include "core/image/memory_image.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(BandReset, EmptiesChannelsAndKeepsWhatItMust) {
    Image img;
    std::mt19937 rng(7);
    for (auto& b : img) b = static_cast<std::uint8_t>(rng());
    const Image before = img;
    BandReset(img, 1);
    for (std::size_t i = 0; i < kImageSize; ++i) {
        const bool channel = i >= 16 && i < 16 * 81;
        const bool reset =
            i == 0x7C0 || i == 0x7C1 || i == 0x7C2 || i == 0x7C3 || i == 0x7C5 || i == 0x7D2 || i == 0x7D3;
        // TxPowerRank at 0x7C4 is among the bytes kept.
        if (channel || !reset) {
            ASSERT_EQ(img[i], channel ? 0xFF : before[i]) << i;
        }
    }
    EXPECT_EQ(img[0x7D3], 0x37);
    EXPECT_EQ(img[0x7C0], before[0x7C0] & ~0x40);
    BandReset(img, 0);
    EXPECT_EQ(img[0x7C0] & 0x40, 0x40);
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

/** Temporary files of ours anywhere below dir. */
int Leftovers(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        n += e.path().filename().string().starts_with(".pm514rx-");
    return n;
}

// What a name can lead to when a file is opened: only a regular file of 2048 bytes or more loads, and
// nothing that is not a file is waited on. Empty, short, missing, FIFO and escaped names, each verb's
// message for them, are FileVerbs.WhatIsNoChannelFileIsRefusedAtOnce's.
TEST(ChannelFile, LoadTakesOnlyRegularFilesAndNeverBlocks) {
    const TempDir dir;
    fs::create_directory(dir / "folder");
    struct Row {
        std::string name;
        std::size_t size;  // of a regular file made for the row; 0 with no such file
        FileStatus status;
        const char* message;
    };
    const Row rows[] = {
        {"long.sin", 5000, FileStatus::Ok, ""},
        {"folder", 0, FileStatus::CannotOpen, "Is a directory"},
        {"/dev/null", 0, FileStatus::CannotOpen, "not a regular file"},
        {"short.sin", 2047, FileStatus::UnexpectedFormat, "Unexpected file format."},
    };
    ::alarm(20);  // a load that blocks ends the test program instead of hanging it
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path path = row.name.starts_with("/") ? fs::path(row.name) : dir / row.name;
        std::string bytes;
        for (std::size_t i = 0; i < row.size; ++i) bytes += static_cast<char>(i % 251);
        if (row.size > 0) test::WriteFile(path, bytes);
        Image img;
        img.fill(0x5A);
        const auto start = std::chrono::steady_clock::now();
        const FileOutcome outcome = LoadChannelFile(path, img);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(outcome.status, row.status);
        EXPECT_NE(outcome.message.find(row.message), std::string::npos) << outcome.message;
        Image expected;
        expected.fill(0x5A);
        if (row.status == FileStatus::Ok) std::copy_n(bytes.begin(), kImageSize, expected.begin());
        EXPECT_EQ(img, expected);
    }
    ::alarm(0);
}

// Saving as root or as an ordinary user (nobody): which names lead where, and what becomes of the file
// there. Whatever happens, the file keeps its mode and owner and no temporary file stays behind.
constexpr uid_t kStranger = 12345;  // a user who is neither root nor nobody
constexpr uid_t kNoLink = 1;        // saved by its own name, not through a link

struct SaveRow {
    const char* name;
    bool asNobody;
    uid_t fileOwner;  // the file "victim" in a folder of root's (0755) ...
    mode_t fileMode;
    uid_t linkOwner;  // ... or the link sub/plan.sin to it (sub/folder to its folder when folderLink),
    uid_t subOwner;   // in a folder of this owner and mode
    mode_t subMode;
    FileStatus status;
    bool folderLink = false;
};

void Own(const fs::path& path, uid_t uid, mode_t mode) {
    ASSERT_EQ(::lchown(path.c_str(), uid, uid), 0);
    ASSERT_TRUE(fs::is_symlink(path) || ::chmod(path.c_str(), mode) == 0);
}

constexpr uid_t kNobody = test::kNobody;
// clang-format off
const SaveRow kSaveRows[] = {
    {"PlainFile", false, 0, 0644, kNoLink, 0, 0, FileStatus::Ok},
    {"FileOfAnotherUserStaysTheirs", false, kNobody, 0640, kNoLink, 0, 0, FileStatus::Ok},
    {"SetUidFileOfAnotherUserStaysTheirs", false, kNobody, 04755, kNoLink, 0, 0, FileStatus::Ok},
    {"ReadOnlyFileAsRoot", false, 0, 0444, kNoLink, 0, 0, FileStatus::ReadOnly},
    {"ReadOnlyFileAsNobody", true, kNobody, 0444, kNoLink, 0, 0, FileStatus::ReadOnly},
    {"FileOfAnotherUserIsReadOnlyToNobody", true, 0, 0644, kNoLink, 0, 0, FileStatus::ReadOnly},
    // The folder is root's and closed to nobody: the file is written in place, and stays root's.
    {"WritableFileInAClosedFolder", true, 0, 0666, kNoLink, 0, 0, FileStatus::Ok},
    {"StrangersLinkInAStickyFolderAsRoot", false, 0, 0644, kStranger, 0, 01777, FileStatus::CannotWrite},
    {"StrangersLinkInStickyFolderNobody", true, kNobody, 0644, kStranger, 0, 01777, FileStatus::CannotWrite},
    {"StrangersLinkInAnOpenFolder", false, 0, 0644, kStranger, 0, 0777, FileStatus::CannotWrite},
    {"OwnLinkIsFollowed", true, kNobody, 0644, kNobody, 0, 01777, FileStatus::Ok},
    {"LinkOfTheFoldersOwnerIsFollowed", false, 0, 0644, kStranger, kStranger, 0755, FileStatus::Ok},
    // A link earlier in the path answers to the same rule.
    {"StrangersFolderLinkAsRoot", false, 0, 0644, kStranger, 0, 01777, FileStatus::CannotWrite, true},
    {"StrangersFolderLinkAsNobody", true, kNobody, 0644, kStranger, 0, 01777, FileStatus::CannotWrite, true},
    {"OwnFolderLinkIsFollowed", false, 0, 0644, 0, 0, 01777, FileStatus::Ok, true},
};
// clang-format on

TEST(SaveFile, ReachesOnlyWhatItMayAndKeepsTheFileTheOwners) {
    if (::geteuid() != 0) GTEST_SKIP() << "the scenes need files of several users: run as root (as CI does)";
    for (const SaveRow& row : kSaveRows) {
        SCOPED_TRACE(row.name);
        const TempDir dir(0755);
        const fs::path victim = dir / "victim";
        test::WriteFile(victim, "old");
        Own(victim, row.fileOwner, row.fileMode);
        fs::path name = victim;
        if (row.linkOwner != kNoLink) {
            fs::create_directory(dir / "sub");
            Own(dir / "sub", row.subOwner, row.subMode);
            const fs::path link = dir / "sub" / (row.folderLink ? "folder" : "plan.sin");
            fs::create_symlink(row.folderLink ? dir.Path() : victim, link);
            Own(link, row.linkOwner, 0);
            name = row.folderLink ? link / "victim" : link;
            // What may not be written through a link is not read through it either.
            std::string read;
            if (!row.asNobody) {
                EXPECT_EQ(ReadRegularFile(name, 16, read).ok(), row.status == FileStatus::Ok);
            }
        }
        struct stat before {};
        ASSERT_EQ(::stat(victim.c_str(), &before), 0);

        const auto save = [&] {
            return std::to_string(static_cast<int>(SaveFileAtomically(name, Bytes("new")).status));
        };
        EXPECT_EQ(row.asNobody ? test::InChildAsNobody(save) : save(),
                  std::to_string(static_cast<int>(row.status)));

        EXPECT_EQ(test::ReadFile(victim), row.status == FileStatus::Ok ? "new" : "old");
        struct stat after {};
        ASSERT_EQ(::stat(victim.c_str(), &after), 0);
        EXPECT_EQ(std::tie(after.st_mode, after.st_uid, after.st_gid),
                  std::tie(before.st_mode, before.st_uid, before.st_gid));
        EXPECT_EQ(Leftovers(dir.Path()), 0);
    }
}

TEST(SaveFileTarget, OnlyRegularFilesAndCharacterDevicesAreWritten) {
    const TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (dir / "socket").c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::string> refused = {"folder", "fifo", "socket"};
    // A block device is what a link to a disk leads to; making one needs root.
    if (::mknod((dir / "disk").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0) refused.push_back("disk");
    for (const std::string& name : refused) {
        fs::create_symlink(dir / name, dir / ("link-to-" + name));
        for (const fs::path& path : {dir / name, dir / ("link-to-" + name)}) {
            EXPECT_EQ(SaveFileAtomically(path, Bytes("new")).status, FileStatus::CannotWrite) << path;
            EXPECT_FALSE(fs::is_regular_file(dir / name));
        }
    }
    ::close(sock);
    EXPECT_TRUE(SaveFileAtomically("/dev/null", Bytes("new")).ok());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // Any name the folder takes can be saved: the temporary name does not grow with it.
    const fs::path longest = dir / std::string(255, 'x');
    EXPECT_TRUE(SaveFileAtomically(longest, Bytes("new")).ok());
    EXPECT_EQ(test::ReadFile(longest), "new");
    EXPECT_EQ(Leftovers(dir.Path()), 0);
}

// A save ended by any signal that kills the program leaves no temporary file, nor a file written in place
// half changed; a program that handles the signal itself (Ctrl+C as Cancel) gets it as before.
TEST(SaveFileTarget, InterruptedSaveLeavesNoTemporaryFile) {
    // SIGXFSZ comes from a file size limit (ulimit -f) in the middle of the write itself.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGPIPE, SIGXFSZ}) {
        SCOPED_TRACE(signal);
        const TempDir dir;
        test::WriteFile(dir / "plan.sin", "old");
        const pid_t child = ::fork();
        if (child == 0) {
            const rlimit noCore{0, 0}, small{1024, 1024};
            ::setrlimit(RLIMIT_CORE, &noCore);
            if (signal == SIGXFSZ) ::setrlimit(RLIMIT_FSIZE, &small);
            SetSaveHookForTest([signal](SaveStep step) {
                if (step == SaveStep::Written && signal != SIGXFSZ) ::raise(signal);
            });
            (void)SaveFileAtomically(dir / "plan.sin", Bytes(std::string(4096, 'x')));
            _exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Leftovers(dir.Path()), 0);
        EXPECT_EQ(test::ReadFile(dir / "plan.sin"), "old");
    }
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);  // no handler outlives the saves
}

// The name is swapped for a link to a terminal between the check and the write, as another user racing
// the save would: the save stops, and no terminal gets a byte.
TEST(SaveFileTarget, ANameSwappedAfterTheCheckNeverLeadsToADevice) {
    const TempDir dir;
    test::RawPty checked;
    test::RawPty planted;
    struct stat terminal {};
    ASSERT_EQ(::stat(checked.path.c_str(), &terminal), 0);
    const fs::path name = dir / "x";
    for (const bool device : {false, true}) {
        SCOPED_TRACE(device);
        fs::remove(name);
        if (!device) {
            test::WriteFile(name, "old");
        } else if (::mknod(name.c_str(), S_IFCHR | 0600, terminal.st_rdev) != 0) {
            continue;  // making a device node needs root
        }
        SetSaveHookForTest([&](SaveStep step) {
            if (step != SaveStep::Checked) return;
            fs::remove(name);
            fs::create_symlink(planted.path, name);
        });
        const FileOutcome out = SaveFileAtomically(name, Bytes("new"));
        SetSaveHookForTest(nullptr);
        EXPECT_FALSE(out.ok());
        EXPECT_TRUE(fs::is_symlink(name));
        for (const int master : {checked.master, planted.master}) {
            pollfd p{master, POLLIN, 0};
            EXPECT_EQ(::poll(&p, 1, 0), 0) << "a terminal was written";
        }
    }
    EXPECT_EQ(Leftovers(dir.Path()), 0);
}

// Written in place (a folder closed to the user): a full disk, or a signal before the new bytes are all
// on disk, leaves the old file byte for byte.
TEST(SaveFileTarget, InPlaceSaveKeepsTheOldFileUntilTheNewIsComplete) {
    if (::geteuid() != 0) GTEST_SKIP() << "a folder closed to nobody and a small file system need root";
    const TempDir dir(0755);
    const fs::path disk = dir / "disk";
    fs::create_directory(disk);
    if (::mount("pm514rx-test", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << ")";
    const std::string old = "old rows\n" + std::string(3000, 'o');
    const fs::path file = disk / "plan.csv";
    test::WriteFile(file, old);
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    const auto save = [&](std::size_t size) {
        return [&file, size] { return SaveFileAtomically(file, Bytes(std::string(size, 'n'))).message; };
    };
    EXPECT_EQ(test::InChildAsNobody(save(5000)), "");  // in place, with room to spare
    EXPECT_EQ(test::ReadFile(file), std::string(5000, 'n'));
    test::WriteFile(file, old);

    std::ofstream(disk / "filler", std::ios::binary)
        << std::string(64 * 1024, 'f');  // until the disk is full
    EXPECT_NE(test::InChildAsNobody(save(8192)).find("No space left on device"), std::string::npos);
    EXPECT_EQ(test::ReadFile(file), old);
    fs::remove(disk / "filler");

    const std::string killed = test::InChildAsNobody([&] {
        SetSaveHookForTest([](SaveStep step) {
            if (step == SaveStep::Written) ::raise(SIGTERM);
        });
        return SaveFileAtomically(file, Bytes("new")).message;
    });
    EXPECT_EQ(killed, "");  // the child died by the signal
    EXPECT_EQ(test::ReadFile(file), old);
    ::umount2(disk.c_str(), MNT_DETACH);
}

// The access control list and the extended attributes stay with the file, and its mode never widens.
TEST(SaveFileTarget, AttributesAndTheAccessListAreKept) {
    const TempDir dir;
    const fs::path file = dir / "plan.sin";
    test::WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    if (::setxattr(file.c_str(), "user.note", "mine", 4, 0) != 0)
        GTEST_SKIP() << "this file system keeps no extended attributes (" << std::strerror(errno) << ")";
    // user rw, nobody r, group r, mask r, others none (version 2, then tag, permissions, id in each entry).
    const std::uint32_t acl[] = {2,       0x60001, ~0u,  0x40002, test::kNobody, 0x40004, ~0u,
                                 0x40010, ~0u,     0x20, ~0u};
    const std::string entries(reinterpret_cast<const char*>(acl), sizeof acl);
    const bool hasAcl =
        ::setxattr(file.c_str(), "system.posix_acl_access", entries.data(), entries.size(), 0) == 0;
    ASSERT_TRUE(SaveFileAtomically(file, Bytes("new")).ok());
    EXPECT_EQ(test::ReadFile(file), "new");
    char value[16] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.note", value, sizeof value), 4);
    EXPECT_STREQ(value, "mine");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (hasAcl) {
        std::string kept(entries.size(), '\0');
        EXPECT_EQ(::getxattr(file.c_str(), "system.posix_acl_access", kept.data(), kept.size()),
                  static_cast<ssize_t>(entries.size()));
        EXPECT_EQ(kept, entries);
    }
    EXPECT_EQ(Leftovers(dir.Path()), 0);
}

TEST(DisplayName, EscapesWhatATerminalWouldObey) {
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"plan.sin", "plan.sin"}, {"a\nb\tc\x1b[31m", "a\\x0Ab\\x09c\\x1B[31m"}, {"\x7f", "\\x7F"},
        {"Kanäle 频道.sin", "Kanäle 频道.sin"},
        {"\xc2\x9b" "2J", "\\xC2\\x9B2J"},  // the C1 control CSI in UTF-8
        {"\xff\xc3", "\\xFF\\xC3"},        // not UTF-8
    };
    // clang-format on
    for (const auto& [raw, shown] : rows) EXPECT_EQ(DisplayName(raw), shown);
}

}  // namespace
}  // namespace pm
