// How a transfer ends as the user sees it: the status line, the box with its cause and its ways on,
// the backup written back, quitting during a transfer, ports chosen by path and remembered, and a file
// checked before the save question.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include <cerrno>

#include "core/link/port_names.h"
#include "core/safety/backup_store.h"
#include "core/safety/port_diagnosis.h"
#include "core/testmode/tree_items.h"
#include "core/safety/restore_point.h"
#include "gui/app/transfer_log.h"
#include "gui/link/other_port_dialog.h"
#include "gui/link/port_menu.h"
#include "gui/testmode/testmode_dialog.h"
#include "link_gui_fixture.h"

namespace pm {
namespace {

using namespace guilink;
using sim::BlockFaultKind;

class Outcome : public Transfer {
  protected:
    QString StatusLine() const { return Window().OutcomeLabel()->text(); }
    // Waits for the write exchange itself (not the backup before it) to pass position.
    bool WaitForWriteAt(int position) {
        const auto there = [&] {
            return Dialog()->windowTitle() == Q(link::kWriteCaption) && Dialog()->Pos() >= position;
        };
        return QTest::qWaitFor([&] { return !Dialog() || there(); }, 60000) && Dialog() && there();
    }
};

// The texts are the core's; here, that the box shows them with the buttons and details of its kind.
struct Row {
    const char* name;
    std::vector<sim::BlockFault> faults;
    bool backup;
    const char* line;
    QStringList buttons;
    const char* detail;  // the start of what the box shows under its text
};

class Outcomes : public Outcome, public ::testing::WithParamInterface<Row> {};

TEST_P(Outcomes, AreToldWithTheirCauseAndWaysOn) {
    const Row& row = GetParam();
    sim::Faults faults;
    faults.blocks = row.faults;
    RadioOnPty radio(PlanImage({}), kDefaultModel, faults);
    OpenPlan(PlanImage({{3, col::kReceive, "145.5"}}), &radio);
    commands_->BackupAction()->setChecked(row.backup);
    commands_->VerifyAction()->setChecked(!row.backup);
    // A file where the backup folder should be: the copy cannot be stored.
    const QString blocker = QString::fromStdString(DefaultBackupDir().parent_path().string());
    if (row.backup) {
        QDir(blocker).removeRecursively();
        QDir().mkpath(QFileInfo(blocker).path());
        WriteImage(blocker, PlanImage({}));
    }
    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait(60000));
    EXPECT_EQ(StatusLine(), row.line);
    ASSERT_EQ(choices_.size(), 1u);
    EXPECT_EQ(choices_[0].text, row.line);
    EXPECT_EQ(choices_[0].buttons, row.buttons);
    EXPECT_TRUE(choices_[0].detail.startsWith(QString::fromUtf8(row.detail)))
        << choices_[0].detail.toStdString();
    QFile::remove(blocker);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, Outcomes, ::testing::Values(
    Row{"VerifyFailed", {{BlockFaultKind::CorruptWrite, 6, 0}}, false,
        "Write complete, but verify failed: the radio holds other data than was sent in CH 3.",
        {"Write Again", "Close"},
        "Cause: Read back from the radio, CH 3 differ from what was sent.\nSent -> in the radio:"},
    Row{"BackupNotStored", {}, true,
        "Backup failed: nothing was written to the radio.", {"Close"}, "Cause: "}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// The memory from before the first attempt stays the way back through Write Again, and every exchange
// is in the transfer log.
TEST_F(Outcome, WriteAgainKeepsTheRestorePointThatRestoreBackupWritesBack) {
    const Image before = test::PatternImage(3);
    RadioOnPty radio(before);
    OpenPlan(SecondPlan(), &radio);
    commands_->BackupAction()->setChecked(true);
    QSignalSpy ended(commands_, &TransferCommands::TransferEnded);
    Trigger(Command::WriteToRadio);
    QTest::mouseClick(Dialog()->StartButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitForWriteAt(100));
    choiceAnswers_ = {0};  // Write Again
    Dialog()->reject();
    ASSERT_TRUE(ended.wait(30000));
    const std::filesystem::path backup = commands_->LastWrite().backupPath;
    const int k = commands_->LastWrite().link.blocks;
    ASSERT_EQ(choices_.size(), 1u);
    EXPECT_TRUE(choices_[0].text.startsWith(QStringLiteral("Write cancelled after block %1 ").arg(k)));
    EXPECT_EQ(choices_[0].buttons, (QStringList{"Write Again", "Restore Backup", "Close"}));
    const QString kept = QStringLiteral(") is kept in ") + QString::fromStdString(backup.string());
    EXPECT_TRUE(choices_[0].detail.startsWith(
        "Cause: Cancelled by the user.\nThe radio's memory from before the write (read at "));
    EXPECT_TRUE(choices_[0].detail.endsWith(kept)) << choices_[0].detail.toStdString();

    // Write Again copies nothing of the half-written radio and still names the first copy.
    ASSERT_TRUE(WaitForPosition(30));
    choiceAnswers_ = {1};  // Restore Backup
    Dialog()->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() == 2; }, 30000));
    ASSERT_EQ(choices_.size(), 2u);
    EXPECT_TRUE(choices_[1].detail.endsWith(kept)) << choices_[1].detail.toStdString();
    EXPECT_TRUE(commands_->LastWrite().backupPath.empty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() == 3; }, 600000));
    EXPECT_EQ(commands_->LastWrite().status, SafeStatus::Done);
    EXPECT_EQ(StatusLine(), "Write complete: all 251 blocks are in the radio.");
    EXPECT_EQ(radio.Host().Memory(), before);
    EXPECT_EQ(ReadBytes(QString::fromStdString(backup.string())),
              std::vector<std::uint8_t>(before.begin(), before.end()));
    EXPECT_EQ(Backups().size(), 1);
    EXPECT_FALSE(FindInterruptedWrite(DefaultBackupDir(), radio.Path()));

    const QList<TransferLogEntry>& log = Window().Log().Entries();
    ASSERT_EQ(log.size(), 3);
    QStringList exchanges;
    for (const TransferLogEntry& e : log) exchanges << e.exchange + QLatin1Char(':') + e.result.left(15);
    EXPECT_EQ(exchanges, (QStringList{"Backup + Write:Write cancelled", "Write:Write cancelled",
                                      "Restore:Write complete:"}));
    EXPECT_EQ(log[1].restorePoint.toStdString(), backup.string());
    Window().findChild<QAction*>(QStringLiteral("actionTransferLog"))->trigger();
    TransferLogWindow* shown = Window().Log().Window();
    ASSERT_TRUE(shown && shown->isVisible());
    EXPECT_EQ(shown->Rows()->topLevelItemCount(), 3);
    EXPECT_TRUE(shown->Details()->toPlainText().contains("Result: Write complete: all 251 blocks"));
    EXPECT_EQ(StatusLine(), log.back().result);
    EXPECT_EQ(Window().OutcomeLabel()->toolTip(), DescribeEntry(log.back()));
}

