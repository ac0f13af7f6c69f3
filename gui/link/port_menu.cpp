#include "gui/link/port_menu.h"

#include <QAction>
#include <QMenu>

#include <string>

#include "core/image/memory_image.h"
#include "core/link/port_names.h"
#include "core/texts.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/editor/channel_view.h"
#include "sim/demo_image.h"
#include "sim/pty_host.h"

namespace pm {

PortMenu::PortMenu(MainWindow& frame, QObject* parent)
    : QObject(parent), frame_(frame), menu_(frame.PortMenu()), lister_(&ListSerialDevices) {
    separator_ = menu_->addSeparator();
    noDevice_ = menu_->addAction(QStringLiteral("No serial device found"));
    noDevice_->setObjectName(QStringLiteral("portNoDevice"));
    noDevice_->setEnabled(false);
    radioSeparator_ = menu_->addSeparator();
    virtualRadio_ = menu_->addAction(QString::fromLatin1(kVirtualRadioText));
    virtualRadio_->setObjectName(QStringLiteral("portVirtualRadio"));
    virtualRadio_->setCheckable(true);
    virtualRadio_->setStatusTip(
        QStringLiteral("Use a radio simulated in this program, holding a demonstration channel plan"));
    connect(virtualRadio_, &QAction::triggered, this, [this] { SelectVirtualRadio(); });
    // After the frame's own refresh of COM1 to COM4, which is connected first.
    connect(menu_, &QMenu::aboutToShow, this, &PortMenu::Refresh);
    Refresh();
}

PortMenu::~PortMenu() = default;

void PortMenu::Refresh() {
    for (QAction* action : deviceActions_) {
        menu_->removeAction(action);
        action->deleteLater();
    }
    deviceActions_.clear();
    const QString selected = frame_.View()->Port();
    // The frame marks COM1 to COM4 only when its menu opens; a device chosen here moves the mark now.
    for (Command id : {Command::PortCom1, Command::PortCom2, Command::PortCom3, Command::PortCom4}) {
        if (QAction* com = frame_.Action(id)) com->setChecked(com->text().left(4) == selected);
    }
    const std::vector<std::string> devices = lister_ ? lister_() : std::vector<std::string>{};
    for (const std::string& device : devices) {
        const QString path = QString::fromStdString(device);
        QString text = path;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(text, menu_);
        action->setObjectName(QStringLiteral("portDevice"));
        action->setData(path);
        action->setCheckable(true);
        action->setChecked(path == selected);
        action->setStatusTip(QStringLiteral("Choose the serial device %1").arg(path));
        connect(action, &QAction::triggered, this, [this, path] { SelectDevice(path); });
        menu_->insertAction(noDevice_, action);
        deviceActions_.push_back(action);
    }
    noDevice_->setVisible(devices.empty());
    virtualRadio_->setChecked(radio_ && QString::fromStdString(radio_->Path()) == selected);
}

void PortMenu::SelectDevice(const QString& path) {
    frame_.View()->SetPort(path);
    Refresh();
}

bool PortMenu::SelectVirtualRadio() {
    if (!radio_) {
        const Image memory = sim::DemoImage();
        std::string error;
        radio_ =
            sim::PtyHost::Create(sim::VirtualRadio(memory, memory[kModelOffset]), sim::HostOptions{}, error);
        if (!radio_) {
            const std::string text = "The virtual radio could not be started: " + error;
            ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, &frame_);
            Refresh();
            return false;
        }
        radio_->Start();
    }
    SelectDevice(QString::fromStdString(radio_->Path()));
    return true;
}

}  // namespace pm
