// Read and write transfers over a real POSIX port on a pseudo-terminal, against the virtual radio.

#include <gtest/gtest.h>

#include <ostream>

#include <cerrno>

#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/transfer_session.h"
#include "sim/demo_image.h"
#include "tests/link/link_fixture.h"

namespace pm::test {
namespace {

using Kind = sim::RadioEvent::Kind;
using Call = PortCall::Kind;

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> b) {
    return b;
}

std::vector<std::uint8_t> Command(std::uint8_t letter, std::size_t address) {
    const auto c = frame::BlockCommand(letter, address);
    return {c.begin(), c.end()};
}

/** Every write must come straight after a clear purge. */
void ExpectPurgeBeforeEveryWrite(const RecordingPort& port) {
    for (std::size_t i = 0; i < port.calls.size(); ++i) {
        if (port.calls[i].kind != Call::Write) continue;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(port.calls[i - 1].kind, Call::ClearPurge) << "write #" << i;
    }
}

std::vector<std::string> Counting(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i) out.push_back(std::to_string(i));
    return out;
}

TEST(Transfer, FullReadIsByteExactAndFollowsTheWireSequence) {
    RadioOnPty radio(sim::DemoImage());
    RecordingPort port;
    ScriptedHost host;
    Image image = PatternImage(7);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Read(image);

    ASSERT_EQ(out.result, LinkResult::Done);
    EXPECT_TRUE(host.asked.empty());
    EXPECT_EQ(out.blocks, 256);
    EXPECT_EQ(image, sim::DemoImage());

    const auto writes = port.Calls(Call::Write);
    ASSERT_EQ(writes.size(), 10u + 2 * 256);
    for (std::size_t i = 0; i < frame::kWakeUp.size(); ++i)
        EXPECT_EQ(writes[i].bytes, Bytes({frame::kWakeUp[i]}));
    EXPECT_EQ(writes[7].bytes, Bytes({'M'}));
    EXPECT_EQ(writes[8].bytes, Bytes({0x02}));
    EXPECT_EQ(writes[9].bytes, Bytes({0x06}));
    for (std::size_t k = 0; k < 256; ++k) {
        EXPECT_EQ(writes[10 + 2 * k].bytes, Command('R', 8 * k)) << "block " << k;
        EXPECT_EQ(writes[11 + 2 * k].bytes, Bytes({0x06})) << "block " << k;
    }
    ExpectPurgeBeforeEveryWrite(port);
    ASSERT_EQ(port.configured.size(), 1u);
    EXPECT_EQ(port.configured[0], kTransferTimeouts);
    EXPECT_EQ(port.calls.front().kind, Call::Open);
    EXPECT_EQ(port.calls.back().kind, Call::Close);

    const auto reads = radio.Events(Kind::Read);
    ASSERT_EQ(reads.size(), 256u);
    for (std::size_t k = 0; k < reads.size(); ++k) EXPECT_EQ(reads[k].address, 8 * k);
    EXPECT_TRUE(radio.Events(Kind::Write).empty());

    std::vector<std::string> statuses = {std::string(link::kStatusDetecting),
                                         std::string(link::kStatusWaiting)};
    const auto counts = Counting(1, 251);
    statuses.insert(statuses.end(), counts.begin(), counts.end());
    EXPECT_EQ(host.statuses, statuses);
    EXPECT_EQ(host.progress.back(), link::kProgressMax);
}

