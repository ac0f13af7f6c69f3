// pm514rx-cli read, write, testmode and sim as separate processes, the way the README shows them,
// against virtual radios: answers from flags, cancels, backups, verifies, several radios, cable help.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <poll.h>
#include <regex>

#include "core/image/channel_file.h"
#include "core/link/port_holders.h"
#include "core/image/document.h"
#include "core/link/link_texts.h"
#include "sim/demo_image.h"
#include "tests/support/process.h"
#include "tests/support/radio_fixture.h"
#include "tests/support/temp_dir.h"

namespace pm::test {
namespace {

namespace fs = std::filesystem;
using Kind = sim::RadioEvent::Kind;
using enum sim::BlockFaultKind;

std::string Line(const Message& m) {
    return std::string(m.text) + "\n";
}

// Writes that stop half-way are recorded in the data folder: this run's own, never the user's.
const TempDir kDataHome;
const bool kDataHomeSet = ::setenv("XDG_DATA_HOME", kDataHome.Path().c_str(), 1) == 0;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

/** `pm514rx-cli sim` in the background, serving on a link in a fresh folder. */
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"sim", "--turnaround", "25", "--link", Link()});
        child_ = SpawnCli(options);
        // The first line on stdout is the terminal's path.
        pollfd p{child_.out, POLLIN, 0};
        for (char c = 0; c != '\n' && ::poll(&p, 1, 5000) > 0 && ::read(child_.out, &c, 1) == 1;) path_ += c;
        if (!path_.empty()) path_.pop_back();
    }
    ~SimProcess() {
        if (child_.pid > 0) (void)Stop();
    }
    Finished Stop() {
        ::kill(child_.pid, SIGINT);
        Finished f = Wait(child_);
        child_.pid = -1;
        return f;
    }
    [[nodiscard]] std::string Link() const { return (dir_ / "radio").string(); }
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] std::string File(const char* name) const { return (dir_ / name).string(); }

  private:
    TempDir dir_;
    Child child_;
    std::string path_;
};

TEST(CliLink, SimServesReadWriteAndTestModeAndSavesWhatWasWritten) {
    const TempDir dir;
    const fs::path saved = dir / "after.sin";
    {
        // A fault past the 251 blocks written, and the radio's own model given in hex.
        SimProcess sim({"--save", saved.string(), "--fault", "write-nak@255", "--model", "0x37"});
        ASSERT_TRUE(sim.Path().starts_with("/dev/pts/")) << sim.Path();
        EXPECT_EQ(fs::read_symlink(sim.Link()).string(), sim.Path());
        const Finished read = Cli({"read", "--port", sim.Link(), "-o", sim.File("radio.sin")});
        EXPECT_EQ(read.exit, 0) << read.err;
        // No terminal: no progress bar, only the outcome.
        EXPECT_EQ(read.err, "Read complete: the document holds the radio's memory.\n");
        const Image demo = sim::DemoImage();
        EXPECT_EQ(ReadFile(sim.File("radio.sin")), std::string(demo.begin(), demo.end()));
        ASSERT_EQ(Cli({"new", "-o", sim.File("plan.sin")}).exit, 0);
        const Finished write = Cli({"write", "--port", sim.Link(), sim.File("plan.sin")});
        EXPECT_EQ(write.exit, 0) << write.err;
        const Finished test = Cli({"testmode", "--port", sim.Link(), "--item", "tx-power", "--value", "47",
                                   "--rx", "230.00000", "--tx", "230.00000", "--tx-tone", "88.5"});
        EXPECT_EQ(test.err, Line(link::kTestModeDone));
        const Finished stopped = sim.Stop();
        EXPECT_EQ(stopped.exit, 0) << stopped.err;
        EXPECT_EQ(stopped.out,
                  "test mode: item t, frequencies 00 00 00 23 00 00 00 23, values 00 00 85 08 FB 01 01 2F\n");
        EXPECT_FALSE(fs::exists(fs::symlink_status(sim.Link())));
    }
    // What was written, and the radio's own last bytes.
    const std::string bytes = ReadFile(saved);
    ASSERT_EQ(bytes.size(), kImageSize);
    const Image sent = RoundTrip(NewDocumentImage());
    const Image demo = sim::DemoImage();
    EXPECT_EQ(bytes.substr(0, 0x7D8), std::string(sent.begin(), sent.begin() + 0x7D8));
    EXPECT_EQ(bytes.substr(0x7D8), std::string(demo.begin() + 0x7D8, demo.end()));
}

