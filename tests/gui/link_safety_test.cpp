// Safe programming in the desktop program: the backup and verify check items around Write To Radio,
// Compare With Radio..., the reason under the message of a port that does not open, and the Port menu
// with the devices found when it opens and the virtual radio.

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cerrno>

#include "core/safety/backup_store.h"
#include "core/safety/port_diagnosis.h"
#include "gui/app/settings.h"
#include "gui/link/compare_dialog.h"
#include "gui/link/port_menu.h"
#include "link_gui_fixture.h"
#include "sim/demo_image.h"

namespace pm {
namespace {

using namespace guilink;

class SafeTransfer : public Transfer {};

TEST_F(SafeTransfer, TheCheckItemsAreOnForANewUserAndRememberedWhenOff) {
    Stop();
    UserSettings().clear();
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
    // The question on closing follows the write: what quitting would leave at each stage.
    QStringList questions;
    QObject::connect(Dialog(), &QWidget::windowTitleChanged,
                     [&] { questions << commands_->QuitQuestion().text; });
    ASSERT_TRUE(StartAndWait(60000));
    ASSERT_EQ(questions.size(), 3);
    EXPECT_TRUE(questions[0].endsWith("the radio is not changed.")) << questions[0].toStdString();
    EXPECT_TRUE(questions[1].contains("half-written"));
    EXPECT_TRUE(questions[2].contains("the radio is fully written"));
    EXPECT_EQ(commands_->LastWrite().stage, SafeStage::Verify);
    EXPECT_TRUE(messages_.empty() && choices_.empty());
    EXPECT_EQ(Window().OutcomeLabel()->text(), "Write complete and verified: the radio holds what was sent.");
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

class PortMenuTest : public Transfer {
  protected:
    void SetUp() override {
        Transfer::SetUp();
        ports_ = &commands_->Ports();
        ports_->SetDeviceLister([this] { return devices_; });
    }

    // The menu as the user sees it on opening: texts, "-" for a separator, "*" after a checked entry.
    QStringList Open() {
        QMenu* menu = Window().PortMenu();
        emit menu->aboutToShow();
        QStringList shown;
        for (QAction* action : menu->actions()) {
            if (!action->isVisible()) continue;
            if (action->isSeparator()) {
                shown << QStringLiteral("-");
            } else {
                shown << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString()) +
                             (action->isEnabled() ? QString() : QStringLiteral(" (grey)"));
            }
        }
        return shown;
    }
    QAction* Entry(const QString& text) {
        for (QAction* action : Window().PortMenu()->actions()) {
            if (action->text() == text) return action;
        }
        return nullptr;
    }

    PortMenu* ports_ = nullptr;
    std::vector<std::string> devices_;
};

TEST_F(PortMenuTest, DevicesAreListedAfreshEachTimeTheMenuOpens) {
    const QStringList com{"COM1(&P)", "COM2(&Q)", "COM3(&S)", "COM4(&T)", "-"};
    const QStringList tail{"Other Port...", "-", "Virtual radio", "-", "Check &Cable..."};
    devices_ = {"/dev/ttyUSB0", "/dev/ttyS1"};
    Window().Action(Command::PortCom1)->trigger();
    EXPECT_EQ(Open(),
              (QStringList{"COM1(&P) *"} + com.mid(1) + QStringList{"/dev/ttyUSB0", "/dev/ttyS1"} + tail));
    // A device takes the one check mark from COM1; the adapter unplugged, no entry is marked.
    Entry(QStringLiteral("/dev/ttyUSB0"))->trigger();
    EXPECT_EQ(View().Port(), "/dev/ttyUSB0");
    EXPECT_EQ(Open(), (com + QStringList{"/dev/ttyUSB0 *", "/dev/ttyS1"} + tail));
    devices_ = {};
    EXPECT_EQ(Open(), (com + QStringList{"No serial device found (grey)"} + tail));
}

TEST_F(PortMenuTest, VirtualRadioKeepsWhatWasWrittenIntoIt) {
    Open();
    Entry(QStringLiteral("Virtual radio"))->trigger();
    sim::PtyHost* radio = ports_->VirtualRadio();
    ASSERT_NE(radio, nullptr);
    const std::string path = radio->Path();
    EXPECT_EQ(View().Port().toStdString(), path);
    EXPECT_TRUE(Open().contains("Virtual radio *"));
    EXPECT_EQ(radio->Memory(), sim::DemoImage());

    // Choosing it again keeps the same radio, with what was written into it.
    View().Table().SetText(1, col::kReceive, "146.00000");
    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait());
    ASSERT_EQ(commands_->LastOutcome().result, LinkResult::Done);
    const Image written = View().EncodedImage();
    Window().Action(Command::PortCom2)->trigger();
    Entry(QStringLiteral("Virtual radio"))->trigger();
    EXPECT_EQ(ports_->VirtualRadio(), radio);
    EXPECT_EQ(View().Port().toStdString(), path);
    EXPECT_TRUE(std::equal(written.begin(), written.begin() + 0x7D8, radio->Memory().begin()));
}

}  // namespace
}  // namespace pm