TEST(Transfer, FullWriteIsByteExactAndNeverTouchesTheLastFortyBytes) {
    const Image before = sim::DemoImage();
    RadioOnPty radio(before);
    RecordingPort port;
    ScriptedHost host;
    const Image image = PatternImage(3);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(image);

    ASSERT_EQ(out.result, LinkResult::Done);
    EXPECT_TRUE(host.asked.empty());
    const Image memory = radio.Host().Memory();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 0x7D8, memory.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 0x7D8, before.end(), memory.begin() + 0x7D8));

    const auto writes = port.Calls(Call::Write);
    ASSERT_EQ(writes.size(), 10u + 2 * 251);
    for (std::size_t i = 0; i < frame::kWakeUp.size(); ++i)
        EXPECT_EQ(writes[i].bytes, Bytes({frame::kWakeUp[i]}));
    for (std::size_t k = 0; k < 251; ++k) {
        EXPECT_EQ(writes[10 + 2 * k].bytes, Command('W', 8 * k)) << "block " << k;
        EXPECT_EQ(writes[11 + 2 * k].bytes,
                  std::vector<std::uint8_t>(image.begin() + 8 * k, image.begin() + 8 * k + 8));
    }
    ExpectPurgeBeforeEveryWrite(port);
    const auto written = radio.Events(Kind::Write);
    ASSERT_EQ(written.size(), 251u);
    for (std::size_t k = 0; k < written.size(); ++k) EXPECT_EQ(written[k].address, 8 * k);

    std::vector<std::string> statuses = {std::string(link::kStatusDetecting),
                                         std::string(link::kStatusWaiting)};
    const auto counts = Counting(1, 250);
    statuses.insert(statuses.end(), counts.begin(), counts.end());
    EXPECT_EQ(host.statuses, statuses);
    EXPECT_EQ(host.progress.back(), link::kProgressMax);
}

// Failure rows: what the radio does wrong, what the user is shown, how the transfer ends.
struct FailureRow {
    const char* name;
    bool write;
    sim::Faults faults;
    std::vector<Message> shown;
    LinkResult result;
    int blocks;
    bool fastTimeouts = false;  // for radios that keep silent through long time-outs
};

/** Rows show by name in test listings. */
void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.name;
}

sim::Faults With(void (*change)(sim::Faults&)) {
    sim::Faults f;
    change(f);
    return f;
}

sim::Faults Block(sim::BlockFaultKind kind, int block, std::size_t length = 0) {
    sim::Faults f;
    f.blocks.push_back({kind, block, length});
    return f;
}

class TransferFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(TransferFailure, ShowsItsMessageClosesThePortAndKeepsTheImage) {
    const FailureRow& row = GetParam();
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, row.faults);
    RecordingPort port;
    port.divisor = row.fastTimeouts ? 10 : 1;
    ScriptedHost host;  // Cancel to every question
    const Image before = PatternImage(11);
    Image image = before;
    TransferSession session(port, radio.Path(), host);
    const LinkOutcome out = row.write ? session.Write(image) : session.Read(image);

    EXPECT_EQ(out.result, row.result);
    EXPECT_EQ(host.asked, row.shown);
    EXPECT_EQ(out.shown, row.shown);
    EXPECT_EQ(out.blocks, row.blocks);
    EXPECT_EQ(image, before);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.calls.back().kind, Call::Close);
}

