// The Port menu below COM1 to COM4: the devices found when it opens, one check mark, and the virtual
// radio that a read and a write can use without a cable.

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/image/channel_table.h"
#include "core/image/codec.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/editor/channel_view.h"
#include "gui/link/port_menu.h"
#include "gui/link/transfer_dialog.h"
#include "gui/link/transfer_commands.h"
#include "gui_fixture.h"
#include "sim/demo_image.h"
#include "sim/pty_host.h"

namespace pm {
namespace {

class PortMenuTest : public GuiTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        ports_ = &TransferCommands::Of(Window())->Ports();
        ports_->SetDeviceLister([this] { return devices_; });
        TransferCommands::Of(Window())->BackupAction()->setChecked(false);
        TransferCommands::Of(Window())->VerifyAction()->setChecked(false);
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
                continue;
            }
            shown << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString()) +
                         (action->isEnabled() ? QString() : QStringLiteral(" (grey)"));
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
    const QStringList tail{"Other Port...", "-", "Virtual radio"};
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

TEST_F(PortMenuTest, VirtualRadioServesAWriteAndARead) {
    Open();
    Entry(QStringLiteral("Virtual radio"))->trigger();
    sim::PtyHost* radio = ports_->VirtualRadio();
    ASSERT_NE(radio, nullptr);
    const std::string path = radio->Path();
    EXPECT_EQ(View().Port().toStdString(), path);
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(Open().last(), "Virtual radio *");
    EXPECT_FALSE(Window().Action(Command::PortCom1)->isChecked());
    EXPECT_EQ(radio->Memory(), sim::DemoImage());

    // Choosing it again keeps the same radio, with what was written into it.
    TransferCommands& commands = *TransferCommands::Of(Window());
    View().Table().SetText(1, col::kReceive, "146.00000");
    Window().Action(Command::WriteToRadio)->trigger();
    QSignalSpy ended(&commands, &TransferCommands::TransferEnded);
    commands.Dialog()->accept();
    ASSERT_TRUE(ended.wait(60000));
    ASSERT_EQ(commands.LastOutcome().result, LinkResult::Done);
    const Image written = View().EncodedImage();
    Window().Action(Command::PortCom2)->trigger();
    Entry(QStringLiteral("Virtual radio"))->trigger();
    EXPECT_EQ(ports_->VirtualRadio(), radio);
    EXPECT_EQ(View().Port().toStdString(), path);
    EXPECT_TRUE(std::equal(written.begin(), written.begin() + 0x7D8, radio->Memory().begin()));

    // A new document, then a read brings the radio's channels back.
    Window().NewDocument();
    EXPECT_EQ(View().Table().Text(1, col::kReceive), "");
    Window().Action(Command::ReadFromRadio)->trigger();
    commands.Dialog()->accept();
    ASSERT_TRUE(ended.wait(60000));
    ASSERT_EQ(commands.LastOutcome().result, LinkResult::Done);
    EXPECT_EQ(View().Table().Text(1, col::kReceive), "146.00000");
    EXPECT_EQ(Window().Document().MemoryImage(), radio->Memory());
}

}  // namespace
}  // namespace pm