// The question follows the transfer, and whatever way leads to the window staying open after a write
// ended early, the box with the ways on shows.
TEST_F(Outcome, QuittingDuringAWriteAsksAndBackingOutShowsTheOutcome) {
    RadioOnPty radio(SecondPlan());
    OpenPlan(PlanImage({}), &radio);
    View().Table().SetText(4, col::kReceive, "145.00000");  // unsaved: closing asks to save
    Trigger(Command::WriteToRadio);
    QSignalSpy ended(commands_, &TransferCommands::TransferEnded);
    QTest::mouseClick(Dialog()->StartButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitForPosition(5));
    choiceAnswers_ = {1, 0};  // Keep Running, then Cancel Transfer and Quit
    EXPECT_FALSE(Window().close());
    ASSERT_EQ(choices_.size(), 1u);
    EXPECT_EQ(choices_[0].text,
              "A write to the radio is running. Quitting now cancels it and leaves the radio "
              "half-written, holding a mix of old and new data.");
    EXPECT_EQ(choices_[0].buttons, (QStringList{"Cancel Transfer and Quit", "Keep Running"}));
    EXPECT_TRUE(commands_->IsRunning());
    EXPECT_FALSE(Window().close());
    ASSERT_TRUE(ended.wait(30000));
    // Cancel at the save question: the program stays, and so does the half-written radio's box.
    ASSERT_TRUE(QTest::qWaitFor([&] { return choices_.size() == 3u; }, 5000));
    EXPECT_EQ(saveQuestions_.size(), 1);
    EXPECT_TRUE(Window().isVisible());
    EXPECT_TRUE(choices_[2].text.startsWith("Write cancelled after block "));
    EXPECT_EQ(choices_[2].buttons, (QStringList{"Write Again", "Close"}));
}

