// Read and write transfers over a real POSIX port on a pseudo-terminal, against the virtual radio.

#include <gtest/gtest.h>

#include <ostream>

#include <cerrno>

#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/transfer_session.h"
#include "sim/demo_image.h"
#include "tests/support/radio_fixture.h"

namespace pm::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = sim::RadioEvent::Kind;
using Call = PortCall::Kind;
using Messages = std::vector<Message>;
using enum sim::BlockFaultKind;

Bytes Command(std::uint8_t letter, std::size_t address) {
    const auto c = frame::BlockCommand(letter, address);
    return {c.begin(), c.end()};
}

// A write never touches the radio's last forty bytes.
TEST(Transfer, FullReadAndWriteAreByteExactAndFollowTheWireSequence) {
    for (const bool write : {false, true}) {
        SCOPED_TRACE(write ? "write" : "read");
        const Image demo = sim::DemoImage();
        RadioOnPty radio(demo);
        RecordingPort port;
        ScriptedHost host;
        Image image = PatternImage(write ? 3 : 7);
        TransferSession session(port, radio.Path(), host);
        const LinkOutcome out = write ? session.Write(image) : session.Read(image);

        ASSERT_EQ(out.result, LinkResult::Done);
        EXPECT_TRUE(host.asked.empty());
        const std::size_t blocks = write ? 251 : 256;
        EXPECT_EQ(out.blocks, static_cast<int>(blocks));
        const auto writes = port.Calls(Call::Write);
        ASSERT_EQ(writes.size(), 10u + 2 * blocks);
        for (std::size_t i = 0; i < frame::kWakeUp.size(); ++i)
            EXPECT_EQ(writes[i].bytes, Bytes{frame::kWakeUp[i]});  // the wake-up byte by byte
        EXPECT_EQ(writes[7].bytes, Bytes{'M'});
        EXPECT_EQ(writes[8].bytes, Bytes{0x02});
        EXPECT_EQ(writes[9].bytes, Bytes{0x06});
        for (std::size_t k = 0; k < blocks; ++k) {
            EXPECT_EQ(writes[10 + 2 * k].bytes, Command(write ? 'W' : 'R', 8 * k)) << "block " << k;
            EXPECT_EQ(writes[11 + 2 * k].bytes,
                      write ? Bytes(image.begin() + 8 * k, image.begin() + 8 * k + 8) : Bytes{0x06});
        }
        for (std::size_t i = 0; i < port.calls.size(); ++i) {  // a clear purge before every write
            EXPECT_TRUE(port.calls[i].kind != Call::Write || port.calls[i - 1].kind == Call::ClearPurge) << i;
        }
        EXPECT_EQ(port.configured, std::vector<Timeouts>{kTransferTimeouts});
        EXPECT_EQ(port.calls.front().kind, Call::Open);
        EXPECT_EQ(port.calls.back().kind, Call::Close);
        std::vector<std::string> statuses = {std::string(link::kStatusDetecting),
                                             std::string(link::kStatusWaiting)};
        for (int i = 1; i <= (write ? 250 : 251); ++i) statuses.push_back(std::to_string(i));
        EXPECT_EQ(host.statuses, statuses);
        EXPECT_EQ(host.progress.back(), link::kProgressMax);
        const auto done = radio.Events(write ? Kind::Write : Kind::Read);
        ASSERT_EQ(done.size(), blocks);
        for (std::size_t k = 0; k < done.size(); ++k) EXPECT_EQ(done[k].address, 8 * k);
        EXPECT_TRUE(radio.Events(write ? Kind::Read : Kind::Write).empty());
        const Image memory = radio.Host().Memory();
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + (write ? 0x7D8 : kImageSize), memory.begin()));
        EXPECT_TRUE(std::equal(demo.begin() + 0x7D8, demo.end(), memory.begin() + 0x7D8));
    }
}

// Failure rows: what the radio does wrong, what the user is shown, how the transfer ends.
struct FailureRow {
    const char* name;
    bool write;
    sim::Faults faults;
    Message shown;
    int blocks;
    bool fastTimeouts = false;  // for radios that keep silent through long time-outs
};