const FailureRow kFailureRows[] = {
    {"WakeUpAnsweredWronglyTwice",
     false,
     With([](sim::Faults& f) {
         f.wakeAnswer = {0x15, 0x15};
     }),
     {link::kCommunicationError},
     LinkResult::Failed,
     0,
     true},
    {"IdentificationReadFails",
     false,
     With([](sim::Faults& f) { f.dropOnIdentify = true; }),
     {link::kCommunicationError},
     LinkResult::Failed,
     0},
    {"ConfirmationUnanswered",
     true,
     With([](sim::Faults& f) { f.confirmAnswer.reset(); }),
     {link::kCommunicationError},
     LinkResult::Failed,
     0,
     true},
    {"ConfirmationAnsweredWrongly",
     false,
     With([](sim::Faults& f) { f.confirmAnswer = 0x15; }),
     {link::kCommunicationError},
     LinkResult::Failed,
     0,
     true},
    {"WriteBlockNotAcknowledged",
     true,
     Block(sim::BlockFaultKind::WriteNoAck, 5),
     {link::kProgramInterrupt},
     LinkResult::Failed,
     5},
    {"WriteBlockRefused",
     true,
     Block(sim::BlockFaultKind::WriteNak, 0),
     {link::kProgramInterrupt},
     LinkResult::Failed,
     0},
    {"LineDroppedDuringWrite",
     true,
     Block(sim::BlockFaultKind::DropLine, 3),
     {link::kProgramInterrupt},
     LinkResult::Failed,
     3},
    {"ReadReplyOfNineBytes",
     false,
     Block(sim::BlockFaultKind::ShortReply, 2, 9),
     {link::kNotEnoughBytes},
     LinkResult::Failed,
     2},
    {"ReadReplyMissing",
     false,
     Block(sim::BlockFaultKind::ShortReply, 0, 0),
     {link::kNotEnoughBytes},
     LinkResult::Failed,
     0,
     true},
    {"ReadBlockAckMissing",
     false,
     Block(sim::BlockFaultKind::ReadNoAck, 1),
     {link::kReadAckError},
     LinkResult::Failed,
     1},
    {"ReadBlockAckWrong",
     false,
     Block(sim::BlockFaultKind::ReadNak, 1),
     {link::kReadAckError},
     LinkResult::Failed,
     1},
    {"LineDroppedDuringRead",
     false,
     Block(sim::BlockFaultKind::DropLine, 2),
     {link::kNotEnoughBytes},
     LinkResult::Failed,
     2},
};

INSTANTIATE_TEST_SUITE_P(Rows, TransferFailure, ::testing::ValuesIn(kFailureRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Transfer, SilentRadioGetsFifteenAttemptsOfTwoReadsEach) {
    sim::Faults faults;
    faults.silent = true;
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, faults);
    RecordingPort port;
    port.divisor = 10;
    ScriptedHost host;
    const Image before = PatternImage(1);
    Image image = before;
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Read(image);
    EXPECT_EQ(out.result, LinkResult::Failed);
    EXPECT_EQ(out.shown, std::vector<Message>{link::kCommunicationError});
    EXPECT_EQ(image, before);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), 15u);
    const auto reads = port.Calls(Call::Read);
    EXPECT_EQ(reads.size(), 30u);
    for (const auto& r : reads) EXPECT_EQ(r.asked, 1u);
    EXPECT_EQ(port.Calls(Call::FullPurge).size(), 15u);
}

TEST(Transfer, RetryAfterTheCommunicationErrorStartsOverWithThePortStillOpen) {
    sim::Faults faults;
    faults.ignoreWakeUps = 15;
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, faults);
    RecordingPort port;
    port.divisor = 10;
    ScriptedHost host({Answer::Retry});
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(PatternImage(2));
    EXPECT_EQ(out.result, LinkResult::Done);
    EXPECT_EQ(host.asked, std::vector<Message>{link::kCommunicationError});
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), 16u);
    EXPECT_EQ(port.Calls(Call::Open).size(), 1u);
    EXPECT_EQ(port.Calls(Call::Close).size(), 1u);
}

TEST(Transfer, RetryAfterAnUnansweredConfirmation) {
    sim::Faults faults;
    faults.ignoreConfirmations = 1;
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, faults);
    RecordingPort port;
    port.divisor = 10;
    ScriptedHost host({Answer::Retry});
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(PatternImage(2));
    EXPECT_EQ(out.result, LinkResult::Done);
    EXPECT_EQ(host.asked, std::vector<Message>{link::kCommunicationError});
    EXPECT_EQ(radio.Events(Kind::Confirm).size(), 2u);
}

TEST(Transfer, WakeUpAnsweredFirstWithAnotherByteIsAcceptedInTheSameAttempt) {
    sim::Faults faults;
    faults.wakeAnswer = {0x15, 0x06};
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, faults);
    RecordingPort port;
    ScriptedHost host;
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(PatternImage(2));
    EXPECT_EQ(out.result, LinkResult::Done);
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), 1u);
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

