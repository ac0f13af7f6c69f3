// Safe programming in the desktop program: the backup and verify check items around Write To Radio,
// Compare With Radio..., and the reason under the message of a port that does not open.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <cerrno>
#include <string>
#include <vector>

#include "core/link/link_texts.h"
#include "core/safety/port_diagnosis.h"
#include "gui/app/commands.h"
#include "gui/link/compare_dialog.h"
#include "link_gui_fixture.h"

namespace pm {
namespace {

using namespace guilink;
using Kind = sim::RadioEvent::Kind;

class SafeTransfer : public Transfer {
  protected:
    void SetUp() override {
        // Backups go under the test's own data folder.
        hadDataHome_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        oldDataHome_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(PathOf(QStringLiteral("data"))));
        Transfer::SetUp();
    }
    void TearDown() override {
        if (hadDataHome_) {
            qputenv("XDG_DATA_HOME", oldDataHome_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }

    QStringList Backups() const {
        return QDir(PathOf(QStringLiteral("data/pm514rx/backups")))
            .entryList({QStringLiteral("*.sin")}, QDir::Files);
    }

    bool hadDataHome_ = false;
    QByteArray oldDataHome_;
};

TEST_F(SafeTransfer, TheCheckItemsAreOffAtFirstAndRememberedAfter) {
    QMenu* program = nullptr;
    for (QAction* top : Window().menuBar()->actions()) {
        if (top->text() == "&Program") program = top->menu();
    }
    ASSERT_NE(program, nullptr);
    QStringList tail;
    for (QAction* a : program->actions().mid(7)) tail << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(tail, (QStringList{"-", "Backup radio before writing", "Verify after writing", "-",
                                 "Compare With Radio..."}));
    EXPECT_FALSE(commands_->BackupAction()->isChecked());
    EXPECT_FALSE(commands_->VerifyAction()->isChecked());

    commands_->BackupAction()->trigger();
    commands_->VerifyAction()->trigger();
    Stop();
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
    Image before = PlanImage({{5, col::kReceive, "145.3"}});
    const Image pattern = test::PatternImage(11);
    std::copy(pattern.begin() + 0x7D8, pattern.end(), before.begin() + 0x7D8);
    RadioOnPty radio(before);
    OpenPlan(SecondPlan(), &radio);
    commands_->BackupAction()->setChecked(true);
    commands_->VerifyAction()->setChecked(true);

    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait(60000));
    EXPECT_EQ(commands_->LastWrite().status, SafeStatus::Done);
    EXPECT_EQ(commands_->LastWrite().stage, SafeStage::Verify);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "The radio was written and verified: it holds what was sent.");
    EXPECT_EQ(messages_[0].icon, Icon::Information);
    // Two reads around the write, each counted from the start again.
    EXPECT_EQ(statuses_.count(Q(link::kStatusDetecting)), 3);
    EXPECT_EQ(std::count(positions_.begin(), positions_.end(), 0), 2);

    const QStringList backups = Backups();
    ASSERT_EQ(backups.size(), 1);
    const std::vector<std::uint8_t> kept =
        ReadBytes(PathOf(QStringLiteral("data/pm514rx/backups/") + backups[0]));
    EXPECT_EQ(kept, std::vector<std::uint8_t>(before.begin(), before.end()));
    const Image sent = View().EncodedImage();
    const Image held = radio.Host().Memory();
    EXPECT_TRUE(std::equal(held.begin(), held.begin() + 0x7D8, sent.begin()));
}

TEST_F(SafeTransfer, VerifyNamesTheChannelOfABlockTheRadioStoredWrong) {
    sim::Faults faults;
    faults.blocks = {{sim::BlockFaultKind::CorruptWrite, 6, 0}};  // bytes 0x30..0x37: channel 3
    RadioOnPty radio(PlanImage({}), kDefaultModel, faults);
    OpenPlan(PlanImage({{3, col::kReceive, "145.5"}}), &radio);
    commands_->VerifyAction()->setChecked(true);

    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait(60000));
    EXPECT_EQ(commands_->LastWrite().status, SafeStatus::VerifyMismatch);
    EXPECT_EQ(commands_->LastWrite().mismatchBytes.channels, std::vector<int>{3});
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Verify failed: the radio holds other data than was sent in CH 3.");
    EXPECT_EQ(messages_[0].icon, Icon::Warning);
    EXPECT_TRUE(Backups().isEmpty());
}

TEST_F(SafeTransfer, ABackupFolderThatCannotBeMadeKeepsTheRadioUntouched) {
    RadioOnPty radio(PlanImage({}));
    OpenPlan(SecondPlan(), &radio);
    WriteImage(PathOf(QStringLiteral("data")), PlanImage({}));  // a file where the folder should go
    commands_->BackupAction()->setChecked(true);

    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(commands_->LastWrite().status, SafeStatus::BackupFailed);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text,
              "The radio's memory could not be backed up, so nothing was written to the radio.");
    EXPECT_TRUE(radio.Host().Events().empty());
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
    EXPECT_EQ(Dialog()->windowTitle(), "Comparing With Radio");
    ASSERT_TRUE(StartAndWait());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(radio.Events(Kind::Write).empty());
    EXPECT_EQ(Window().Document().MemoryImage(), image);
    EXPECT_EQ(GridTexts(View().Table()), grid);

    CompareDialog* shown = commands_->Comparison();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Summary(), "3 differences between the document and the radio (1 channel, 1 setting):");
    QStringList rows;
    QTableWidget* table = shown->Table();
    for (int r = 0; r < table->rowCount(); ++r) {
        rows << table->item(r, 0)->text() + " | " + table->item(r, 1)->text() + " | " +
                    table->item(r, 2)->text();
    }
    EXPECT_EQ(rows, (QStringList{"CH 9 Receive(MHz) | 144.80000 | 144.90000",
                                 "CH 9 Transmit(MHz) | 144.80000 | 144.90000", "Squelch Level | 6 | 4"}));
}

TEST_F(SafeTransfer, APortThatDoesNotOpenShowsWhyUnderTheMessage) {
    OpenPlan(SecondPlan(), nullptr);
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
    const std::string reason = ExplainOpenFailure(port.toStdString(), ENOENT);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(detail.toStdString(), reason);
    EXPECT_EQ(Dialog(), nullptr);
}

}  // namespace
}  // namespace pm