TEST_F(Outcome, APseudoTerminalChosenByPathIsReadAndRemembered) {
    const Image plan = SecondPlan();
    {
        RadioOnPty radio(plan);
        const QString path = QString::fromStdString(radio.Path());
        commands_->Ports().OnOtherPort();
        OtherPortDialog* dialog = commands_->Ports().OtherPort();
        dialog->Ports()->setEditText(QStringLiteral(" ") + path);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        EXPECT_EQ(View().Port(), path);
        EXPECT_EQ(commands_->Ports().Indicator()->text(), "Port: " + path);
        Trigger(Command::ReadFromRadio);
        ASSERT_TRUE(StartAndWait());
        EXPECT_EQ(Window().Document().MemoryImage(), plan);

        Stop();
        ASSERT_TRUE(Start());
        EXPECT_EQ(View().Port(), path);
        Stop();
    }
    // Gone at the next start: the one USB adapter present, else COM1.
    ASSERT_TRUE(Start());
    EXPECT_EQ(View().Port().toStdString(), ChooseStartPort("", ListSerialDevices()));
}

TEST_F(GuiTest, AFileIsCheckedBeforeTheSaveQuestion) {
    const QString good = PathOf(QStringLiteral("good.sin"));
    const QString bad = PathOf(QStringLiteral("bad.sin"));
    WriteImage(good, PlanImage({{1, col::kReceive, "145.5"}}));
    WriteImage(bad, PlanImage({}));
    ASSERT_TRUE(Start(good));
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"Open",
         [&] {
             chosenFiles_ = {bad};
             Window().Action(Command::FileOpen)->trigger();
         }},
        {"Recent", [&] { Window().OnOpenRecentFile(1); }},
        {"Drop", [&] { DropFile(bad); }},
    };
    for (const auto& [name, open] : ways) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Window().OpenDocumentFile(bad));
        ASSERT_TRUE(Window().OpenDocumentFile(good));  // recent: good, bad
        QFile(bad).resize(100);                        // "Unexpected file format."
        View().Table().SetText(2, col::kReceive, "146.00000");
        const Image image = Window().Document().MemoryImage();
        messages_.clear();
        open();
        EXPECT_TRUE(saveQuestions_.isEmpty());
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(Window().Document().PathName(), QFileInfo(good).absoluteFilePath());
        EXPECT_NE(messages_[0].text.find("Unexpected file format."), std::string::npos);
        EXPECT_EQ(Window().Document().MemoryImage(), image);
        EXPECT_EQ(View().Table().Text(2, col::kReceive), "146.00000");
        EXPECT_TRUE(Window().IsModified());
        WriteImage(bad, PlanImage({}));
    }
}

TEST_F(GuiTest, TestModeShowsWhyThePortDidNotOpen) {
    ASSERT_TRUE(Start());
    const QString port = PathOf(QStringLiteral("no-such-tty"));
    View().SetPort(port);
    const ScopedAnswerers realBoxes({}, {});
    QString detail;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            detail = box->informativeText();
            box->button(QMessageBox::Ok)->click();
        } else if (auto* dialog = qobject_cast<TestModeDialog*>(modal)) {
            if (!detail.isEmpty()) {
                dialog->close();
            } else if (dialog->Widget(TestModeDialog::Control::StartButton)->isEnabled()) {
                dialog->Tree()->setCurrentItem(dialog->TreeItem(testmode::code::kTxPower));
                qobject_cast<QPushButton*>(dialog->Widget(TestModeDialog::Control::StartButton))->click();
            }
        }
    });
    poll.start(20);
    Window().Action(Command::TestMode)->trigger();
    EXPECT_EQ(detail.toStdString(), ExplainOpenFailure(port.toStdString(), ENOENT));
}

}  // namespace
}  // namespace pm