/** Rows show by name in test listings. */
void PrintTo(const ModelRow& row, std::ostream* os) {
    *os << row.name;
}

class ModelCheck : public ::testing::TestWithParam<ModelRow> {};

TEST_P(ModelCheck, AsksOnlyOnAMismatch) {
    const ModelRow& row = GetParam();
    sim::Faults faults;
    faults.idLength = row.idLength;
    RadioOnPty radio(sim::DemoImage(), row.radioModel, faults);
    RecordingPort port;
    port.divisor = 10;
    ScriptedHost host(row.answers);
    const Image image = PatternImage(5, 0x37);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(image);

    EXPECT_EQ(out.result, row.result);
    EXPECT_EQ(host.asked, row.asked ? std::vector<Message>{link::kModelMismatch} : std::vector<Message>{});
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), row.wakeUps);
    EXPECT_EQ(radio.Events(Kind::Identify).size(), row.wakeUps);
    if (row.result == LinkResult::Done) {
        EXPECT_EQ(radio.Events(Kind::Write).size(), 251u);
    } else {
        EXPECT_TRUE(radio.Events(Kind::Confirm).empty());
        EXPECT_EQ(radio.Host().Memory(), sim::DemoImage());
    }
}

const ModelRow kModelRows[] = {
    {"AnyModelPasses", 0xFF, 8, {}, false, LinkResult::Done, 1},
    {"EqualModelPasses", 0x37, 8, {}, false, LinkResult::Done, 1},
    {"FiveByteRecordIsEnough", 0x37, 5, {}, false, LinkResult::Done, 1},
    {"MismatchOkIdentifiesAgainWithoutAsking", 0x42, 8, {Answer::Ok}, true, LinkResult::Done, 2},
    {"MismatchCancelWritesNothing", 0x42, 8, {Answer::Cancel}, true, LinkResult::Cancelled, 1},
    {"ShortRecordCountsAsMismatch", 0x37, 4, {Answer::Cancel}, true, LinkResult::Cancelled, 1},
    {"ShortRecordAcceptedWithOk", 0x37, 2, {Answer::Ok}, true, LinkResult::Done, 2},
};

INSTANTIATE_TEST_SUITE_P(Rows, ModelCheck, ::testing::ValuesIn(kModelRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Transfer, ReadNeverAsksTheModelQuestion) {
    sim::Faults faults;
    faults.blocks.push_back({sim::BlockFaultKind::ShortReply, 0, 9});  // end the read early
    RadioOnPty radio(sim::DemoImage(), 0x42, faults);
    RecordingPort port;
    ScriptedHost host;
    Image image = PatternImage(5, 0x37);
    (void)TransferSession(port, radio.Path(), host).Read(image);
    EXPECT_EQ(host.asked, std::vector<Message>{link::kNotEnoughBytes});
}

TEST(Transfer, CancelDuringAWriteStopsAfterTheCurrentBlock) {
    const Image before = sim::DemoImage();
    RadioOnPty radio(before);
    RecordingPort port;
    ScriptedHost host;
    host.cancelAfterBlocks = 10;
    const Image image = PatternImage(9);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(image);
    EXPECT_EQ(out.result, LinkResult::Cancelled);
    EXPECT_TRUE(out.shown.empty());
    EXPECT_EQ(out.blocks, 10);
    EXPECT_EQ(radio.Events(Kind::Write).size(), 10u);
    const Image memory = radio.Host().Memory();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 80, memory.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 80, before.end(), memory.begin() + 80));
    EXPECT_FALSE(port.IsOpen());
}

TEST(Transfer, CancelDuringAReadLeavesTheImageAsItWas) {
    RadioOnPty radio(sim::DemoImage());
    RecordingPort port;
    ScriptedHost host;
    host.cancelAfterBlocks = 3;
    const Image before = PatternImage(4);
    Image image = before;
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Read(image);
    EXPECT_EQ(out.result, LinkResult::Cancelled);
    EXPECT_EQ(out.blocks, 3);
    EXPECT_EQ(image, before);
}

