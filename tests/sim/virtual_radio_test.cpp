// The virtual radio driven byte by byte, its demonstration memory, and its terminal host's pacing.

#include <gtest/gtest.h>

#include <ostream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "core/image/document.h"
#include "core/image/numeric_text.h"
#include "core/image/setting_lists.h"
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

/** Wakes, identifies and confirms; the radio is then ready for blocks. */
void Enter(VirtualRadio& radio) {
    ASSERT_EQ(Feed(radio, WakeUp()).Bytes(), Bytes{0x06});
    ASSERT_EQ(Feed(radio, {'M', 0x02}).Bytes().size(), 8u);
    ASSERT_EQ(Feed(radio, {0x06}).Bytes(), Bytes{0x06});
}

Bytes Command(std::uint8_t letter, std::size_t address) {
    const auto c = frame::BlockCommand(letter, address);
    return {c.begin(), c.end()};
}

TEST(VirtualRadio, IdentificationStageAnswersAfterATurnaround) {
    VirtualRadio radio(DemoImage(), 0x37);
    const Reaction wake = Feed(radio, WakeUp());
    ASSERT_EQ(wake.segments.size(), 1u);
    EXPECT_TRUE(wake.segments[0].turnaround);
    EXPECT_EQ(wake.Bytes(), Bytes{0x06});
    const Reaction id = Feed(radio, {'M', 0x02});
    EXPECT_TRUE(id.segments.at(0).turnaround);
    EXPECT_EQ(id.Bytes(), (Bytes{'P', '5', '1', '4', 0x37, 'R', 'X', 0x00}));
    EXPECT_EQ(Feed(radio, {0x06}).Bytes(), Bytes{0x06});
    EXPECT_EQ(radio.Events().size(), 3u);
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
    };
    for (const auto& [name, bytes] : rows) EXPECT_TRUE(Feed(radio, bytes).Bytes().empty()) << name;
    EXPECT_EQ(radio.Memory(), demo);
}

TEST(VirtualRadio, WakeUpStartsOverFromAnyState) {
    VirtualRadio radio(DemoImage(), 0x37);
    Enter(radio);
    EXPECT_EQ(Feed(radio, WakeUp()).Bytes(), Bytes{0x06});
    EXPECT_EQ(Feed(radio, {'M', 0x02}).Bytes().size(), 8u);
    // A wake-up broken off half-way is forgotten once the line goes idle.
    VirtualRadio idle(DemoImage(), 0x37);
    (void)Feed(idle, {0x02, 'P', 'R'});
    EXPECT_TRUE(idle.InFrame());
    idle.OnLineIdle();
    EXPECT_FALSE(idle.InFrame());
    EXPECT_EQ(Feed(idle, WakeUp()).Bytes(), Bytes{0x06});
}

// Each fault and what the radio then does.
struct FaultRow {
    const char* name;
    Faults faults;
    Bytes after;     // bytes fed after entering programming mode
    Bytes expected;  // the radio's answer to those bytes
    bool dropLine = false;
};

/** Rows show by name in test listings. */
void PrintTo(const FaultRow& row, std::ostream* os) {
    *os << row.name;
}