// One exchange against a radio with a fault: the flags answer the questions, the exit code and the
// messages say how it ended, and a failed read leaves its output file alone.
struct FlagRow {
    const char* name;
    std::uint8_t model;
    sim::Faults faults;
    std::vector<std::string> args;  // after "VERB --port PATH"; "OUT" is the output file
    int exit;
    std::string err;
};

void PrintTo(const FlagRow& row, std::ostream* os) {
    *os << row.name;
}

class CliFlags : public ::testing::TestWithParam<FlagRow> {};

TEST_P(CliFlags, AnswerAndEndAsTold) {
    const FlagRow& row = GetParam();
    const TempDir dir;
    RadioOnPty radio(sim::DemoImage(), row.model, row.faults);
    ASSERT_TRUE(SaveChannelFile(dir / "plan.sin", NewDocumentImage()).ok());
    std::ofstream(dir / "out.sin") << "keep";
    std::vector<std::string> args = {row.args[0], "--port", radio.Path()};
    for (std::size_t i = 1; i < row.args.size(); ++i) {
        const std::string& a = row.args[i];
        args.push_back(a == "OUT"    ? (dir / "out.sin").string()
                       : a == "PLAN" ? (dir / "plan.sin").string()
                                     : a);
    }
    const Finished f = Cli(args);
    EXPECT_EQ(f.exit, row.exit) << f.err;
    EXPECT_EQ(f.err, row.err);
    EXPECT_EQ(ReadFile(dir / "out.sin"), "keep");  // a failed read leaves its output alone
}

