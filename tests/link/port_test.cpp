// The serial port: names, exclusive open, line settings, the two time-out profiles, and the contract
// that the POSIX port and the in-memory radio port both keep.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>

#include "core/link/frames.h"
#include "core/link/port_names.h"
#include "core/link/posix_serial_port.h"
#include "core/safety/port_diagnosis.h"
#include "sim/demo_image.h"
#include "sim/radio_port.h"
#include "tests/support/process.h"
#include "tests/support/radio_fixture.h"
#include "tests/support/temp_dir.h"

namespace pm::test {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

TEST(PortNames, ComNamesMapToTtySAndEverythingElseIsAPath) {
    const std::pair<const char*, const char*> rows[] = {
        {"COM1", "/dev/ttyS0"}, {"COM4", "/dev/ttyS3"},           {"COM5", "COM5"},
        {"com1", "com1"},       {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"", ""},
    };
    for (const auto& [name, path] : rows) EXPECT_EQ(DevicePathOfPort(name), path) << name;
}

TEST(PosixPort, SilentLineEndsAReadAfterTheTotalTimeOut) {
    struct Row {
        const char* name;
        Timeouts profile;
        std::size_t bytes;
        double expectMs;
    };
    const Row rows[] = {
        {"transfer, 1 byte", kTransferTimeouts, 1, 590},
        {"test mode, 1 byte", kTestModeTimeouts, 1, 100},
        {"test mode, 8 bytes", kTestModeTimeouts, 8, 450},
    };
    RawPeer peer;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PosixSerialPort port;
        ASSERT_EQ(port.Open(peer.Path()), 0);
        port.Configure(row.profile);
        std::vector<std::uint8_t> buffer(row.bytes);
        const auto start = Clock::now();
        const ReadResult r = port.Read(buffer);
        EXPECT_TRUE(r.ok && r.count == 0);
        EXPECT_GE(MsSince(start), row.expectMs - 5);
        EXPECT_LT(MsSince(start), row.expectMs + 600);
    }
}

/** A POSIX port open on a terminal whose far end the test plays. */
class PosixPortOnPeer : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(port.Open(peer.Path()), 0); }
    RawPeer peer;
    PosixSerialPort port;
};

TEST_F(PosixPortOnPeer, HungUpLineFailsOutright) {
    port.Configure(kTransferTimeouts);
    peer.HangUp();
    std::uint8_t b = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(port.Read({&b, 1}).ok);
    EXPECT_LT(MsSince(start), 300);
    EXPECT_FALSE(port.Write(std::span<const std::uint8_t>(&b, 1)));
}