Faults BlockFaultOf(BlockFaultKind kind, int block, std::size_t length = 0) {
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

class Fault : public ::testing::TestWithParam<FaultRow> {};

TEST_P(Fault, StrikesWhereItShould) {
    const FaultRow& row = GetParam();
    VirtualRadio radio(DemoImage(), 0x37, row.faults);
    Enter(radio);
    const Reaction reaction = Feed(radio, row.after);
    EXPECT_EQ(reaction.Bytes(), row.expected);
    EXPECT_EQ(reaction.dropLine, row.dropLine);
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

const FaultRow kFaultRows[] = {
    {"WriteNoAck", BlockFaultOf(BlockFaultKind::WriteNoAck, 2), Concat(WriteOf(8), WriteOf(16)), {0x06}},
    {"WriteNak", BlockFaultOf(BlockFaultKind::WriteNak, 1), WriteOf(8), {0x15}},
    {"ShortReply", BlockFaultOf(BlockFaultKind::ShortReply, 3, 10), Command('R', 24), DemoReply(24, 10)},
    {"ReadNoAck", BlockFaultOf(BlockFaultKind::ReadNoAck, 0), ReadThenAck(0), DemoReply(0, 12)},
    {"ReadNak", BlockFaultOf(BlockFaultKind::ReadNak, 0), ReadThenAck(0), Concat(DemoReply(0, 12), {0x15})},
    {"OtherBlocksUnaffected", BlockFaultOf(BlockFaultKind::ReadNoAck, 5), ReadThenAck(0),
     Concat(DemoReply(0, 12), {0x06})},
    {"DropLineStrikesAtItsBlock", BlockFaultOf(BlockFaultKind::DropLine, 4),
     Concat(Command('R', 24), Command('W', 32)), DemoReply(24, 12), true},
};

INSTANTIATE_TEST_SUITE_P(Rows, Fault, ::testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualRadio, FaultsOfTheIdentificationStage) {
    VirtualRadio late(DemoImage(), 0x37, {.ignoreWakeUps = 2});
    EXPECT_TRUE(Feed(late, WakeUp()).Bytes().empty());
    EXPECT_TRUE(Feed(late, WakeUp()).Bytes().empty());
    EXPECT_EQ(Feed(late, WakeUp()).Bytes(), Bytes{0x06});

    VirtualRadio twice(DemoImage(), 0x37, {.wakeAnswer = {0x15, 0x06}});
    const Reaction r = Feed(twice, WakeUp());
    ASSERT_EQ(r.segments.size(), 2u);  // the 0x06 comes a turnaround after the other byte
    EXPECT_TRUE(r.segments[1].turnaround);
    EXPECT_EQ(r.Bytes(), (Bytes{0x15, 0x06}));

    VirtualRadio cut(DemoImage(), 0x42, {.idLength = 3});
    (void)Feed(cut, WakeUp());
    EXPECT_EQ(Feed(cut, {'M', 0x02}).Bytes(), (Bytes{'P', '5', '1'}));

    VirtualRadio dropped(DemoImage(), 0x37, {.dropOnIdentify = true});
    (void)Feed(dropped, WakeUp());
    EXPECT_TRUE(Feed(dropped, {'M', 0x02}).dropLine);

    VirtualRadio slow(DemoImage(), 0x37, {.ignoreConfirmations = 1});
    (void)Feed(slow, WakeUp());
    (void)Feed(slow, {'M', 0x02});
    EXPECT_TRUE(Feed(slow, {0x06}).Bytes().empty());
    EXPECT_EQ(Feed(slow, {0x06}).Bytes(), Bytes{0x06});
}

TEST(VirtualRadio, CorruptWriteIsAcknowledgedButStoredWrong) {
    VirtualRadio radio(DemoImage(), 0x37, BlockFaultOf(BlockFaultKind::CorruptWrite, 1));
    Enter(radio);
    EXPECT_EQ(Feed(radio, WriteOf(8)).Bytes(), Bytes{0x06});
    EXPECT_EQ(radio.Memory()[8], 0xEE);
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

TEST(VirtualRadio, TestModeFaults) {
    VirtualRadio wrong(DemoImage(), 0x37);
    Enter(wrong);
    EXPECT_TRUE(Feed(wrong, {'x', 'u', 'u', 0x08}).Bytes().empty());  // no such item
    EXPECT_TRUE(Feed(wrong, {'x', 'q', 'r', 0x08}).Bytes().empty());  // letters differ

    VirtualRadio radio(DemoImage(), 0x37, {.testSilentAfter = TestFrame::Frequency, .testSilentTimes = 1});
    for (const bool silent : {true, false}) {
        Enter(radio);
        EXPECT_EQ(Feed(radio, {'x', 's', 's', 0x08}).Bytes(), Bytes{0x48});
        EXPECT_EQ(Feed(radio, Bytes(8, 0x11)).Bytes().empty(), silent);
    }
}

TEST(DemoImage, IsAPlausibleChannelPlanThatSurvivesTheEditor) {
    const Image demo = DemoImage();
    const EditorState state = DecodeToState(demo);
    int channels = 0;
    int toned = 0;
    int dcs = 0;
    int receiveOnly = 0;
    for (int n = 1; n <= kChannelCount; ++n) {
        if (!ChannelExists(ChannelRecord(demo, n))) continue;
        ++channels;
        const std::string rx = state.table.Text(n, col::kRxTone);
        const std::string tx = state.table.Text(n, col::kTxTone);
        toned += rx != "OFF" || tx != "OFF";
        dcs += tx.starts_with("D");
        receiveOnly += state.table.Text(n, col::kTransmit).empty();
        const double mhz = ParseLeadingDouble(state.table.Text(n, col::kReceive));
        EXPECT_GE(mhz, 136.0) << n;
        EXPECT_LE(mhz, 175.0) << n;
    }
    EXPECT_GE(channels, 30);
    EXPECT_GE(toned, 10);
    EXPECT_GE(dcs, 3);
    EXPECT_GE(receiveOnly, 3);
    EXPECT_EQ(SelectedText(state.lists, Setting::Warning), "Enable");
    EXPECT_EQ(SelectedText(state.lists, Setting::TxTotalTime), "180s");
    EXPECT_EQ(demo[kModelOffset], kDefaultModel);
    // The editor sends back exactly what it was given.
    EXPECT_EQ(RoundTrip(demo), demo);
}

// The host: a read command and its reply at the pace of a 9600-baud cable.
TEST(PtyHost, RealtimeRepliesTakeTheirWireTime) {
    for (const bool realtime : {false, true}) {
        HostOptions options;
        options.realtime = realtime;
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
        // 4 bytes out, 12 back: 16.7 ms on a cable; at once without pacing.
        if (realtime) {
            EXPECT_GE(ms, 16.0);
            EXPECT_LT(ms, 250.0);
        } else {
            EXPECT_LT(ms, 12.0);
        }
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
