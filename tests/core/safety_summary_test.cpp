// What a safe write reports: the rows a verify found different, and whether a radio is half-written.

#include <gtest/gtest.h>

#include "core/link/link_texts.h"
#include "core/safety/safe_write.h"

namespace pm {
namespace {

TEST(CompareBytes, NamesChannelsAndTheSettingsRowAndCountsTheRest) {
    Image a{};
    Image b{};
    b[0x030] = b[0x03F] = 1;  // first and last byte of channel 3
    b[0x500] = 1;             // channel 80
    b[kSettingsOffset + 2] = 1;
    b[0x005] = b[0x7D3] = 1;  // row 0 and the model byte
    b[0x7D8] = 1;             // never sent, never compared
    const ByteMismatch m = CompareBytes(a, b);
    EXPECT_EQ(DescribeMismatch(m), "CH 3, 80; settings; 2 other bytes");
    EXPECT_TRUE(CompareBytes(a, b, 0x005).Equal());
}

SafeWriteOutcome Stopped(SafeStatus status, SafeStage stage, int blocks, std::vector<Message> shown = {}) {
    SafeWriteOutcome o;
    o.status = status;
    o.stage = stage;
    o.link.blocks = blocks;
    o.link.shown = std::move(shown);
    return o;
}

struct Row {
    const char* name;
    SafeWriteOutcome outcome;
    const char* text;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class Summary : public ::testing::TestWithParam<Row> {};

TEST_P(Summary, SaysWhetherTheRadioHoldsPartOfTheNewMemory) {
    EXPECT_EQ(SummaryText(GetParam().outcome), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Summary,
    ::testing::Values(Row{"NoAnswer",
                          Stopped(SafeStatus::WriteFailed, SafeStage::Write, 0, {link::kCommunicationError}),
                          "write failed, nothing written"},
                      // Block 0 went out but was not acknowledged: the radio may have stored it.
                      Row{"FirstBlockUnacknowledged",
                          Stopped(SafeStatus::WriteFailed, SafeStage::Write, 0, {link::kProgramInterrupt}),
                          "write failed after 0 of 251 blocks, radio half-written"},
                      Row{"CancelledMidway", Stopped(SafeStatus::Cancelled, SafeStage::Write, 7),
                          "cancelled after 7 of 251 blocks, radio half-written"},
                      Row{"CancelledDuringBackup", Stopped(SafeStatus::Cancelled, SafeStage::Backup, 30),
                          "cancelled, nothing written"},
                      Row{"CancelledDuringCheck", Stopped(SafeStatus::Cancelled, SafeStage::Verify, 12),
                          "written, check cancelled"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Summary, AMismatchListsTheFirstChannels) {
    SafeWriteOutcome o = Stopped(SafeStatus::VerifyMismatch, SafeStage::Verify, 256);
    o.backupPath = "/tmp/radio-20261206-100000.sin";
    o.mismatchBytes.channels = {1, 2, 3, 4, 5, 6, 7, 9};
    EXPECT_EQ(SummaryText(o), "backed up, written, verify failed (CH 1, 2, 3, 4, 5, 6 and 2 more)");
}

}  // namespace
}  // namespace pm
