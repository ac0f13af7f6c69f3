// The virtual radio driven byte by byte, its demonstration memory, and its terminal host's pacing.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "core/image/document.h"
#include "core/link/frames.h"
#include "sim/demo_image.h"
#include "sim/pty_host.h"
#include "sim/virtual_radio.h"

// Rows name only the fault fields they change; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pm::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = RadioEvent::Kind;

Reaction Feed(VirtualRadio& radio, const Bytes& bytes) {
    return radio.OnBytes(bytes);
}

Bytes WakeUp() {
    return {frame::kWakeUp.begin(), frame::kWakeUp.end()};
}

/** Wakes, identifies and confirms a radio of model 0x37; it is then ready for blocks. */
void Enter(VirtualRadio& radio) {
    const Reaction wake = Feed(radio, WakeUp());
    ASSERT_EQ(wake.Bytes(), Bytes{0x06});
    const Reaction id = Feed(radio, {'M', 0x02});
    ASSERT_EQ(id.Bytes(), (Bytes{'P', '5', '1', '4', 0x37, 'R', 'X', 0x00}));
    ASSERT_TRUE(wake.segments.at(0).turnaround && id.segments.at(0).turnaround);  // answers wait a turnaround
    ASSERT_EQ(Feed(radio, {0x06}).Bytes(), Bytes{0x06});
}

Bytes Command(std::uint8_t letter, std::size_t address) {
    const auto c = frame::BlockCommand(letter, address);
    return {c.begin(), c.end()};
}

TEST(VirtualRadio, ReadsAndWritesBlocksByAddress) {
    const Image demo = DemoImage();
    VirtualRadio radio(demo, 0x37);
    Enter(radio);
    const Reaction reply = Feed(radio, Command('R', 0x7F8));
    EXPECT_FALSE(reply.segments.at(0).turnaround);
    Bytes expected = {'W', 0x07, 0xF8, 0x08};
    expected.insert(expected.end(), demo.end() - 8, demo.end());
    EXPECT_EQ(reply.Bytes(), expected);
    EXPECT_EQ(Feed(radio, {0x06}).Bytes(), Bytes{0x06});
    EXPECT_TRUE(Feed(radio, {0x06}).Bytes().empty());  // nothing left to acknowledge

    Bytes write = Command('W', 0x10);
    const Bytes data = {0x02, 'P', 'R', 'O', 0x06, 'M', 0x02, 0xFF};  // protocol bytes as plain data
    write.insert(write.end(), data.begin(), data.end());
    EXPECT_EQ(Feed(radio, write).Bytes(), Bytes{0x06});
    EXPECT_TRUE(std::equal(data.begin(), data.end(), radio.Memory().begin() + 0x10));
    EXPECT_EQ(radio.Events().back(), (RadioEvent{Kind::Write, 0x10, true}));
}

TEST(VirtualRadio, IgnoresCommandsItDoesNotKnow) {
    const Image demo = DemoImage();
    VirtualRadio radio(demo, 0x37);
    EXPECT_TRUE(Feed(radio, Command('R', 0)).Bytes().empty());  // not woken yet
    Enter(radio);
    const std::pair<const char*, Bytes> rows[] = {
        {"length 16", {'R', 0x00, 0x00, 0x10}},
        {"past the end", {'R', 0x08, 0x00, 0x08}},
        {"unaligned", {'R', 0x00, 0x03, 0x08}},
        {"unknown letter", {'Q', 0x00, 0x00, 0x08}},
        // Silences within a test exchange are the link tests' (TestModeSilence).
        {"no such test item", {'x', 'u', 'u', 0x08}},
        {"test item letters differ", {'x', 'q', 'r', 0x08}},
    };
    for (const auto& [name, bytes] : rows) EXPECT_TRUE(Feed(radio, bytes).Bytes().empty()) << name;
    EXPECT_EQ(radio.Memory(), demo);
}