sim::Faults Block(sim::BlockFaultKind kind, int block, std::size_t length = 0) {
    return {.blocks = {{kind, block, length}}};
}

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.name;
}

class TransferFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(TransferFailure, ShowsItsMessageClosesThePortAndKeepsTheImage) {
    const FailureRow& row = GetParam();
    // Reads go to a radio of another model: a read never asks the model question.
    RadioOnPty radio(sim::DemoImage(), row.write ? kDefaultModel : 0x42, row.faults);
    RecordingPort port;
    port.divisor = row.fastTimeouts ? 10 : 1;
    ScriptedHost host;  // Cancel to every question
    const Image before = PatternImage(11);
    Image image = before;
    TransferSession session(port, radio.Path(), host);
    const LinkOutcome out = row.write ? session.Write(image) : session.Read(image);

    EXPECT_EQ(out.result, LinkResult::Failed);
    EXPECT_EQ(host.asked, Messages{row.shown});
    EXPECT_EQ(out.shown, Messages{row.shown});
    EXPECT_EQ(out.blocks, row.blocks);
    // Only a block sent whole and left unanswered may be in the radio; a refused or cut-off one is not.
    EXPECT_EQ(out.blockUnanswered, std::string_view(row.name) == "WriteBlockNotAcknowledged");
    EXPECT_EQ(image, before);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.calls.back().kind, Call::Close);
}

const FailureRow kFailureRows[] = {
    {"WakeUpAnsweredWronglyTwice", false, {.wakeAnswer = {0x15, 0x15}}, link::kCommunicationError, 0, true},
    {"IdentificationReadFails", false, {.dropOnIdentify = true}, link::kCommunicationError, 0},
    {"ConfirmationUnanswered", true, {.confirmAnswer = std::nullopt}, link::kCommunicationError, 0, true},
    {"ConfirmationAnsweredWrongly", false, {.confirmAnswer = 0x15}, link::kCommunicationError, 0, true},
    {"WriteBlockNotAcknowledged", true, Block(WriteNoAck, 5), link::kProgramInterrupt, 5},
    {"WriteBlockRefused", true, Block(WriteNak, 0), link::kProgramInterrupt, 0},
    {"LineDroppedDuringWrite", true, Block(DropLine, 3), link::kProgramInterrupt, 3},
    {"ReadReplyOfNineBytes", false, Block(ShortReply, 2, 9), link::kNotEnoughBytes, 2},
    // A reply one or two bytes short is no block either: nothing stale may take the missing places.
    {"ReadReplyOfTenBytes", false, Block(ShortReply, 7, 10), link::kNotEnoughBytes, 7},
    {"ReadReplyOfElevenBytes", false, Block(ShortReply, 9, 11), link::kNotEnoughBytes, 9},
    {"ReadReplyMissing", false, Block(ShortReply, 0, 0), link::kNotEnoughBytes, 0, true},
    {"ReadBlockAckMissing", false, Block(ReadNoAck, 1), link::kReadAckError, 1},
    {"ReadBlockAckWrong", false, Block(ReadNak, 1), link::kReadAckError, 1},
    {"LineDroppedDuringRead", false, Block(DropLine, 2), link::kNotEnoughBytes, 2},
};

INSTANTIATE_TEST_SUITE_P(Rows, TransferFailure, ::testing::ValuesIn(kFailureRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Transfer, SilentRadioGetsFifteenAttemptsOfTwoReadsEach) {
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, {.silent = true});
    RecordingPort port;
    port.divisor = 10;
    ScriptedHost host;
    Image image = PatternImage(1);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Read(image);
    EXPECT_EQ(out.shown, Messages{link::kCommunicationError});
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), 15u);
    const auto reads = port.Calls(Call::Read);
    EXPECT_EQ(reads.size(), 30u);
    for (const auto& r : reads) EXPECT_EQ(r.asked, 1u);
    EXPECT_EQ(port.Calls(Call::FullPurge).size(), 15u);
}