TEST_F(PosixPortOnPeer, ConfigureMakesTheLineRawEightNoneOne) {
    // Start from what a fresh serial device looks like: cooked, echoing, with XON/XOFF.
    const int fd = ::open(peer.Path().c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    ::tcgetattr(fd, &tio);
    tio.c_lflag |= ICANON | ECHO | ISIG;
    tio.c_iflag |= IXON | ICRNL;
    tio.c_cflag |= PARENB | CSTOPB;
    ::tcsetattr(fd, TCSANOW, &tio);
    EXPECT_TRUE(port.Configure(kTransferTimeouts));
    ::tcgetattr(fd, &tio);
    ::close(fd);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
}

TEST_F(PosixPortOnPeer, ClearPurgeDropsWhatHasArrived) {
    port.Configure(kTestModeTimeouts);
    peer.Send({0x06});
    // Every descriptor of a terminal sees the same input queue.
    const int fd = ::open(peer.Path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_TRUE(WaitFor([fd] {
        int queued = 0;
        return ::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0;
    }));
    ::close(fd);
    port.Purge(Purge::Clear);
    std::uint8_t b = 0;
    const ReadResult r = port.Read({&b, 1});
    EXPECT_TRUE(r.ok && r.count == 0);
}

TEST_F(PosixPortOnPeer, OpenIsExclusiveAndRefusesWhatIsNotATerminal) {
    PosixSerialPort second;
    EXPECT_EQ(second.Open(peer.Path()), EBUSY);
    port.Close();
    EXPECT_EQ(second.Open(peer.Path()), 0);
    EXPECT_EQ(port.Open("/dev/pm514rx-no-such-port"), ENOENT);
    const TempDir dir;
    std::ofstream(dir / "plain") << "x";
    EXPECT_EQ(port.Open((dir / "plain").string()), ENOTTY);
    EXPECT_FALSE(port.IsOpen());
}

// A program that holds the port without any lock (cat, a terminal program) would share the line: the
// port refuses, and the explanation names it. Root sees every user's programs; nobody its own.
TEST(PosixPort, OpenRefusesAPortAnotherProgramHoldsWithoutALock) {
    if (::geteuid() != 0) GTEST_SKIP() << "the holder runs as nobody, which needs root";
    RawPeer peer;
    ASSERT_EQ(::chown(peer.Path().c_str(), kNobody, kNoGroup), 0);
    const Child cat = Spawn({"cat", peer.Path()}, {.asNobody = true});
    ASSERT_TRUE(WaitFor([&] { return !FindPortHolders(peer.Path()).empty(); }));
    PosixSerialPort port;
    EXPECT_EQ(port.Open(peer.Path()), EBUSY);
    EXPECT_EQ(ExplainOpenFailure(peer.Path(), EBUSY), peer.Path() + " is already in use by cat (process " +
                                                          std::to_string(cat.pid) +
                                                          "). Close it and try again.");
    EXPECT_EQ(InChildAsNobody([&] { return std::to_string(PosixSerialPort().Open(peer.Path())); }),
              std::to_string(EBUSY));
    ::kill(cat.pid, SIGKILL);
    (void)Wait(cat);
    EXPECT_EQ(port.Open(peer.Path()), 0);
}

// The contract: the same behaviour from the POSIX port on a pseudo-terminal and from the in-memory port.
class PortContract : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        const sim::Faults faults{.blocks = {{sim::BlockFaultKind::ShortReply, 1, 5}}};
        if (GetParam()) {
            radioOnPty_ = std::make_unique<RadioOnPty>(sim::DemoImage(), kDefaultModel, faults);
            port_ = std::make_unique<PosixSerialPort>();
        } else {
            radio_ = std::make_unique<sim::VirtualRadio>(sim::DemoImage(), kDefaultModel, faults);
            port_ = std::make_unique<sim::VirtualRadioPort>(*radio_);
        }
        ASSERT_EQ(port_->Open(GetParam() ? radioOnPty_->Path() : "virtual"), 0);
        port_->Configure(kTestModeTimeouts);
        Identify();
    }

    void Send(std::span<const std::uint8_t> bytes) {
        for (const std::uint8_t b : bytes) {
            port_->Purge(Purge::Clear);
            ASSERT_TRUE(port_->Write({&b, 1}));
        }
    }

    void Identify() {
        Send(frame::kWakeUp);
        std::array<std::uint8_t, 8> record{};
        ASSERT_EQ(port_->Read({record.data(), 1}).count, 1u);
        ASSERT_EQ(record[0], frame::kAck);
        Send(frame::kIdentify);
        ASSERT_EQ(port_->Read(record).count, 8u);
        ASSERT_EQ(record[4], kDefaultModel);
        Send(std::array<std::uint8_t, 1>{frame::kAck});
        ASSERT_EQ(port_->Read({record.data(), 1}).count, 1u);
    }

    /** Reads the reply to a read command for address; its length and how long it took. */
    std::pair<std::size_t, double> Block(std::size_t address, std::array<std::uint8_t, 12>& reply) {
        port_->Purge(Purge::Clear);
        EXPECT_TRUE(port_->Write(frame::BlockCommand('R', address)));
        const auto start = Clock::now();
        const ReadResult r = port_->Read(reply);
        EXPECT_TRUE(r.ok);
        return {r.count, MsSince(start)};
    }

    std::unique_ptr<RadioOnPty> radioOnPty_;
    std::unique_ptr<sim::VirtualRadio> radio_;
    std::unique_ptr<SerialPort> port_;
};

TEST_P(PortContract, ReadReplyArrivesWhole) {
    std::array<std::uint8_t, 12> reply{};
    ASSERT_EQ(Block(0x10, reply).first, 12u);
    const Image demo = sim::DemoImage();
    EXPECT_TRUE(std::equal(reply.begin() + 4, reply.end(), demo.begin() + 0x10));
}

TEST_P(PortContract, ShortReplyEndsAfterTheIntervalNotTheTotal) {
    std::array<std::uint8_t, 12> reply{};
    const auto [count, ms] = Block(0x08, reply);
    EXPECT_EQ(count, 5u);
    EXPECT_LT(ms, 400);  // the 10 ms interval, not the 650 ms total
}

TEST_P(PortContract, ClosedPortNeitherReadsNorWrites) {
    port_->Close();
    EXPECT_FALSE(port_->IsOpen());
    std::uint8_t b = 0x06;
    EXPECT_FALSE(port_->Write({&b, 1}));
    EXPECT_FALSE(port_->Read({&b, 1}).ok);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortContract, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "PosixOnPty" : "InMemory"; });

}  // namespace
}  // namespace pm::test