TEST(VirtualRadio, WakeUpStartsOverFromAnyState) {
    VirtualRadio radio(DemoImage(), 0x37);
    Enter(radio);
    Enter(radio);
    // A wake-up broken off half-way is forgotten once the line goes idle.
    VirtualRadio idle(DemoImage(), 0x37);
    (void)Feed(idle, {0x02, 'P', 'R'});
    EXPECT_TRUE(idle.InFrame());
    idle.OnLineIdle();
    EXPECT_FALSE(idle.InFrame());
    EXPECT_EQ(Feed(idle, WakeUp()).Bytes(), Bytes{0x06});
}

Faults Block(BlockFaultKind kind, int block, std::size_t length = 0) {
    return {.blocks = {{kind, block, length}}};
}

Bytes ReadThenAck(std::size_t address) {
    Bytes b = Command('R', address);
    b.push_back(0x06);
    return b;
}

Bytes WriteOf(std::size_t address) {
    Bytes b = Command('W', address);
    b.insert(b.end(), 8, 0x11);
    return b;
}

Bytes DemoReply(std::size_t address, std::size_t length) {
    const Image demo = DemoImage();
    Bytes b = Command('W', address);
    b.insert(b.end(), demo.begin() + static_cast<std::ptrdiff_t>(address),
             demo.begin() + static_cast<std::ptrdiff_t>(address + 8));
    b.resize(length);
    return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Each fault and what the radio answers to the bytes fed once it is in programming mode.
TEST(VirtualRadio, FaultsStrikeWhereTheyShould) {
    struct Row {
        const char* name;
        Faults faults;
        Bytes after;
        Bytes expected;
        bool dropLine = false;
    };
    const Row rows[] = {
        {"WriteNoAck", Block(BlockFaultKind::WriteNoAck, 2), Concat(WriteOf(8), WriteOf(16)), {0x06}},
        {"WriteNak", Block(BlockFaultKind::WriteNak, 1), WriteOf(8), {0x15}},
        {"ShortReply", Block(BlockFaultKind::ShortReply, 3, 10), Command('R', 24), DemoReply(24, 10)},
        {"ReadNoAck", Block(BlockFaultKind::ReadNoAck, 0), ReadThenAck(0), DemoReply(0, 12)},
        {"ReadNak", Block(BlockFaultKind::ReadNak, 0), ReadThenAck(0), Concat(DemoReply(0, 12), {0x15})},
        {"OtherBlocksUnaffected", Block(BlockFaultKind::ReadNoAck, 5), ReadThenAck(0),
         Concat(DemoReply(0, 12), {0x06})},
        {"DropLineStrikesAtItsBlock", Block(BlockFaultKind::DropLine, 4),
         Concat(Command('R', 24), Command('W', 32)), DemoReply(24, 12), true},
    };
    for (const Row& row : rows) {
        VirtualRadio radio(DemoImage(), 0x37, row.faults);
        Enter(radio);
        const Reaction reaction = Feed(radio, row.after);
        EXPECT_EQ(reaction.Bytes(), row.expected) << row.name;
        EXPECT_EQ(reaction.dropLine, row.dropLine) << row.name;
    }
}

// The other faults of this stage show in the transfers against the radio on a terminal.
TEST(VirtualRadio, WakeUpAnsweredTwiceAnswersATurnaroundApart) {
    VirtualRadio twice(DemoImage(), 0x37, {.wakeAnswer = {0x15, 0x06}});
    const Reaction r = Feed(twice, WakeUp());
    ASSERT_EQ(r.segments.size(), 2u);  // the 0x06 comes a turnaround after the other byte
    EXPECT_TRUE(r.segments[1].turnaround);
    EXPECT_EQ(r.Bytes(), (Bytes{0x15, 0x06}));
}

TEST(VirtualRadio, TakesATestModeExchangeAndRecordsIt) {
    VirtualRadio radio(DemoImage(), 0x37);
    Enter(radio);
    const Reaction item = Feed(radio, {'x', 't', 't', 0x08});
    ASSERT_EQ(item.Bytes(), Bytes{0x48});
    EXPECT_TRUE(item.segments[0].turnaround);
    const Bytes frequencies = {0x00, 0x00, 0x00, 0x23, 0x02, 0x06, 0x00, 0x23};  // protocol bytes as data
    EXPECT_EQ(Feed(radio, frequencies).Bytes(), Bytes{0x48});
    const Bytes values = {0x00, 0x00, 0x85, 0x08, 0xFB, 0x01, 0x01, 0x2F};
    EXPECT_EQ(Feed(radio, values).Bytes(), Bytes{0x48});
    ASSERT_EQ(radio.TestRecords().size(), 1u);
    const TestRecord& r = radio.TestRecords()[0];
    EXPECT_EQ(r.item, 't');
    EXPECT_TRUE(std::equal(frequencies.begin(), frequencies.end(), r.frequency.begin()));
    EXPECT_TRUE(std::equal(values.begin(), values.end(), r.value.begin()));
    EXPECT_EQ(radio.Memory(), DemoImage());
    // The exchange leaves the radio waiting for a new wake-up.
    EXPECT_TRUE(Feed(radio, {'x', 't', 't', 0x08}).Bytes().empty());
}

// That the editor sends the demonstration memory back unchanged is
// ChannelTableContract.DecodeEncodeRoundTrip's.
TEST(DemoImage, IsOfTheDefaultModelWithChannels) {
    const Image demo = DemoImage();
    EXPECT_EQ(demo[kModelOffset], kDefaultModel);
    int channels = 0;
    for (int n = 1; n <= kChannelCount; ++n) channels += ChannelExists(ChannelRecord(demo, n));
    EXPECT_GE(channels, 30);
}

// The host: a read command and its reply at once, at the pace of a 9600-baud cable (4 bytes out, 12 back:
// 16.7 ms), or held by a USB adapter's latency timer.
TEST(PtyHost, RepliesTakeTheirWireAndAdapterTime) {
    struct Row {
        const char* name;
        bool realtime;
        int latencyMs;
        double atLeastMs;
        double belowMs;  // generous: the machine may be busy
    };
    const Row rows[] = {
        {"at_once", false, 0, 0, 12}, {"cable", true, 0, 16, 250}, {"adapter", false, 40, 40, 1000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HostOptions options;
        options.realtime = row.realtime;
        options.adapterLatency = std::chrono::milliseconds(row.latencyMs);
        options.turnaround = std::chrono::microseconds(0);
        std::string error;
        auto host = PtyHost::Create(VirtualRadio(DemoImage(), 0x37), options, error);
        ASSERT_TRUE(host) << error;
        host->Start();
        const int fd = ::open(host->Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        auto exchange = [&](const Bytes& out, std::size_t expect) {
            EXPECT_EQ(::write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
            std::size_t got = 0;
            std::uint8_t buffer[64];
            pollfd p{fd, POLLIN, 0};
            while (got<expect&& ::poll(&p, 1, 2000)> 0) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            EXPECT_EQ(got, expect);
        };
        exchange(WakeUp(), 1);
        exchange({'M', 0x02}, 8);
        exchange({0x06}, 1);
        const auto start = std::chrono::steady_clock::now();
        exchange(Command('R', 0x100), 12);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(ms, row.atLeastMs);
        EXPECT_LT(ms, row.belowMs);
        ::close(fd);
    }
}

TEST(PtyHost, RefusesToReplaceAFileWithItsLink) {
    HostOptions options;
    options.linkPath = PM_TEST_DATA_DIR;
    std::string error;
    auto host = PtyHost::Create(VirtualRadio(DemoImage(), 0x37), options, error);
    EXPECT_FALSE(host);
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos);
}

}  // namespace
}  // namespace pm::sim