// Faults a transfer gets over: with a Retry that starts over on the port it holds, or within one attempt.
TEST(Transfer, RecoversWithTheSamePortOpen) {
    struct Row {
        const char* name;
        sim::Faults faults;
        std::vector<Answer> answers;
        Messages asked;
        std::size_t wakeUps;
        std::size_t confirms;
        bool fastTimeouts;  // the retried rows wait out a silent radio first
    };
    const Messages error = {link::kCommunicationError};
    // clang-format off
    const Row rows[] = {
        {"RetryAfterTheCommunicationError", {.ignoreWakeUps = 15}, {Answer::Retry}, error, 16, 1, true},
        {"RetryAfterNoConfirmation", {.ignoreConfirmations = 1}, {Answer::Retry}, error, 2, 2, true},
        {"WakeUpAnsweredFirstWithAnotherByte", {.wakeAnswer = {0x15, 0x06}}, {}, {}, 1, 1, false},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RadioOnPty radio(sim::DemoImage(), kDefaultModel, row.faults);
        RecordingPort port;
        port.divisor = row.fastTimeouts ? 10 : 1;
        ScriptedHost host(row.answers);
        EXPECT_EQ(TransferSession(port, radio.Path(), host).Write(PatternImage(2)).result, LinkResult::Done);
        EXPECT_EQ(host.asked, row.asked);
        EXPECT_EQ(radio.Events(Kind::WakeUp).size(), row.wakeUps);
        EXPECT_EQ(radio.Events(Kind::Confirm).size(), row.confirms);
        EXPECT_EQ(port.Calls(Call::Open).size(), 1u);
        EXPECT_EQ(port.Calls(Call::Close).size(), 1u);
    }
}

// The model check before a write: which radio codes pass, and what OK and Cancel do.
struct ModelRow {
    const char* name;
    std::uint8_t radioModel;
    std::size_t idLength;
    std::vector<Answer> answers;
    bool asked;
    LinkResult result;
    std::size_t wakeUps;
};

void PrintTo(const ModelRow& row, std::ostream* os) {
    *os << row.name;
}

class ModelCheck : public ::testing::TestWithParam<ModelRow> {};

TEST_P(ModelCheck, AsksOnlyOnAMismatch) {
    const ModelRow& row = GetParam();
    RadioOnPty radio(sim::DemoImage(), row.radioModel, {.idLength = row.idLength});
    RecordingPort port;
    port.divisor = 10;
    ScriptedHost host(row.answers);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(PatternImage(5, 0x00));

    EXPECT_EQ(out.result, row.result);
    EXPECT_EQ(host.asked, row.asked ? Messages{link::kModelMismatch} : Messages{});
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), row.wakeUps);
    EXPECT_EQ(radio.Events(Kind::Identify).size(), row.wakeUps);
    if (row.result == LinkResult::Done) {
        EXPECT_EQ(radio.Events(Kind::Write).size(), 251u);
    } else {
        EXPECT_TRUE(radio.Events(Kind::Confirm).empty());
        EXPECT_EQ(radio.Host().Memory(), sim::DemoImage());
    }
}

// The image's model is 0x00, the byte a record too short to hold the model leaves in its place.
const ModelRow kModelRows[] = {
    {"AnyModelPasses", 0xFF, 8, {}, false, LinkResult::Done, 1},
    {"EqualModelPasses", 0x00, 8, {}, false, LinkResult::Done, 1},
    {"FiveByteRecordIsEnough", 0x00, 5, {}, false, LinkResult::Done, 1},
    {"MismatchOkIdentifiesAgainWithoutAsking", 0x42, 8, {Answer::Ok}, true, LinkResult::Done, 2},
    {"MismatchCancelWritesNothing", 0x42, 8, {Answer::Cancel}, true, LinkResult::Cancelled, 1},
    {"ShortRecordCountsAsMismatch", 0x00, 4, {Answer::Cancel}, true, LinkResult::Cancelled, 1},
    {"ShortRecordAcceptedWithOk", 0x00, 2, {Answer::Ok}, true, LinkResult::Done, 2},
};

