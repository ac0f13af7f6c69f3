// pm514rx-cli write with --backup, --verify and several --port options, and the cable help of read
// and write, run as a user would run them against virtual radios.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "core/link/link_texts.h"
#include "sim/demo_image.h"
#include "tests/link/cli_process.h"
#include "tests/link/link_fixture.h"

namespace pm::test {
namespace {

namespace fs = std::filesystem;

/** A fresh folder with the plan file in it, removed at the end. */
class Workspace {
  public:
    Workspace() {
        char templ[] = "/tmp/pm514rx-safety-cli-XXXXXX";
        dir_ = ::mkdtemp(templ);
        ::chmod(dir_.c_str(), 0755);  // the run as another user must reach it
        EXPECT_TRUE(SaveChannelFile(Plan(), sim::DemoImage()).ok());
    }
    ~Workspace() { fs::remove_all(dir_); }
    [[nodiscard]] fs::path operator/(const char* name) const { return dir_ / name; }
    [[nodiscard]] std::string Plan() const { return (dir_ / "plan.sin").string(); }

  private:
    fs::path dir_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

/** The summary row of port: its result, when the row is there and ends in a time. */
std::optional<std::string> SummaryResult(const std::string& out, const std::string& port) {
    const std::regex row("^" + port + " +(.*[^ ]) +[0-9]+\\.[0-9] s$");
    for (const auto& line : Lines(out)) {
        std::smatch m;
        if (std::regex_match(line, m, row)) return m[1].str();
    }
    return std::nullopt;
}

sim::Faults Fault(sim::BlockFaultKind kind, int block) {
    sim::Faults faults;
    faults.blocks.push_back({kind, block, 0});
    return faults;
}

TEST(SafetyCli, SeveralRadiosBackedUpWrittenAndVerifiedAtOnce) {
    Workspace ws;
    const Image sent = RoundTrip(sim::DemoImage());
    RadioOnPty good(PatternImage(1));
    RadioOnPty corrupt(PatternImage(2), kDefaultModel, Fault(sim::BlockFaultKind::CorruptWrite, 6));
    RadioOnPty stops(PatternImage(3), kDefaultModel, Fault(sim::BlockFaultKind::WriteNoAck, 100));
    const auto backups = ws / "backups";

    const Finished r = Cli({"write", "--port", good.Path(), "--port", corrupt.Path(), "--port", stops.Path(),
                            "--backup", backups.string(), "--verify", ws.Plan()});

    EXPECT_EQ(r.exit, 1) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[lines.size() - 4].rfind("PORT", 0), 0u) << r.out;
    EXPECT_EQ(SummaryResult(r.out, good.Path()), "backed up, written, verified") << r.out;
    EXPECT_EQ(SummaryResult(r.out, corrupt.Path()), "backed up, written, verify failed (CH 3)") << r.out;
    EXPECT_EQ(SummaryResult(r.out, stops.Path()),
              "backed up, write failed after 100 of 251 blocks, radio half-written")
        << r.out;
    for (const auto* radio : {&good, &corrupt, &stops}) {
        EXPECT_TRUE(Contains(
            r.out, radio->Path() + ": Backup of the radio's memory: " + backups.string() + "/radio-"))
            << r.out;
    }
    EXPECT_TRUE(Contains(r.out, good.Path() + ": Verified: the radio holds what was sent.\n")) << r.out;
    EXPECT_TRUE(Contains(
        r.err, corrupt.Path() +
                   ": Verify failed: the radio holds other data than was sent in CH 3 (sent -> radio):\n" +
                   corrupt.Path() + ":   CH 3 Receive(MHz): 145.55000 -> "))
        << r.err;
    EXPECT_TRUE(Contains(r.err, stops.Path() + ": " + std::string(link::kProgramInterrupt.text) + "\n"))
        << r.err;

    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 3);
    const Image written = good.Host().Memory();
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + 0x7D8, written.begin()));
}

TEST(SafetyCli, OneMissingRadioFailsTheBatchButNotTheOthers) {
    Workspace ws;
    RadioOnPty first(PatternImage(1));
    RadioOnPty second(PatternImage(2));
    const std::string missing = (ws / "no-such-port").string();

    const Finished r =
        Cli({"write", "--port", first.Path(), "--port", missing, "--port", second.Path(), ws.Plan()});

    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(SummaryResult(r.out, first.Path()), "written") << r.out;
    EXPECT_EQ(SummaryResult(r.out, second.Path()), "written") << r.out;
    EXPECT_EQ(SummaryResult(r.out, missing), "port could not be opened, nothing written") << r.out;
    EXPECT_TRUE(Contains(r.err, missing + ": " + std::string(link::kOpenFailed.text) + "\n" + missing +
                                    ": No such device: " + missing + "."))
        << r.err;
    EXPECT_EQ(first.Events(sim::RadioEvent::Kind::Write).size(), 251u);
    EXPECT_EQ(second.Events(sim::RadioEvent::Kind::Write).size(), 251u);

    const Finished twice = Cli({"write", "--port", first.Path(), "--port", first.Path(), ws.Plan()});
    EXPECT_EQ(twice.exit, 2);
    EXPECT_EQ(twice.err,
              "write: --port " + first.Path() + " is the same device as --port " + first.Path() + "\n");
}

