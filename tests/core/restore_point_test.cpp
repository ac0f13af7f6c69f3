// The record of a write that stopped half-way: the restore point is the first attempt's backup, whatever
// later attempts copy, and it ends when a write reaches the radio whole.

#include <gtest/gtest.h>

#include <fstream>

#include "core/link/link_texts.h"
#include "core/safety/restore_point.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const auto kWhen = std::chrono::system_clock::from_time_t(1796551200);

SafeWriteOutcome Outcome(SafeStatus status, SafeStage stage, int blocks, const fs::path& backup = {}) {
    SafeWriteOutcome o;
    o.status = status;
    o.stage = stage;
    o.link.blocks = blocks;
    o.backupPath = backup;
    return o;
}

TEST(RestorePoint, TheFirstAttemptsBackupStaysUntilTheRadioIsWrittenWhole) {
    const TempDir dir;
    const std::string port = "/dev/ttyUSB0";
    std::ofstream(dir / "a.sin") << "A";
    using enum SafeStatus;
    struct Step {
        const char* name;
        SafeWriteOutcome outcome;
        int blocks;  // of the record afterwards; -1: none
        const char* restorePoint;
    };
    // clang-format off
    const Step steps[] = {
        {"NothingWrittenRecordsNothing", Outcome(WriteFailed, SafeStage::Write, 0, dir / "x.sin"), -1, ""},
        {"HalfWrittenKeepsItsBackup", Outcome(WriteFailed, SafeStage::Write, 120, dir / "a.sin"), 120, "a.sin"},
        {"AgainWithAnotherBackup", Outcome(Cancelled, SafeStage::Write, 7, dir / "b.sin"), 7, "a.sin"},
        {"BackupFailedChangesNothing", Outcome(BackupFailed, SafeStage::Backup, 0), 7, "a.sin"},
        {"VerifyFoundOtherData", Outcome(VerifyMismatch, SafeStage::Verify, 256), 251, "a.sin"},
        {"WrittenButNotVerifiedIsWhole", Outcome(VerifyIncomplete, SafeStage::Verify, 3), -1, ""},
    };
    // clang-format on
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const auto returned = RecordWriteEnd(dir.Path(), port, step.outcome, kWhen);
        const auto found = FindInterruptedWrite(dir.Path(), port);
        ASSERT_EQ(found.has_value(), step.blocks >= 0);
        ASSERT_EQ(returned.has_value(), found.has_value());
        if (!found) continue;
        EXPECT_EQ(found->blocks, step.blocks);
        EXPECT_EQ(found->restorePoint.filename(), step.restorePoint);
        EXPECT_EQ(found->port, port);
    }
    EXPECT_FALSE(FindInterruptedWrite(dir.Path(), "/dev/ttyUSB1"));
}

TEST(RestorePoint, TheNoticeNamesPortBlocksTimeAndTheFile) {
    const TempDir dir;
    // A port whose name holds a line break stays one record, and is printed escaped.
    const std::string port = "/dev/tty\nUSB0";
    (void)RecordWriteEnd(dir.Path(), port,
                         Outcome(SafeStatus::WriteFailed, SafeStage::Write, 120, "/b/a.sin"), kWhen);
    const auto record = FindInterruptedWrite(dir.Path(), port);
    ASSERT_TRUE(record);
    const std::string at = ClockText(kWhen, std::chrono::system_clock::now());
    EXPECT_EQ(InterruptedWriteNotice(*record),
              "The last write to /dev/tty\\x0AUSB0 stopped after block 120 of 251 at " + at +
                  "; the memory from before it is kept in /b/a.sin (read at " + at + ").");
    EXPECT_EQ(ClockText(kWhen, kWhen + std::chrono::hours(48)).size(),
              std::string("10:00 on 2026-12-06").size());
    // A damaged record is no record.
    for (const fs::directory_entry& e : fs::directory_iterator(dir.Path()))
        std::ofstream(e.path()) << "blocks=x\n";
    EXPECT_FALSE(FindInterruptedWrite(dir.Path(), port));
}

}  // namespace
}  // namespace pm