INSTANTIATE_TEST_SUITE_P(Rows, ModelCheck, ::testing::ValuesIn(kModelRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A cancel takes effect between blocks: what went through stays, the caller's image is untouched.
TEST(Transfer, CancelStopsAfterTheCurrentBlock) {
    struct Row {
        const char* name;
        bool write;
        int cancelAfter;
    };
    const Row rows[] = {{"BeforeTheFirstAttemptSendsNothing", false, 0},
                        {"DuringAReadLeavesTheImageAsItWas", false, 3},
                        {"DuringAWriteKeepsTheBlocksSent", true, 10}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Image demo = sim::DemoImage();
        RadioOnPty radio(demo);
        RecordingPort port;
        ScriptedHost host;
        host.cancelAfterBlocks = row.cancelAfter;
        const Image before = PatternImage(9);
        Image image = before;
        TransferSession session(port, radio.Path(), host);
        const LinkOutcome out = row.write ? session.Write(image) : session.Read(image);
        EXPECT_EQ(out.result, LinkResult::Cancelled);
        EXPECT_TRUE(out.shown.empty());
        EXPECT_EQ(out.blocks, row.cancelAfter);
        EXPECT_EQ(image, before);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_TRUE(row.cancelAfter > 0 || port.Calls(Call::Write).empty());
        const auto sent = static_cast<std::ptrdiff_t>(row.write ? 8 * row.cancelAfter : 0);
        EXPECT_EQ(radio.Events(Kind::Write).size(), static_cast<std::size_t>(sent / 8));
        const Image memory = radio.Host().Memory();
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + sent, memory.begin()));
        EXPECT_TRUE(std::equal(demo.begin() + sent, demo.end(), memory.begin() + sent));
    }
}

TEST(Transfer, ConfirmationThatCannotBeWrittenIsRetriedThreeTimes) {
    RadioOnPty radio(sim::DemoImage());
    RecordingPort port;
    port.failAckWrites = true;
    ScriptedHost host;
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(PatternImage(1));
    EXPECT_EQ(out.result, LinkResult::Failed);
    EXPECT_EQ(out.shown, (Messages{link::kSendOrderError, link::kSendOrderError, link::kSendOrderError,
                                   link::kCommunicationError}));
    std::size_t acks = 0;
    for (const auto& w : port.Calls(Call::Write)) acks += w.bytes == Bytes{0x06};
    EXPECT_EQ(acks, 4u);
}

TEST(Transfer, PortMissingOrHeldGivesTheOpenFailureAndSendsNothing) {
    RecordingPort port;
    ScriptedHost host;
    Image image = PatternImage(1);
    const LinkOutcome missing = TransferSession(port, "/dev/pm514rx-no-such-port", host).Read(image);
    EXPECT_EQ(missing.result, LinkResult::Failed);
    EXPECT_EQ(missing.shown, Messages{link::kOpenFailed});
    EXPECT_EQ(missing.openError, ENOENT);
    EXPECT_EQ(missing.device, "/dev/pm514rx-no-such-port");
    EXPECT_EQ(image, PatternImage(1));

    RadioOnPty radio(sim::DemoImage());
    PosixSerialPort holder;
    ASSERT_EQ(holder.Open(radio.Path()), 0);
    const LinkOutcome busy = TransferSession(port, radio.Path(), host).Write(PatternImage(1));
    EXPECT_EQ(busy.shown, Messages{link::kOpenFailed});
    EXPECT_EQ(busy.openError, EBUSY);
    EXPECT_TRUE(port.Calls(Call::Write).empty());
    EXPECT_TRUE(radio.Host().Events().empty());
    holder.Close();
    EXPECT_EQ(TransferSession(port, radio.Path(), host).Write(PatternImage(1)).result, LinkResult::Done);
}

}  // namespace
}  // namespace pm::test
