// pm514rx-cli sim, read and write as separate processes, the way the README shows them.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "core/link/link_texts.h"
#include "sim/demo_image.h"
#include "tests/link/cli_process.h"

namespace pm::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> FileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ImageBytes(const Image& image) {
    return {image.begin(), image.end()};
}

/** `pm514rx-cli sim` in the background, serving on a link in a fresh directory. */
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> options = {}) {
        char templ[] = "/tmp/pm514rx-cli-link-XXXXXX";
        dir_ = ::mkdtemp(templ);
        options.insert(options.begin(), {"sim", "--turnaround", "25", "--link", Link()});
        child_ = Spawn(options);
        // The first line on stdout is the terminal's path.
        std::string line;
        pollfd p{child_.out, POLLIN, 0};
        while (line.find('\n') == std::string::npos && ::poll(&p, 1, 5000) > 0) {
            char c;
            if (::read(child_.out, &c, 1) != 1) break;
            line += c;
        }
        path_ = line.substr(0, line.find('\n'));
    }
    ~SimProcess() {
        if (child_.pid > 0) Stop();
        fs::remove_all(dir_);
    }
    Finished Stop() {
        ::kill(child_.pid, SIGINT);
        Finished f = Wait(child_);
        child_.pid = -1;
        return f;
    }
    [[nodiscard]] std::string Link() const { return (dir_ / "radio").string(); }
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] fs::path File(const char* name) const { return dir_ / name; }

  private:
    fs::path dir_;
    Child child_;
    std::string path_;
};

TEST(CliLink, SimReadAndWriteWorkTogetherAndTheSimSavesWhatWasWritten) {
    char templ[] = "/tmp/pm514rx-cli-save-XXXXXX";
    const fs::path dir = ::mkdtemp(templ);
    const fs::path saved = dir / "after.sin";
    {
        SimProcess sim({"--save", saved.string()});
        ASSERT_TRUE(sim.Path().starts_with("/dev/pts/")) << sim.Path();
        EXPECT_EQ(fs::read_symlink(sim.Link()).string(), sim.Path());

        const Finished read = Cli({"read", "--port", sim.Link(), "-o", sim.File("radio.sin")});
        EXPECT_EQ(read.exit, 0) << read.err;
        // No terminal: no progress bar, only the outcome.
        EXPECT_EQ(read.err, "Read complete: the document holds the radio's memory.\n");
        EXPECT_EQ(FileBytes(sim.File("radio.sin")), ImageBytes(sim::DemoImage()));

        ASSERT_EQ(Cli({"new", "-o", sim.File("plan.sin")}).exit, 0);
        const Finished write = Cli({"write", "--port", sim.Link(), sim.File("plan.sin")});
        EXPECT_EQ(write.exit, 0) << write.err;

        const Finished stopped = sim.Stop();
        EXPECT_EQ(stopped.exit, 0) << stopped.err;
        EXPECT_FALSE(fs::exists(fs::symlink_status(sim.Link())));
    }
    // What was written, and the radio's own last bytes.
    const auto bytes = FileBytes(saved);
    ASSERT_EQ(bytes.size(), kImageSize);
    const Image sent = RoundTrip(NewDocumentImage());
    const Image demo = sim::DemoImage();
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + 0x7D8, bytes.begin()));
    EXPECT_TRUE(std::equal(demo.begin() + 0x7D8, demo.end(), bytes.begin() + 0x7D8));
    fs::remove_all(dir);
}

TEST(CliLink, ModelQuestionIsCancelledWithoutYesAndAcceptedWithIt) {
    SimProcess sim({"--model", "0x42"});
    ASSERT_EQ(Cli({"new", "-o", sim.File("plan.sin")}).exit, 0);
    const Finished refused = Cli({"write", "--port", sim.Link(), sim.File("plan.sin")});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_EQ(refused.err, std::string(link::kModelMismatch.text) +
                               "\nWrite cancelled: nothing was written to the radio.\n");
    const Finished accepted = Cli({"write", "--port", sim.Link(), "--yes", sim.File("plan.sin")});
    EXPECT_EQ(accepted.exit, 0) << accepted.err;
}

TEST(CliLink, RetriesAnswerTheCommunicationError) {
    SimProcess sim({"--ignore-confirmations", "1"});
    ASSERT_EQ(Cli({"new", "-o", sim.File("plan.sin")}).exit, 0);
    const Finished retried = Cli({"write", "--port", sim.Link(), "--retries", "1", sim.File("plan.sin")});
    EXPECT_EQ(retried.exit, 0);
    EXPECT_EQ(retried.err, std::string(link::kCommunicationError.text) +
                               "\nWrite complete: all 251 blocks are in the radio.\n");
}

