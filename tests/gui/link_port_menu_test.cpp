// The Port menu below COM1 to COM4: the devices found when it opens, one check mark, and the virtual
// radio that a read and a write can use without a cable.

#include <QAction>
#include <QMenu>

#include <algorithm>

#include "gui/link/port_menu.h"
#include "link_gui_fixture.h"
#include "sim/demo_image.h"

namespace pm {
namespace {

class PortMenuTest : public guilink::Transfer {
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

TEST_F(PortMenuTest, VirtualRadioKeepsWhatWasWrittenIntoIt) {
    Open();
    Entry(QStringLiteral("Virtual radio"))->trigger();
    sim::PtyHost* radio = ports_->VirtualRadio();
    ASSERT_NE(radio, nullptr);
    const std::string path = radio->Path();
    EXPECT_EQ(View().Port().toStdString(), path);
    EXPECT_EQ(Open().last(), "Virtual radio *");
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
