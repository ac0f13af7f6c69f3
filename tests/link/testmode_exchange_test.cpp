// Test Mode: the frames built from the dialog's texts, and whole exchanges against the virtual radio
// over a pseudo-terminal, with every point where the radio can fall silent.

#include <gtest/gtest.h>

#include <ostream>

#include <cerrno>
#include <chrono>

#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/testmode_exchange.h"
#include "sim/demo_image.h"
#include "tests/support/radio_fixture.h"

namespace pm::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = sim::RadioEvent::Kind;
using Call = PortCall::Kind;

template <std::size_t N>
Bytes Of(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

// Which number a field's text sends is the rules' (FrameFrequency.Table); here, its BCD bytes and places.
TEST(TestModeFrames, FrequencyFrameFromFieldTexts) {
    const std::pair<const char*, Bytes> rows[] = {
        {"230.00000", {0x00, 0x00, 0x00, 0x23}}, {"231.20625", {0x25, 0x06, 0x12, 0x23}},
        {"", {0x00, 0x00, 0x00, 0x00}},          {"999.99999", {0x99, 0x99, 0x99, 0x99}},
        {"12.5 MHz", {0x00, 0x00, 0x25, 0x01}},  {"-5", {0x00, 0x00, 0x00, 0x22}},
    };
    for (const auto& [text, bytes] : rows) {
        const Bytes frame = Of(FrequencyFrame(text, "231.20625"));
        EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 4), bytes) << text;
        EXPECT_EQ(Bytes(frame.begin() + 4, frame.end()), (Bytes{0x25, 0x06, 0x12, 0x23})) << text;
    }
}

TEST(TestModeFrames, ToneBytesAndValueFrame) {
    const std::pair<const char*, Bytes> tones[] = {
        {"88.5", {0x85, 0x08}},  {"67.0", {0x70, 0x06}}, {"254.1", {0x41, 0x25}}, {"210.7", {0x07, 0x21}},
        {"206.5", {0x65, 0x20}}, {"OFF", {0x00, 0x00}},  {"D017N", {0x00, 0x00}}, {"D311I", {0x00, 0x00}},
    };
    for (const auto& [entry, bytes] : tones) EXPECT_EQ(Of(ToneBytes(entry)), bytes) << entry;
    EXPECT_EQ(Of(ValueFrame("OFF", "88.5", 47)), (Bytes{0x00, 0x00, 0x85, 0x08, 0xFB, 0x01, 0x01, 0x2F}));
    EXPECT_EQ(Of(ValueFrame("D023N", "210.7", 160)), (Bytes{0x00, 0x00, 0x07, 0x21, 0xFB, 0x01, 0x01, 0xA0}));
}

TestModeRequest Request(TestItem item, std::uint8_t value, std::string rx = "", std::string tx = "",
                        std::string rxTone = "OFF", std::string txTone = "OFF") {
    return TestModeRequest{item, value, std::move(rx), std::move(tx), std::move(rxTone), std::move(txTone)};
}

TEST(TestModeExchange, SendsTheFramesOfTheWorkedExample) {
    RadioOnPty radio(sim::DemoImage());
    RecordingPort port;
    ScriptedHost host;
    const LinkOutcome out = RunTestMode(
        port, radio.Path(), Request(TestItem::TxPower, 47, "230.00000", "230.00000", "OFF", "88.5"), host);
    ASSERT_EQ(out.result, LinkResult::Done);
    EXPECT_EQ(out.shown, std::vector<Message>{link::kTestModeDone});
    EXPECT_EQ(port.configured, std::vector<Timeouts>{kTestModeTimeouts});

    std::vector<Bytes> writes;
    for (const auto& w : port.Calls(Call::Write)) writes.push_back(w.bytes);
    // Wake-up, identification, confirmation and item letter byte by byte, then the frames whole.
    std::vector<Bytes> expected;
    for (const char c : std::string_view("\x02PROGRAM\x02\x06\x78\x74", 12))
        expected.push_back({static_cast<std::uint8_t>(c)});
    expected.push_back({0x74, 0x08});
    expected.push_back({0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x00, 0x23});
    expected.push_back({0x00, 0x00, 0x85, 0x08, 0xFB, 0x01, 0x01, 0x2F});
    EXPECT_EQ(writes, expected);
    std::vector<std::size_t> asked;  // wake-up, record, confirmation, then an answer to each frame
    for (const auto& r : port.Calls(Call::Read)) asked.push_back(r.asked);
    EXPECT_EQ(asked, (std::vector<std::size_t>{1, 8, 1, 1, 1, 1}));
    const auto records = radio.Host().TestRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].item, 't');
    EXPECT_EQ(port.calls.back().kind, Call::Close);
    // The radio's memory is no business of Test Mode.
    EXPECT_TRUE(radio.Events(Kind::Read).empty());
    EXPECT_TRUE(radio.Events(Kind::Write).empty());
}