TEST(SafetyCli, BackupWithoutAFolderGoesToTheDataFolder) {
    Workspace ws;
    const Image before = PatternImage(5);
    RadioOnPty radio(before);
    const fs::path data = ws / "data";

    // --backup takes the next word when it can: here that word is the channel file.
    const Finished r = Cli({"write", "--port", radio.Path(), "--backup", ws.Plan()},
                           {"env", "XDG_DATA_HOME=" + data.string()});

    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "Write complete: all 251 blocks are in the radio.\n");
    const std::string lead =
        "Backup of the radio's memory: " + (data / "pm514rx" / "backups").string() + "/radio-";
    ASSERT_EQ(r.out.rfind(lead, 0), 0u) << r.out;
    const fs::path backup = r.out.substr(r.out.find(": ") + 2, r.out.size() - r.out.find(": ") - 3);
    Image stored{};
    ASSERT_TRUE(LoadChannelFile(backup, stored).ok()) << backup;
    EXPECT_EQ(stored, before);
    EXPECT_EQ(radio.Events(sim::RadioEvent::Kind::Write).size(), 251u);
}

/** A process other than this one that holds path open and locked, as a terminal program would. */
class Holder {
  public:
    explicit Holder(const std::string& path) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0) _exit(1);
            for (int other = 3; other < 1024; ++other) {
                if (other != fd) ::close(other);
            }
            ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
            _exit(1);
        }
        // Ready once the lock is taken and the program is sleep.
        for (int i = 0; i < 250; ++i) {
            const int probe = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const bool locked = probe >= 0 && ::flock(probe, LOCK_EX | LOCK_NB) != 0;
            if (probe >= 0) ::close(probe);
            std::string comm;
            std::getline(std::ifstream("/proc/" + std::to_string(pid_) + "/comm"), comm);
            if (locked && comm == "sleep") break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Holder() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    [[nodiscard]] pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
};

TEST(SafetyCli, CableHelpFollowsTheOpenFailureForEachCause) {
    Workspace ws;
    const std::string opened = std::string(link::kOpenFailed.text) + "\n";
    const std::string out = (ws / "out.sin").string();

    const std::string missing = (ws / "ttyUSB9").string();
    const Finished none = Cli({"read", "--port", missing, "-o", out});
    EXPECT_EQ(none.exit, 1);
    EXPECT_EQ(
        none.err.rfind(opened + "No such device: " + missing + ". Check that the cable is plugged in.", 0),
        0u)
        << none.err;

    const Finished test =
        Cli({"testmode", "--port", missing, "--item", "squelch-level", "--value", "default"});
    EXPECT_EQ(test.exit, 1);
    EXPECT_EQ(test.err.rfind(opened + "No such device: " + missing + ".", 0), 0u) << test.err;

    const Finished file = Cli({"write", "--port", ws.Plan(), ws.Plan()});
    EXPECT_EQ(file.exit, 1);
    const std::string nothing = "Write failed: nothing was written to the radio.\n";
    EXPECT_EQ(file.err, opened + ws.Plan() + " is not a serial port.\n" + nothing);

    RawPeer busy;
    const Holder holder(busy.Path());
    const Finished used = Cli({"write", "--port", busy.Path(), ws.Plan()});
    EXPECT_EQ(used.exit, 1);
    EXPECT_EQ(used.err, opened + busy.Path() + " is already in use by sleep (process " +
                            std::to_string(holder.Pid()) + "). Close it and try again.\n" + nothing);

    RawPeer locked;
    std::vector<std::string> as;
    if (::geteuid() == 0) {
        // nobody: not in the terminal's group, and its mode keeps others out
        if (std::system("setpriv --help >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv to become nobody";
        as = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    } else {
        ASSERT_EQ(::chmod(locked.Path().c_str(), 0), 0);
    }
    const Finished denied = Cli({"read", "--port", locked.Path(), "-o", out}, as);
    EXPECT_EQ(denied.exit, 1);
    EXPECT_EQ(denied.err.rfind(opened + "Permission denied on " + locked.Path(), 0), 0u) << denied.err;
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace pm::test
