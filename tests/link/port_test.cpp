// The serial port: names, exclusive open, line settings, the two time-out profiles, and the contract
// that the POSIX port and the in-memory radio port both keep.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "core/link/frames.h"
#include "core/link/port_names.h"
#include "core/link/posix_serial_port.h"
#include "sim/demo_image.h"
#include "sim/radio_port.h"
#include "tests/link/link_fixture.h"

namespace pm::test {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

TEST(PortNames, ComNamesMapToTtySAndEverythingElseIsAPath) {
    const std::pair<const char*, const char*> rows[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM2", "/dev/ttyS1"},
        {"COM3", "/dev/ttyS2"},
        {"COM4", "/dev/ttyS3"},
        {"COM5", "COM5"},
        {"com1", "com1"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"", ""},
    };
    for (const auto& [name, path] : rows) EXPECT_EQ(DevicePathOfPort(name), path) << name;
}

TEST(PosixPort, SilentLineEndsAOneByteReadAfterTheTotalTimeOut) {
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
        PosixSerialPort port;
        ASSERT_EQ(port.Open(peer.Path()), 0);
        port.Configure(row.profile);
        std::vector<std::uint8_t> buffer(row.bytes);
        const auto start = Clock::now();
        const ReadResult r = port.Read(buffer);
        const double ms = MsSince(start);
        EXPECT_TRUE(r.ok) << row.name;
        EXPECT_EQ(r.count, 0u) << row.name;
        EXPECT_GE(ms, row.expectMs - 5) << row.name;
        EXPECT_LT(ms, row.expectMs + 600) << row.name;
    }
}

TEST(PosixPort, ReplyThatStopsMidwayEndsTheReadAfterTheInterval) {
    RawPeer peer;
    PosixSerialPort port;
    ASSERT_EQ(port.Open(peer.Path()), 0);
    port.Configure(kTransferTimeouts);
    std::array<std::uint8_t, 12> buffer{};
    const auto start = Clock::now();
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (std::uint8_t b = 1; b <= 5; ++b) {
            peer.Send({b});
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // gaps below the interval
        }
    });
    const ReadResult r = port.Read(buffer);
    const double ms = MsSince(start);
    sender.join();
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, 5u);
    EXPECT_EQ(buffer[4], 5);
    // Last byte at about 140 ms, then 30 ms of quiet; far below the 6090 ms total.
    EXPECT_GE(ms, 165);
    EXPECT_LT(ms, 800);
}

TEST(PosixPort, HungUpLineFailsOutright) {
    RawPeer peer;
    PosixSerialPort port;
    ASSERT_EQ(port.Open(peer.Path()), 0);
    port.Configure(kTransferTimeouts);
    peer.HangUp();
    std::uint8_t b = 0;
    const auto start = Clock::now();
    const ReadResult r = port.Read({&b, 1});
    EXPECT_FALSE(r.ok);
    EXPECT_LT(MsSince(start), 300);
    EXPECT_FALSE(port.Write(std::span<const std::uint8_t>(&b, 1)));
}

TEST(PosixPort, ConfigureMakesTheLineRawEightNoneOne) {
    RawPeer peer;
    PosixSerialPort port;
    ASSERT_EQ(port.Open(peer.Path()), 0);
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
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
}

TEST(PosixPort, OpenIsExclusiveAndRefusesWhatIsNotATerminal) {
    RawPeer peer;
    PosixSerialPort first;
    PosixSerialPort second;
    ASSERT_EQ(first.Open(peer.Path()), 0);
    EXPECT_EQ(second.Open(peer.Path()), EBUSY);
    first.Close();
    EXPECT_EQ(second.Open(peer.Path()), 0);
    EXPECT_EQ(first.Open("/dev/pm514rx-no-such-port"), ENOENT);
    char plain[] = "/tmp/pm514rx-port-XXXXXX";
    const int fd = ::mkstemp(plain);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(first.Open(plain), ENOTTY);
    ::unlink(plain);
    EXPECT_FALSE(first.IsOpen());
}

// The contract: the same behaviour from the POSIX port on a pseudo-terminal and from the in-memory port.
class PortContract : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        sim::Faults faults;
        faults.blocks.push_back({sim::BlockFaultKind::ShortReply, 1, 5});
        if (GetParam()) {
            radioOnPty_ = std::make_unique<RadioOnPty>(sim::DemoImage(), kDefaultModel, faults);
            port_ = std::make_unique<PosixSerialPort>();
            name_ = radioOnPty_->Path();
        } else {
            radio_ = std::make_unique<sim::VirtualRadio>(sim::DemoImage(), kDefaultModel, faults);
            port_ = std::make_unique<sim::VirtualRadioPort>(*radio_);
            name_ = "virtual";
        }
        ASSERT_EQ(port_->Open(name_), 0);
        port_->Configure(kTestModeTimeouts);
    }

    void Send(std::span<const std::uint8_t> bytes) {
        for (const std::uint8_t b : bytes) {
            port_->Purge(Purge::Clear);
            ASSERT_TRUE(port_->Write({&b, 1}));
        }
    }

    std::uint8_t ReadByte() {
        std::uint8_t b = 0;
        const ReadResult r = port_->Read({&b, 1});
        EXPECT_TRUE(r.ok);
        return r.count == 1 ? b : 0;
    }

    void Identify() {
        Send(frame::kWakeUp);
        port_->Purge(Purge::Clear);
        ASSERT_EQ(ReadByte(), frame::kAck);
        Send(frame::kIdentify);
        port_->Purge(Purge::Clear);
        std::array<std::uint8_t, 8> record{};
        ASSERT_EQ(port_->Read(record).count, 8u);
        ASSERT_EQ(record[4], kDefaultModel);
        Send(std::array<std::uint8_t, 1>{frame::kAck});
        port_->Purge(Purge::Clear);
        ASSERT_EQ(ReadByte(), frame::kAck);
    }

    std::unique_ptr<RadioOnPty> radioOnPty_;
    std::unique_ptr<sim::VirtualRadio> radio_;
    std::unique_ptr<SerialPort> port_;
    std::string name_;
};

TEST_P(PortContract, ReadReplyArrivesWhole) {
    Identify();
    port_->Purge(Purge::Clear);
    ASSERT_TRUE(port_->Write(frame::BlockCommand('R', 0x10)));
    std::array<std::uint8_t, 12> reply{};
    const ReadResult r = port_->Read(reply);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.count, 12u);
    const Image demo = sim::DemoImage();
    EXPECT_TRUE(std::equal(reply.begin() + 4, reply.end(), demo.begin() + 0x10));
}

TEST_P(PortContract, ShortReplyReturnsWhatCameWithinTheTimeOuts) {
    Identify();
    port_->Purge(Purge::Clear);
    ASSERT_TRUE(port_->Write(frame::BlockCommand('R', 0x08)));
    std::array<std::uint8_t, 12> reply{};
    const auto start = Clock::now();
    const ReadResult r = port_->Read(reply);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 5u);
    EXPECT_LT(MsSince(start), 400);  // the 10 ms interval, not the 650 ms total
}

TEST_P(PortContract, ClearPurgeDropsAnAnswerThatHasArrived) {
    Send(frame::kWakeUp);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // past the radio's turnaround
    port_->Purge(Purge::Clear);
    std::uint8_t b = 0;
    const auto start = Clock::now();
    const ReadResult r = port_->Read({&b, 1});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 0u);
    EXPECT_GE(MsSince(start), 95);
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
