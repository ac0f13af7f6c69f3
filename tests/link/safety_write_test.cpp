// Backup before the write and verify after it, against virtual radios on pseudo-terminals.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/image/channel_file.h"
#include "core/link/link_texts.h"
#include "core/safety/safe_write.h"
#include "sim/demo_image.h"
#include "tests/support/radio_fixture.h"
#include "tests/support/temp_dir.h"

namespace pm::test {
namespace {

namespace fs = std::filesystem;
using Kind = sim::RadioEvent::Kind;
using enum sim::BlockFaultKind;

/** Answers OK boxes and cancels every question; records the stages it was told about. */
class StageHost : public SafeWriteHost {
  public:
    void StageStarted(SafeStage stage) override { started.push_back(stage); }
    void BlockDone(int done, int) override { blocks = done; }
    void Finished(const SafeWriteOutcome&) override { ++finished; }
    Answer Ask(const Message& message) override {
        asked.push_back(message);
        return message.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    bool CancelRequested() override { return cancelAfterBlocks >= 0 && blocks >= cancelAfterBlocks; }

    std::vector<SafeStage> started;
    std::vector<Message> asked;
    int blocks = 0;
    int finished = 0;
    int cancelAfterBlocks = -1;
};

// The plan sent has channel 3 in use, so that a corrupt block 6 shows as a channel difference.
const Image kPlan = sim::DemoImage();

struct RadioRow {
    const char* name;
    std::uint8_t model;
    sim::Faults faults;
    SafeStatus status;
    std::vector<SafeStage> stages;
};

// Every row backs up and verifies; the rows run side by side, as a dealer's bench would.
TEST(SafeWrite, BackupWriteAndVerifyOnSeveralRadiosAtOnce) {
    using enum SafeStage;
    using enum SafeStatus;
    // clang-format off
    const std::vector<RadioRow> rows = {
        {"good radio", kDefaultModel, {}, Done, {Backup, Write, Verify}},
        {"stores block 6 wrongly", kDefaultModel, {.blocks = {{CorruptWrite, 6}}}, VerifyMismatch,
         {Backup, Write, Verify}},
        {"backup read cut short", kDefaultModel, {.blocks = {{ShortReply, 40, 5}}}, BackupFailed, {Backup}},
        {"stops at block 100", kDefaultModel, {.blocks = {{WriteNoAck, 100}}}, WriteFailed, {Backup, Write}},
        {"other model, question cancelled", 0x42, {}, Cancelled, {Backup, Write}},
    };
    // clang-format on
    const TempDir dir;
    const fs::path backups = dir / "backups";
    std::vector<std::unique_ptr<RadioOnPty>> radios;
    std::vector<Image> before;
    std::vector<StageHost> hosts(rows.size());
    std::vector<RadioJob> jobs;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        before.push_back(PatternImage(static_cast<std::uint8_t>(i + 1)));
        radios.push_back(std::make_unique<RadioOnPty>(before.back(), rows[i].model, rows[i].faults));
        jobs.push_back({radios.back()->Path(), &hosts[i]});
    }

    const auto outcomes = SafeWriteMany(jobs, kPlan, {backups, true});

    ASSERT_EQ(outcomes.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        const SafeWriteOutcome& o = outcomes[i];
        const Image memory = radios[i]->Host().Memory();
        EXPECT_EQ(o.status, rows[i].status) << SummaryText(o);
        EXPECT_EQ(hosts[i].started, rows[i].stages);
        EXPECT_EQ(hosts[i].finished, 1);
        // Whatever happened after it, a backup that was made holds the radio's memory as it was.
        if (rows[i].status != SafeStatus::BackupFailed) {
            Image stored{};
            ASSERT_TRUE(LoadChannelFile(o.backupPath, stored).ok()) << o.backupPath;
            EXPECT_EQ(o.backupPath.parent_path(), backups);
            EXPECT_EQ(stored, before[i]);
        } else {
            EXPECT_TRUE(o.backupPath.empty());
            EXPECT_TRUE(radios[i]->Events(Kind::Write).empty()) << "written without a backup";
        }
        EXPECT_TRUE(
            std::equal(before[i].begin() + kWrittenBytes, before[i].end(), memory.begin() + kWrittenBytes));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 4);

    EXPECT_TRUE(std::equal(kPlan.begin(), kPlan.begin() + kWrittenBytes, radios[0]->Host().Memory().begin()));

    const SafeWriteOutcome& corrupt = outcomes[1];
    EXPECT_EQ(corrupt.mismatchBytes.channels, std::vector<int>{3});
    EXPECT_EQ(corrupt.mismatch.Channels(), std::vector<int>{3});
    const auto lines = DescribeDiff(corrupt.mismatch);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("CH 3 Receive(MHz): 145.55000 -> ", 0), 0u) << lines[0];

    EXPECT_EQ(outcomes[3].link.blocks, 100);
    EXPECT_TRUE(outcomes[3].HalfWritten());
    EXPECT_EQ(hosts[4].asked, std::vector<Message>{link::kModelMismatch});
    EXPECT_TRUE(radios[4]->Events(Kind::Write).empty());
}

TEST(SafeWrite, CancelDuringTheBackupWritesNothing) {
    const TempDir dir;
    RadioOnPty radio(PatternImage(9));
    PosixSerialPort port;
    StageHost host;
    host.cancelAfterBlocks = 20;
    const SafeWriteOutcome o = SafeWrite(port, radio.Path(), host, kPlan, {dir.Path(), false});
    EXPECT_EQ(o.status, SafeStatus::Cancelled);
    EXPECT_EQ(SummaryText(o), "cancelled, nothing written");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    EXPECT_TRUE(radio.Events(Kind::Write).empty());
}

TEST(SafeWrite, AReadBackThatFailsLeavesTheWriteUnverified) {
    RadioOnPty radio(PatternImage(9), kDefaultModel, {.blocks = {{ShortReply, 10, 3}}});
    PosixSerialPort port;
    StageHost host;
    const SafeWriteOutcome o = SafeWrite(port, radio.Path(), host, kPlan, {std::nullopt, true});
    EXPECT_EQ(o.status, SafeStatus::VerifyIncomplete);
    EXPECT_EQ(host.started, (std::vector<SafeStage>{SafeStage::Write, SafeStage::Verify}));
    EXPECT_EQ(host.asked, std::vector<Message>{link::kNotEnoughBytes});
    EXPECT_EQ(radio.Events(Kind::Write).size(), 251u);
}

}  // namespace
}  // namespace pm::test
