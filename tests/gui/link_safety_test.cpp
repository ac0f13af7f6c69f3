// Safe programming in the desktop program: the backup and verify check items around Write To Radio,
// Compare With Radio..., and the reason under the message of a port that does not open.

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <cerrno>

#include "core/safety/backup_store.h"
#include "core/safety/port_diagnosis.h"
#include "gui/app/recent_files.h"
#include "gui/link/compare_dialog.h"
#include "link_gui_fixture.h"

namespace pm {
namespace {

using namespace guilink;

class SafeTransfer : public Transfer {
  protected:
    static QStringList Backups() {
        return QDir(QString::fromStdString(DefaultBackupDir().string()))
            .entryList({QStringLiteral("*.sin")}, QDir::Files);
    }
};

TEST_F(SafeTransfer, TheCheckItemsAreOnForANewUserAndRememberedWhenOff) {
    Stop();
    QSettings(QString::fromLatin1(kSettingsOrganisation), Q(kAppTitle)).clear();
    ASSERT_TRUE(Start());
    commands_ = TransferCommands::Of(Window());
    EXPECT_TRUE(commands_->BackupAction()->isChecked());
    EXPECT_TRUE(commands_->VerifyAction()->isChecked());
    commands_->BackupAction()->trigger();
    Stop();
    ASSERT_TRUE(Start());
    commands_ = TransferCommands::Of(Window());
    EXPECT_FALSE(commands_->BackupAction()->isChecked());
    EXPECT_TRUE(commands_->VerifyAction()->isChecked());
}

TEST_F(SafeTransfer, BackupThenWriteThenVerifyOnAGoodRadio) {
    const Image before = PlanImage({{5, col::kReceive, "145.3"}});
    RadioOnPty radio(before);
    OpenPlan(SecondPlan(), &radio);
    commands_->BackupAction()->setChecked(true);
    commands_->VerifyAction()->setChecked(true);

    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait(60000));
    EXPECT_EQ(commands_->LastWrite().stage, SafeStage::Verify);
    EXPECT_TRUE(messages_.empty() && choices_.empty());
    EXPECT_EQ(Window().statusBar()->currentMessage(),
              "Write complete and verified: the radio holds what was sent.");
    // Two reads around the write, each counted from the start again.
    EXPECT_EQ(statuses_.count(Q(link::kStatusDetecting)), 3);
    EXPECT_EQ(std::count(positions_.begin(), positions_.end(), 0), 2);

    // What the copy and the radio hold is the safe write's own business (core tests); here, that it ran.
    EXPECT_EQ(Backups().size(), 1);
}

TEST_F(SafeTransfer, CompareListsWhatDiffersAndLeavesTheDocumentAlone) {
    Image onRadio = PlanImage({{1, col::kReceive, "146.52"},
                               {2, col::kReceive, "145.6"},
                               {2, col::kTransmit, "145.0"},
                               {9, col::kReceive, "144.9"}},
                              4);
    RadioOnPty radio(onRadio);
    OpenPlan(SecondPlan(), &radio);
    const Image image = Window().Document().MemoryImage();
    const std::vector<std::string> grid = GridTexts(View().Table());

    commands_->CompareAction()->trigger();
    ASSERT_NE(Dialog(), nullptr);
    ASSERT_TRUE(StartAndWait());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(radio.Events(Kind::Write).empty());
    EXPECT_EQ(Window().Document().MemoryImage(), image);
    EXPECT_EQ(GridTexts(View().Table()), grid);

    // What differs and how it is worded is the core's; here, that the dialog shows the list.
    CompareDialog* shown = commands_->Comparison();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Summary(), "3 differences between the document and the radio (1 channel, 1 setting):");
    QTableWidget* table = shown->Table();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(
        table->item(0, 0)->text() + " | " + table->item(0, 1)->text() + " | " + table->item(0, 2)->text(),
        "CH 9 Receive(MHz) | 144.80000 | 144.90000");
}

TEST_F(SafeTransfer, APortThatDoesNotOpenShowsWhyUnderTheMessageAndEndsTheTransfer) {
    OpenPlan(SecondPlan(), nullptr);
    const Image image = Window().Document().MemoryImage();
    const QString port = PathOf(QStringLiteral("no-such-tty"));
    View().SetPort(port);
    // The real message box this time, answered by a click.
    const ScopedAnswerers realBoxes({}, {});
    QString text;
    QString detail;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            detail = box->informativeText();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);

    Trigger(Command::ReadFromRadio);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(text, Q(link::kOpenFailed.text));
    EXPECT_EQ(detail.toStdString(), ExplainOpenFailure(port.toStdString(), ENOENT));
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Failed);
    EXPECT_TRUE(choices_.empty());  // the box with the reason was the outcome
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Window().Document().MemoryImage(), image);
}

}  // namespace
}  // namespace pm