TEST(Transfer, CancelBeforeTheFirstAttemptSendsNothing) {
    RadioOnPty radio(sim::DemoImage());
    RecordingPort port;
    ScriptedHost host;
    host.cancelAfterBlocks = 0;
    Image image = PatternImage(4);
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Read(image);
    EXPECT_EQ(out.result, LinkResult::Cancelled);
    EXPECT_TRUE(out.shown.empty());
    EXPECT_TRUE(port.Calls(Call::Write).empty());
    EXPECT_FALSE(port.IsOpen());
}

TEST(Transfer, ShortRepliesKeepTheCallersBytesNotThoseOfAnEarlierReply) {
    sim::Faults faults;
    faults.blocks.push_back({sim::BlockFaultKind::ShortReply, 7, 10});
    faults.blocks.push_back({sim::BlockFaultKind::ShortReply, 9, 11});
    RadioOnPty radio(sim::DemoImage(), kDefaultModel, faults);
    RecordingPort port;
    ScriptedHost host;
    const Image before = PatternImage(12);
    Image image = before;
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Read(image);
    ASSERT_EQ(out.result, LinkResult::Done);
    Image expected = sim::DemoImage();
    for (const std::size_t i : {0x3Eu, 0x3Fu, 0x4Fu}) expected[i] = before[i];
    EXPECT_EQ(image, expected);
}

TEST(Transfer, ConfirmationThatCannotBeWrittenIsRetriedThreeTimes) {
    RadioOnPty radio(sim::DemoImage());
    RecordingPort port;
    port.failAckWrites = true;
    ScriptedHost host;
    const LinkOutcome out = TransferSession(port, radio.Path(), host).Write(PatternImage(1));
    EXPECT_EQ(out.result, LinkResult::Failed);
    EXPECT_EQ(out.shown, (std::vector<Message>{link::kSendOrderError, link::kSendOrderError,
                                               link::kSendOrderError, link::kCommunicationError}));
    std::size_t acks = 0;
    for (const auto& w : port.Calls(Call::Write)) acks += w.bytes == Bytes({0x06});
    EXPECT_EQ(acks, 4u);
}

TEST(Transfer, PortThatDoesNotExistGivesTheOpenFailure) {
    RecordingPort port;
    ScriptedHost host;
    Image image = PatternImage(1);
    const LinkOutcome out = TransferSession(port, "/dev/pm514rx-no-such-port", host).Read(image);
    EXPECT_EQ(out.result, LinkResult::Failed);
    EXPECT_EQ(out.shown, std::vector<Message>{link::kOpenFailed});
    EXPECT_EQ(out.openError, ENOENT);
    EXPECT_EQ(out.device, "/dev/pm514rx-no-such-port");
    EXPECT_TRUE(port.Calls(Call::Write).empty());
    EXPECT_EQ(image, PatternImage(1));
}

TEST(Transfer, PortHeldByAnotherExchangeGivesTheOpenFailure) {
    RadioOnPty radio(sim::DemoImage());
    PosixSerialPort holder;
    ASSERT_EQ(holder.Open(radio.Path()), 0);
    RecordingPort port;
    ScriptedHost host;
    const LinkOutcome busy = TransferSession(port, radio.Path(), host).Write(PatternImage(1));
    EXPECT_EQ(busy.result, LinkResult::Failed);
    EXPECT_EQ(busy.shown, std::vector<Message>{link::kOpenFailed});
    EXPECT_EQ(busy.openError, EBUSY);
    EXPECT_TRUE(radio.Host().Events().empty());

    holder.Close();
    const LinkOutcome free = TransferSession(port, radio.Path(), host).Write(PatternImage(1));
    EXPECT_EQ(free.result, LinkResult::Done);
}

}  // namespace
}  // namespace pm::test