TEST(TestModeExchange, DefaultValueEmptyFieldsAndDcsTone) {
    RadioOnPty radio(sim::DemoImage(), 0x42, {.idLength = 0});  // the record is never examined
    RecordingPort port;
    ScriptedHost host;
    const LinkOutcome out =
        RunTestMode(port, radio.Path(), Request(TestItem::SquelchLevel, 160, "", "", "D023N"), host);
    ASSERT_EQ(out.result, LinkResult::Done);
    const auto records = radio.Host().TestRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], (sim::TestRecord{'s', {}, {0x00, 0x00, 0x00, 0x00, 0xFB, 0x01, 0x01, 0xA0}}));
}

// Where the radio falls silent, what the user is asked, and how the exchange ends.
struct SilenceRow {
    const char* name;
    sim::Faults faults;
    std::vector<Answer> answers;
    std::vector<Message> shown;
    LinkResult result;
    std::size_t records;  // exchanges the radio received to the end
    std::size_t wakeUps;
};

/** Rows show by name in test listings. */
void PrintTo(const SilenceRow& row, std::ostream* os) {
    *os << row.name;
}

sim::Faults Silent(sim::TestFrame frame, int times) {
    return {.testSilentAfter = frame, .testSilentTimes = times};
}

class TestModeSilence : public ::testing::TestWithParam<SilenceRow> {};

TEST_P(TestModeSilence, AsksRetryOrCancel) {
    const SilenceRow& row = GetParam();
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, row.faults);
    RecordingPort port;
    ScriptedHost host(row.answers);
    const auto start = std::chrono::steady_clock::now();
    const LinkOutcome out =
        RunTestMode(port, radio.Path(), Request(TestItem::TxFrequency, 91, "231.20625", "231.20625"), host);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(out.result, row.result);
    EXPECT_EQ(out.shown, row.shown);
    EXPECT_EQ(radio.Host().TestRecords().size(), row.records);
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), row.wakeUps);
    // Every attempt begins with the 700 ms pause, and a Retry keeps the port open.
    EXPECT_GE(elapsed, std::chrono::milliseconds(700) * row.wakeUps);
    EXPECT_EQ(port.Calls(Call::Open).size(), 1u);
    EXPECT_FALSE(port.IsOpen());
}

const Message kError = link::kTestModeError;
const Message kDone = link::kTestModeDone;
const auto kRetry = std::vector<Answer>{Answer::Retry};
// clang-format off
const SilenceRow kSilenceRows[] = {
    {"SilentRadio", {.silent = true}, {}, {kError}, LinkResult::Failed, 0, 1},
    {"WakeUpAnsweredTwiceWrongly", {.wakeAnswer = {0x15, 0x15}}, {}, {kError}, LinkResult::Failed, 0, 1},
    {"WakeUpAnsweredFirstWithAnotherByte", {.wakeAnswer = {0x15, 0x06}}, {}, {kDone}, LinkResult::Done, 1, 1},
    {"IdentificationReadFails", {.dropOnIdentify = true}, {}, {kError}, LinkResult::Failed, 0, 1},
    {"ConfirmationUnanswered", {.confirmAnswer = std::nullopt}, {}, {kError}, LinkResult::Failed, 0, 1},
    {"SilentAfterItemOnceThenRetry", Silent(sim::TestFrame::Item, 1), kRetry, {kError, kDone},
     LinkResult::Done, 1, 2},
    {"SilentAfterFrequencyRetriedThenCancelled", Silent(sim::TestFrame::Frequency, -1), kRetry,
     {kError, kError}, LinkResult::Failed, 0, 2},
    {"SilentAfterValueOnceThenRetrySendsEverythingAgain", Silent(sim::TestFrame::Value, 1), kRetry,
     {kError, kDone}, LinkResult::Done, 2, 2},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, TestModeSilence, ::testing::ValuesIn(kSilenceRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TestModeExchange, OpenFailureSendsNothing) {
    RecordingPort port;
    ScriptedHost host;
    const LinkOutcome missing =
        RunTestMode(port, "/dev/pm514rx-no-such-port", Request(TestItem::TxPower, 1), host);
    EXPECT_EQ(missing.result, LinkResult::Failed);
    EXPECT_EQ(missing.shown, std::vector<Message>{link::kOpenFailed});
    EXPECT_EQ(missing.openError, ENOENT);  // a held port fails the same way, as the transfers show
    EXPECT_TRUE(port.Calls(Call::Write).empty());
}

}  // namespace
}  // namespace pm::test
