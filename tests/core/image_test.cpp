// The memory image, and the files it lives in: loading only what is a plain file, saving without
// following a stranger's link, without changing whose file it is, and never leaving a temporary file.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <tuple>
#include <random>

#include "core/image/channel_file.h"
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
// nothing that is not a file is waited on (a FIFO without a writer would block a plain open for ever).
TEST(ChannelFile, LoadTakesOnlyRegularFilesAndNeverBlocks) {
    const TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    struct Row {
        std::string name;
        std::size_t size;  // of a regular file made for the row; 0 with no such file
        FileStatus status;
        const char* message;
    };
    const Row rows[] = {
        {"empty.sin", 0, FileStatus::UnexpectedFormat, "Unexpected file format."},
        {"short.sin", 2047, FileStatus::UnexpectedFormat, "Unexpected file format."},
        {"long.sin", 5000, FileStatus::Ok, ""},
        {"missing.sin", 0, FileStatus::CannotOpen, "No such file or directory"},
        {"folder", 0, FileStatus::CannotOpen, "Is a directory"},
        {"fifo", 0, FileStatus::CannotOpen, "not a regular file"},
        {"/dev/null", 0, FileStatus::CannotOpen, "not a regular file"},
        {"bell\a.sin", 0, FileStatus::CannotOpen, "bell\\x07.sin: No such file"},
    };
    ::alarm(20);  // a load that blocks ends the test program instead of hanging it
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path path = row.name.starts_with("/") ? fs::path(row.name) : dir / row.name;
        std::string bytes;
        for (std::size_t i = 0; i < row.size; ++i) bytes += static_cast<char>(i % 251);
        if (row.size > 0 || row.name == "empty.sin") test::WriteFile(path, bytes);
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
    uid_t linkOwner;  // ... or the link sub/plan.sin to it, in a folder of this owner and mode
    uid_t subOwner;
    mode_t subMode;
    FileStatus status;
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
            name = dir / "sub" / "plan.sin";
            fs::create_symlink(victim, name);
            Own(name, row.linkOwner, 0);
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

// A save ended by a signal that kills the program leaves no temporary file; a program that handles
// the signal itself (Ctrl+C as Cancel) gets it as before.
TEST(SaveFileTarget, InterruptedSaveLeavesNoTemporaryFile) {
    const std::string big(2 << 20, 'x');
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const TempDir dir;
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;) (void)SaveFileAtomically(dir / "plan.sin", Bytes(big));
        }
        // Strike while a temporary file exists.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Leftovers(dir.Path()) == 0 && std::chrono::steady_clock::now() < deadline) {
        }
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Leftovers(dir.Path()), 0);
    }
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);  // no handler outlives the saves
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