// clang-format off
const FlagRow kFlagRows[] = {
    {"ModelQuestionCancelledWithoutYes", 0x42, {}, {"write", "PLAN"}, 1,
     Line(link::kModelMismatch) + "Write cancelled: nothing was written to the radio.\n"},
    {"ModelQuestionAcceptedWithYes", 0x42, {}, {"write", "--yes", "PLAN"}, 0,
     Line(link::kModelMismatch) + "Write complete: all 251 blocks are in the radio.\n"},
    {"RetriesAnswerTheCommunicationError", kDefaultModel, {.ignoreConfirmations = 1},
     {"write", "--retries", "1", "PLAN"}, 0,
     Line(link::kCommunicationError) + "Write complete: all 251 blocks are in the radio.\n"},
    {"ShortReplyFailsTheRead", kDefaultModel, {.blocks = {{ShortReply, 3, 11}}}, {"read", "-o", "OUT"}, 1,
     Line(link::kNotEnoughBytes) + "Read failed: nothing changed.\n"},
    {"TestModeWithoutAnAnswer", kDefaultModel, {.testSilentAfter = sim::TestFrame::Value},
     {"testmode", "--item", "squelch-level", "--value", "default", "--retries", "1"}, 1,
     Line(link::kTestModeError) + Line(link::kTestModeError)},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, CliFlags, ::testing::ValuesIn(kFlagRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct DoctorRow {
    const char* name;
    std::vector<std::string> simOptions;
    bool loopback;
    int exit;
    const char* says;
};

class CliDoctor : public ::testing::TestWithParam<DoctorRow> {};

TEST_P(CliDoctor, SaysWhichCaseItIs) {
    SimProcess sim(GetParam().simOptions);
    std::vector<std::string> args = {"doctor", "--port", sim.Link()};
    if (GetParam().loopback) args.push_back("--loopback");
    const Finished f = Cli(args);
    EXPECT_EQ(f.exit, GetParam().exit) << f.out << f.err;
    EXPECT_TRUE(Contains(f.out, GetParam().says)) << f.out;
    EXPECT_TRUE(Contains(f.out, "OK       open: ")) << f.out;
}

const DoctorRow kDoctorRows[] = {
    {"RadioAnswers", {}, false, 0, "OK       radio: the radio answered: model code 0x37"},
    {"Silent", {"--silent"}, false, 1, "PROBLEM  radio: not one byte came back"},
    {"Echo", {"--echo"}, false, 1, "PROBLEM  radio: our own bytes came back: a one-wire cable"},
    {"Noise", {"--noise"}, false, 1, "noise on the line"},
    {"Loopback", {"--echo", "--silent"}, true, 0, "OK       loopback: all 256 byte values"},
};

INSTANTIATE_TEST_SUITE_P(Rows, CliDoctor, ::testing::ValuesIn(kDoctorRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The trace of a read is text a user can attach: every block's command and reply, in order.
TEST(CliLink, TraceOfAReadHoldsEveryBlock) {
    RadioOnPty radio(sim::DemoImage());
    const TempDir dir;
    const Finished f = Cli({"read", "--port", radio.Path(), "-o", (dir / "r.sin").string(), "--trace",
                            (dir / "trace.txt").string()});
    ASSERT_EQ(f.exit, 0) << f.err;
    std::ifstream in(dir / "trace.txt");
    const std::regex stamped(R"( *\d+ ms  .*)");
    const std::regex reply(R"( *\d+ ms  <- ([0-9A-F]{2} ){11}[0-9A-F]{2}  .{12})");
    int commands = 0;
    int replies = 0;
    for (std::string line; std::getline(in, line);) {
        ASSERT_TRUE(std::regex_match(line, stamped) || line.starts_with("                 ")) << line;
        char expected[40];
        std::snprintf(expected, sizeof expected, "ms  -> 52 %02X %02X 08", commands * 8 >> 8,
                      commands * 8 & 0xFF);
        if (Contains(line, expected)) ++commands;
        if (std::regex_match(line, reply)) ++replies;
    }
    EXPECT_EQ(commands, 256);
    EXPECT_EQ(replies, 256);
}

// Ten seconds of transfer must not end in an output that cannot be written: checked first.
TEST(CliLink, ReadChecksItsOutputBeforeTheRadio) {
    const TempDir dir;
    RadioOnPty radio(sim::DemoImage());
    std::ofstream(dir / "locked.sin") << "keep";
    fs::permissions(dir / "locked.sin", fs::perms::owner_read);
    const std::pair<fs::path, std::string> rows[] = {
        {dir / "no" / "x.sin", ": No such file or directory\n"},
        {dir / "locked.sin", ": the file is read-only\n"},
        {dir.Path(), ": Is a directory\n"},
    };
    for (const auto& [out, why] : rows) {
        const Finished f = Cli({"read", "--port", radio.Path(), "-o", out.string()});
        EXPECT_EQ(f.exit, 3);
        EXPECT_EQ(f.err, "Cannot save file " + out.string() + why);
    }
    EXPECT_TRUE(radio.Host().Events().empty());
}

// Ctrl+C cancels a read at once and writes nothing; a reader killed outright leaves no lock behind either.
TEST(CliLink, InterruptOrKillMidReadLeavesNothingBehind) {
    const TempDir dir;
    RadioOnPty radio(sim::DemoImage());
    auto exclusive = [&] {
        // Opened only for the look: a descriptor kept open would count as a program holding the port.
        const int fd = ::open(radio.Path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        int flag = 0;
        ::ioctl(fd, TIOCGEXCL, &flag);
        ::close(fd);
        return flag != 0;
    };
    for (const int signal : {SIGINT, SIGKILL}) {
        const std::size_t reads = radio.Events(Kind::Read).size();
        const Child reader = SpawnCli({"read", "--port", radio.Path(), "-o", (dir / "radio.sin").string()});
        ASSERT_TRUE(WaitFor([&] { return radio.Events(Kind::Read).size() >= reads + 3; }));
        EXPECT_TRUE(exclusive());  // held by the reader
        ::kill(reader.pid, signal);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Wait(reader).exit, signal == SIGINT ? 1 : 128 + SIGKILL);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_FALSE(fs::exists(dir / "radio.sin"));
        // After a kill the flag outlives the reader until the radio sees that nobody holds the port.
        EXPECT_TRUE(WaitFor([&] { return !exclusive(); })) << signal;
    }
}

TEST(CliLink, BadArgumentsAreUsageErrorsAndMissingFilesFileErrors) {
    const std::string none = "/dev/pm514rx-no-such-port";
    // clang-format off
    const std::pair<int, std::vector<std::string>> rows[] = {
        {2, {"sim", "--fault", "melt@3"}}, {2, {"sim", "--fault", "short-reply@3"}},
        {2, {"sim", "--fault", "drop-line@256"}}, {2, {"sim", "--fault", "write-nak@3:4"}},
        {2, {"sim", "--model", "0x1FF"}}, {2, {"sim", "--wake-answer", "0x06,zz"}}, {2, {"read", "-o", "x"}},
        {2, {"sim", "--test-silent-after", "never"}}, {2, {"write", "--port", none}},
        {2, {"read", "--port", none, "-o", "x.sin", "--retries", "-1"}},
        {2, {"testmode", "--port", none, "--item", "tx-power", "--value", "256"}},
        {2, {"testmode", "--port", none, "--item", "tx-power", "--value", "1", "--rx-tone", "100.1"}},
        {2, {"testmode", "--port", none, "--item", "rx-power", "--value", "1"}},
        {3, {"sim", "--save", PM_TEST_DATA_DIR}}, {3, {"write", "--port", none, "/nonexistent/plan.sin"}},
    };
    // clang-format on
    for (const auto& [exit, args] : rows) {
        const Finished f = Cli(args);
        EXPECT_EQ(f.exit, exit) << args[0] << " " << args[1] << " " << args.back() << ": " << f.err;
    }
}

// On a terminal: questions are answered there, and the progress gives way to messages and the outcome.
TEST(CliLink, TerminalAnswersAndProgress) {
    const TempDir dir;
    const std::string plan = (dir / "plan.sin").string();
    ASSERT_TRUE(SaveChannelFile(plan, NewDocumentImage()).ok());
    RadioOnPty other(sim::DemoImage(), 0x42);
    for (const std::string word : {"c", "C", "cancel", "Cancel "}) {  // an unknown answer asks again
        const Finished f = Cli({"write", "--port", other.Path(), plan}, {.terminal = "x\n" + word + "\no\n"});
        EXPECT_EQ(f.exit, 1) << word;
        EXPECT_TRUE(Contains(f.err, "[o/c] OK or Cancel? [o/c] ")) << f.err;
        EXPECT_TRUE(f.err.ends_with("Write cancelled: nothing was written to the radio.\n")) << f.err;
    }
    EXPECT_TRUE(other.Events(Kind::Write).empty());

    RadioOnPty radio(sim::DemoImage());
    const Finished read =
        Cli({"read", "--port", radio.Path(), "-o", (dir / "r.sin").string()}, {.terminal = ""});
    EXPECT_TRUE(Contains(read.err, "\r[###")) << read.err;
    EXPECT_TRUE(read.err.ends_with("\x1b[K\nRead complete: the document holds the radio's memory.\n"));
    RadioOnPty shortReply(sim::DemoImage(), kDefaultModel, {.blocks = {{ShortReply, 3, 11}}});
    const Finished failed =
        Cli({"read", "--port", shortReply.Path(), "-o", (dir / "f.sin").string()}, {.terminal = ""});
    EXPECT_TRUE(
        failed.err.ends_with("\r\x1b[K" + Line(link::kNotEnoughBytes) + "Read failed: nothing changed.\n"))
        << failed.err;

    // Several radios: one line each, redrawn in place.
    RadioOnPty second(sim::DemoImage());
    const Finished batch =
        Cli({"write", "--port", radio.Path(), "--port", second.Path(), plan}, {.terminal = ""});
    EXPECT_EQ(batch.exit, 0) << batch.err;
    EXPECT_TRUE(Contains(batch.err, "\x1b[2A\x1b[J")) << batch.err;
    EXPECT_FALSE(Contains(batch.err, "\x1b[0A"));
}

/** The summary row of port: its result, when the row is there and ends in a time. */
std::string SummaryResult(const std::string& out, const std::string& port) {
    const std::regex row("(^|\n)" + port + " +([^\n]*[^ \n]) +[0-9]+\\.[0-9] s(\n|$)");
    std::smatch m;
    return std::regex_search(out, m, row) ? m[2].str() : "(no row)";
}

TEST(CliSafety, SeveralRadiosBackedUpWrittenAndVerifiedAtOnce) {
    const TempDir dir;
    ASSERT_TRUE(SaveChannelFile(dir / "plan.sin", sim::DemoImage()).ok());
    RadioOnPty good(PatternImage(1));
    RadioOnPty corrupt(PatternImage(2), kDefaultModel, {.blocks = {{CorruptWrite, 6}}});
    RadioOnPty stops(PatternImage(3), kDefaultModel, {.blocks = {{WriteNoAck, 100}}});
    const fs::path backups = dir / "backups";
    const std::string missing = (dir / "ttyUSB9").string();

    const Finished r =
        Cli({"write", "--port", good.Path(), "--port", corrupt.Path(), "--port", stops.Path(), "--port",
             missing, "--verify", "--backup", backups.string(), (dir / "plan.sin").string()});

    EXPECT_EQ(r.exit, 1) << r.err;
    EXPECT_EQ(SummaryResult(r.out, good.Path()), "backed up, written, verified") << r.out;
    EXPECT_EQ(SummaryResult(r.out, corrupt.Path()), "backed up, written, verify failed (CH 3)");
    EXPECT_EQ(SummaryResult(r.out, stops.Path()),
              "backed up, write failed after 100 of 251 blocks, radio half-written");
    EXPECT_EQ(SummaryResult(r.out, missing), "port could not be opened, nothing written");
    // Every line a radio adds is led by its port.
    EXPECT_TRUE(Contains(r.out, good.Path() + ": Verified: the radio holds what was sent.\n")) << r.out;
    EXPECT_TRUE(Contains(r.err, corrupt.Path() + ":   CH 3 Receive(MHz): 145.55000 -> ")) << r.err;
    EXPECT_TRUE(Contains(r.err, stops.Path() + ": " + Line(link::kProgramInterrupt))) << r.err;
    EXPECT_TRUE(
        Contains(r.err, missing + ": " + Line(link::kOpenFailed) + missing + ": No such device: " + missing));
    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 3);

    const Finished twice =
        Cli({"write", "--port", good.Path(), "--port", good.Path(), (dir / "plan.sin").string()});
    EXPECT_EQ(twice.exit, 2);
    EXPECT_EQ(twice.err,
              "write: --port " + good.Path() + " is the same device as --port " + good.Path() + "\n");
}

// --backup alone keeps the copy in the data folder; without a home folder there is none, and then
// nothing is written to the radio.
TEST(CliSafety, BackupWithoutAFolderGoesToTheDataFolderOrNowhere) {
    const TempDir dir(0755);
    ASSERT_TRUE(SaveChannelFile(dir / "plan.sin", sim::DemoImage()).ok());
    const Image before = PatternImage(5);
    RadioOnPty radio(before);
    // --backup takes the next word when it can: here that word is the channel file.
    const std::vector<std::string> args = {"write", "--port", radio.Path(), "--backup",
                                           (dir / "plan.sin").string()};
    const Finished r = Cli(args, {.env = {"XDG_DATA_HOME=" + (dir / "data").string()}});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "Write complete: all 251 blocks are in the radio.\n");
    const std::string lead =
        "Backup of the radio's memory: " + (dir / "data/pm514rx/backups").string() + "/radio-";
    ASSERT_TRUE(r.out.starts_with(lead)) << r.out;
    Image stored{};
    ASSERT_TRUE(
        LoadChannelFile(r.out.substr(r.out.find(": ") + 2, r.out.size() - r.out.find(": ") - 3), stored)
            .ok());
    EXPECT_EQ(stored, before);
    EXPECT_EQ(radio.Events(Kind::Write).size(), 251u);
    // A port that does not open leaves no backup folder behind.
    const Finished absent = Cli({"write", "--port", (dir / "ttyNONE").string(), "--backup",
                                 (dir / "chain/of/folders").string(), (dir / "plan.sin").string()});
    EXPECT_NE(absent.exit, 0);
    EXPECT_FALSE(fs::exists(dir / "chain"));

    if (::geteuid() != 0) GTEST_SKIP() << "nobody's run (an account without a home) needs root";
    ASSERT_EQ(::chown(radio.Path().c_str(), kNobody, kNoGroup), 0);
    const Finished homeless = Cli(args, {.env = {"HOME", "XDG_DATA_HOME"}, .asNobody = true});
    EXPECT_EQ(homeless.exit, 3);
    EXPECT_EQ(homeless.err,
              "No home folder to keep backups in: set HOME or XDG_DATA_HOME, or name a backup folder.\n"
              "No backup, so nothing was written to the radio.\n"
              "Backup failed: nothing was written to the radio.\n");
    EXPECT_EQ(radio.Events(Kind::Write).size(), 251u);
}

// The backup of the first failed attempt stays the memory from before: the next write to the port names
// it before it starts, its own backup of the half-written radio never takes that place, and
// --restore-point writes it back (here into a sound radio put behind the same port name).
TEST(CliSafety, AnInterruptedWriteIsNamedByTheNextAndItsRestorePointWrittenBack) {
    ASSERT_TRUE(kDataHomeSet);
    const TempDir dir;
    ASSERT_TRUE(SaveChannelFile(dir / "plan.sin", sim::DemoImage()).ok());
    const Image before = PatternImage(4);
    const std::string memory(before.begin(), before.end());
    RadioOnPty faulty(before, kDefaultModel, {.blocks = {{WriteNoAck, 120}}});
    const fs::path port = dir / "radio";
    fs::create_symlink(faulty.Path(), port);
    const fs::path backups = dir / "backups";
    const std::vector<std::string> write = {"write",    "--port",         port.string(),
                                            "--backup", backups.string(), (dir / "plan.sin").string()};

    const Finished first = Cli(write);
    EXPECT_EQ(first.exit, 1);
    ASSERT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 1);
    const fs::path a = fs::directory_iterator(backups)->path();
    EXPECT_TRUE(Contains(first.err, "The radio's memory from before the write (read at ")) << first.err;
    EXPECT_TRUE(Contains(first.err, ") is kept in " + a.string() + "; write --port " + port.string() +
                                        " --restore-point writes it back.\n"));

    const Finished second = Cli(write);
    EXPECT_EQ(second.exit, 1);
    EXPECT_TRUE(
        second.err.starts_with("The last write to " + port.string() + " stopped after block 120 of 251 at "))
        << second.err;
    EXPECT_TRUE(Contains(second.err, "; the memory from before it is kept in " + a.string() + " (read at "));
    EXPECT_TRUE(Contains(second.err, ") is kept in " + a.string() + "; write --port"));
    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 2);
    EXPECT_EQ(ReadFile(a), memory);

    EXPECT_EQ(Cli({"write", "--port", port.string(), "--restore-point", "plan.sin"}).exit, 2);
    RadioOnPty sound(PatternImage(9));
    fs::remove(port);
    fs::create_symlink(sound.Path(), port);
    const Finished restored = Cli({"write", "--port", port.string(), "--restore-point"});
    EXPECT_EQ(restored.exit, 0) << restored.err;
    EXPECT_EQ(ReadFile(a), memory);
    const Image now = sound.Host().Memory();
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 0x7D8, now.begin()));
    // Whole again: nothing is named any more, and there is nothing to restore.
    const Finished after = Cli({"write", "--port", port.string(), "--restore-point"});
    EXPECT_EQ(after.exit, 3);
    EXPECT_EQ(after.err,
              "write: no memory from before an interrupted write to " + port.string() + " is kept\n");
}