TEST(CliLink, FailedReadLeavesTheOutputFileAlone) {
    SimProcess sim({"--fault", "short-reply@3:9"});
    const fs::path kept = sim.File("kept.sin");
    std::ofstream(kept) << "keep";
    const Finished failed = Cli({"read", "--port", sim.Link(), "-o", kept.string()});
    EXPECT_EQ(failed.exit, 1);
    EXPECT_EQ(failed.err, std::string(link::kNotEnoughBytes.text) + "\nRead failed: nothing changed.\n");
    EXPECT_EQ(FileBytes(kept), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));

    const Finished missing = Cli({"read", "--port", sim.Link(), "-o", sim.File("new.sin")});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_FALSE(fs::exists(sim.File("new.sin")));
}

TEST(CliLink, InterruptCancelsAReadAndWritesNothing) {
    SimProcess sim;
    const Child reader = Spawn({"read", "--port", sim.Link(), "-o", sim.File("radio.sin")});
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ::kill(reader.pid, SIGINT);
    const auto start = std::chrono::steady_clock::now();
    const Finished f = Wait(reader);
    EXPECT_EQ(f.exit, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(fs::exists(sim.File("radio.sin")));
}

TEST(CliLink, TestModeSendsOneExchangeAndTheSimReportsIt) {
    SimProcess sim;
    const Finished f = Cli({"testmode", "--port", sim.Link(), "--item", "tx-power", "--value", "47", "--rx",
                            "230.00000", "--tx", "230.00000", "--tx-tone", "88.5"});
    EXPECT_EQ(f.exit, 0) << f.err;
    EXPECT_EQ(f.err, std::string(link::kTestModeDone.text) + "\n");
    const Finished stopped = sim.Stop();
    EXPECT_EQ(stopped.out,
              "test mode: item t, frequencies 00 00 00 23 00 00 00 23, values 00 00 85 08 FB 01 01 2F\n");
}

TEST(CliLink, TestModeWithoutAnAnswerFails) {
    SimProcess sim({"--test-silent-after", "value"});
    const Finished f = Cli({"testmode", "--port", sim.Link(), "--item", "squelch-level", "--value", "default",
                            "--retries", "1"});
    EXPECT_EQ(f.exit, 1);
    const std::string error = std::string(link::kTestModeError.text) + "\n";
    EXPECT_EQ(f.err, error + error);
}

TEST(CliLink, ClientKilledMidTransferDoesNotLockOthersOut) {
    SimProcess sim;
    const int fd = ::open(sim.Path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const Child reader = Spawn({"read", "--port", sim.Link(), "-o", sim.File("radio.sin")});
    auto exclusive = [fd] {
        int flag = 0;
        ::ioctl(fd, TIOCGEXCL, &flag);
        return flag != 0;
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(exclusive());  // held by the reader
    ::kill(reader.pid, SIGKILL);
    (void)Wait(reader);
    // The terminal is ours to keep open, so the flag outlives the reader until the virtual radio sees
    // that nobody holds the port any more.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (exclusive() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_FALSE(exclusive());
    ::close(fd);
}

TEST(CliLink, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> rows = {
        {"sim", "--fault", "melt@3"},
        {"sim", "--fault", "short-reply@3"},
        {"sim", "--fault", "drop-line@256"},
        {"sim", "--model", "0x1FF"},
        {"sim", "--wake-answer", "0x06,zz"},
        {"sim", "--test-silent-after", "never"},
        {"sim", "--save", PM_TEST_DATA_DIR},
        {"read", "-o", "x.sin"},
        {"write", "--port", "/dev/pm514rx-no-such-port"},
        {"read", "--port", "/dev/pm514rx-no-such-port", "-o", "x.sin", "--retries", "-1"},
        {"testmode", "--port", "/dev/pm514rx-no-such-port", "--item", "tx-power", "--value", "256"},
        {"testmode", "--port", "/dev/pm514rx-no-such-port", "--item", "tx-power", "--value", "4x"},
        {"testmode", "--port", "/dev/pm514rx-no-such-port", "--item", "tx-power", "--value", "1", "--rx-tone",
         "100.1"},
        {"testmode", "--port", "/dev/pm514rx-no-such-port", "--item", "tx-power", "--value", "1", "--tx-tone",
         "D754I"},
        {"testmode", "--port", "/dev/pm514rx-no-such-port", "--item", "rx-power", "--value", "1"},
    };
    for (const auto& args : rows) {
        const Finished f = Cli(args);
        EXPECT_EQ(f.exit, 2) << args[0] << " " << args[1] << " " << args.back() << ": " << f.err;
    }
}

TEST(CliLink, WriteOfAnUnreadableFileIsAFileError) {
    const Finished f = Cli({"write", "--port", "/dev/pm514rx-no-such-port", "/nonexistent/plan.sin"});
    EXPECT_EQ(f.exit, 3);
}

}  // namespace
}  // namespace pm::test
