// What a safe write reports: which rows a verify found different, and the one-line summary of each radio.

#include <gtest/gtest.h>

#include "core/link/link_texts.h"
#include "core/safety/safe_write.h"

namespace pm {
namespace {

TEST(CompareBytes, NamesChannelsBySettingsRowAndCountsTheRest) {
    Image a{};
    Image b{};
    b[0x030] = 1;  // channel 3, first byte
    b[0x03F] = 1;  // channel 3, last byte: still one channel
    b[0x500] = 1;  // channel 80
    b[kSettingsOffset + 2] = 1;
    b[0x005] = 1;  // row 0
    b[0x7D3] = 1;  // model byte
    b[0x7D8] = 1;  // never sent, never compared
    const ByteMismatch m = CompareBytes(a, b);
    EXPECT_EQ(m.channels, (std::vector<int>{3, 80}));
    EXPECT_TRUE(m.settings);
    EXPECT_EQ(m.otherBytes, 2u);
    EXPECT_EQ(DescribeMismatch(m), "CH 3, 80; settings; 2 other bytes");
    EXPECT_TRUE(CompareBytes(a, a).Equal());
    EXPECT_TRUE(CompareBytes(a, b, 0x005).Equal());
}

SafeWriteOutcome Outcome(SafeStatus status, SafeStage stage, int blocks = 0, bool backedUp = false) {
    SafeWriteOutcome o;
    o.status = status;
    o.stage = stage;
    o.link.blocks = blocks;
    if (backedUp) o.backupPath = "/tmp/radio-20261206-100000.sin";
    return o;
}

struct SummaryRow {
    const char* name;
    SafeWriteOutcome outcome;
    const char* text;
    bool halfWritten;
};

class Summary : public ::testing::TestWithParam<SummaryRow> {};

TEST_P(Summary, SaysWhatTheRadioNowHolds) {
    EXPECT_EQ(SummaryText(GetParam().outcome), GetParam().text);
    EXPECT_EQ(GetParam().outcome.HalfWritten(), GetParam().halfWritten);
}

SafeWriteOutcome Interrupted() {
    SafeWriteOutcome o = Outcome(SafeStatus::WriteFailed, SafeStage::Write, 0);
    o.link.shown = {link::kProgramInterrupt};  // block 0 went out unacknowledged: it may be stored
    return o;
}

SafeWriteOutcome OpenFailed(SafeStatus status, SafeStage stage) {
    SafeWriteOutcome o = Outcome(status, stage);
    o.link.openError = 2;
    return o;
}

SafeWriteOutcome Mismatch() {
    SafeWriteOutcome o = Outcome(SafeStatus::VerifyMismatch, SafeStage::Verify, 256, true);
    o.mismatchBytes.channels = {1, 2, 3, 4, 5, 6, 7, 9};
    return o;
}

SafeWriteOutcome FolderRefused() {
    SafeWriteOutcome o = Outcome(SafeStatus::BackupFailed, SafeStage::Backup);
    o.error = "Cannot create backup folder /x: Permission denied";
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Summary,
    ::testing::Values(
        SummaryRow{"Written", Outcome(SafeStatus::Done, SafeStage::Write, 251), "written", false},
        SummaryRow{"EverythingAsked", Outcome(SafeStatus::Done, SafeStage::Verify, 256, true),
                   "backed up, written, verified", false},
        SummaryRow{"BackupReadFailed", Outcome(SafeStatus::BackupFailed, SafeStage::Backup, 40),
                   "backup read failed, nothing written", false},
        SummaryRow{"BackupFolderRefused", FolderRefused(), "backup not stored, nothing written", false},
        SummaryRow{"PortMissing", OpenFailed(SafeStatus::WriteFailed, SafeStage::Write),
                   "port could not be opened, nothing written", false},
        SummaryRow{"NoAnswer", Outcome(SafeStatus::WriteFailed, SafeStage::Write, 0),
                   "write failed, nothing written", false},
        SummaryRow{"FirstBlockUnacknowledged", Interrupted(),
                   "write failed after 0 of 251 blocks, radio half-written", true},
        SummaryRow{"StoppedMidway", Outcome(SafeStatus::WriteFailed, SafeStage::Write, 100, true),
                   "backed up, write failed after 100 of 251 blocks, radio half-written", true},
        SummaryRow{"CancelledMidway", Outcome(SafeStatus::Cancelled, SafeStage::Write, 7),
                   "cancelled after 7 of 251 blocks, radio half-written", true},
        SummaryRow{"CancelledDuringBackup", Outcome(SafeStatus::Cancelled, SafeStage::Backup, 30),
                   "cancelled, nothing written", false},
        SummaryRow{"CancelledDuringCheck", Outcome(SafeStatus::Cancelled, SafeStage::Verify, 12),
                   "written, check cancelled", false},
        SummaryRow{"ReadBackFailed", Outcome(SafeStatus::VerifyIncomplete, SafeStage::Verify, 12),
                   "written, read-back failed: not verified", false},
        SummaryRow{"Mismatch", Mismatch(),
                   "backed up, written, verify failed (CH 1, 2, 3, 4, 5, 6 and 2 more)", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pm