// The causes are told apart by the port's own explanation; here it reaches the terminal after the message.
TEST(CliSafety, CableHelpFollowsTheOpenFailure) {
    const TempDir dir;
    const std::string opened = Line(link::kOpenFailed);
    const std::string out = (dir / "out.sin").string();
    const std::string missing = (dir / "ttyUSB\x1b[9").string();
    const std::string shown = (dir / "ttyUSB\\x1B[9").string();
    const Finished none = Cli({"read", "--port", missing, "-o", out});
    EXPECT_EQ(none.exit, 1);
    EXPECT_TRUE(
        none.err.starts_with(opened + "No such device: " + shown + ". Check that the cable is plugged in."))
        << none.err;

    ASSERT_TRUE(SaveChannelFile(dir / "plan.sin", sim::DemoImage()).ok());
    const std::string plan = (dir / "plan.sin").string();

    // Another program holding the port with a lock, as a terminal program would.
    RawPeer busy;
    const Child holder = Spawn({"flock", "--exclusive", busy.Path(), "sleep", "60"});
    ASSERT_TRUE(WaitFor([&] {
        const int probe = ::open(busy.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const bool locked = ::flock(probe, LOCK_EX | LOCK_NB) != 0;
        ::close(probe);
        return locked && FindPortHolders(busy.Path()).size() == 2;
    }));
    const Finished used = Cli({"write", "--port", busy.Path(), plan});
    EXPECT_EQ(used.exit, 1);
    EXPECT_TRUE(used.err.starts_with(opened + busy.Path() + " is already in use by flock (process " +
                                     std::to_string(holder.pid) + ")"))
        << used.err;
    ::kill(-holder.pid, SIGKILL);  // flock and the sleep it started
    (void)Wait(holder);
}

}  // namespace
}  // namespace pm::test
