#include "gui/link/port_menu.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <string>

#include "core/image/memory_image.h"
#include "core/link/port_names.h"
#include "core/texts.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/app/settings.h"
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
    otherPort_ = menu_->addAction(QStringLiteral("Other Port..."));
    otherPort_->setObjectName(QStringLiteral("portOther"));
    otherPort_->setStatusTip(QStringLiteral(
        "Choose any serial device by name: a by-id link, Bluetooth serial, a pseudo-terminal"));
    connect(otherPort_, &QAction::triggered, this, &PortMenu::OnOtherPort);
    radioSeparator_ = menu_->addSeparator();
    virtualRadio_ = menu_->addAction(QString::fromLatin1(kVirtualRadioText));
    virtualRadio_->setObjectName(QStringLiteral("portVirtualRadio"));
    virtualRadio_->setCheckable(true);
    virtualRadio_->setStatusTip(
        QStringLiteral("Use a radio simulated in this program, holding a demonstration channel plan"));
    connect(virtualRadio_, &QAction::triggered, this, [this] { SelectVirtualRadio(); });
    // After the frame's own refresh of COM1 to COM4, which is connected first.
    connect(menu_, &QMenu::aboutToShow, this, &PortMenu::Refresh);
    // After the frame's own handling of COM1 to COM4, which is connected first.
    for (Command id : {Command::PortCom1, Command::PortCom2, Command::PortCom3, Command::PortCom4}) {
        if (QAction* com = frame_.Action(id))
            connect(com, &QAction::triggered, this, &PortMenu::OnPortChosen);
    }
    indicator_ = new QLabel(frame_.statusBar());
    indicator_->setObjectName(QStringLiteral("portIndicator"));
    indicator_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame_.statusBar()->addPermanentWidget(indicator_);

    const QString remembered = UserSettings().value(QString::fromLatin1(kPortKey)).toString();
    if (remembered == QLatin1String(kVirtualRadioText)) {
        if (!SelectVirtualRadio())
            frame_.View()->SetPort(QString::fromLatin1(kDefaultPort.data(), kDefaultPort.size()));
    } else {
        frame_.View()->SetPort(QString::fromStdString(ChooseStartPort(
            QFile::encodeName(remembered).toStdString(), lister_ ? lister_() : std::vector<std::string>{})));
    }
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
    ShowPort();
}

void PortMenu::ShowPort() {
    const QString port = frame_.View()->Port();
    const std::string device = DevicePathOfPort(QFile::encodeName(port).toStdString());
    QString text = QStringLiteral("Port: ") + port;
    if (radio_ && radio_->Path() == device) {
        text = QStringLiteral("Port: %1 (%2)").arg(QString::fromLatin1(kVirtualRadioText), port);
    } else if (QFile::encodeName(port).toStdString() != device) {
        text += QStringLiteral(" (%1)").arg(QString::fromStdString(device));
    }
    indicator_->setText(text);
    indicator_->setToolTip(QStringLiteral("The port that Read, Write and Test Mode use"));
}

void PortMenu::SelectDevice(const QString& path) {
    frame_.View()->SetPort(path);
    OnPortChosen();
}

void PortMenu::OnPortChosen() {
    const QString port = frame_.View()->Port();
    // The virtual radio's terminal changes every time; what is remembered is the choice itself.
    const bool virtualRadio = radio_ && QFile::encodeName(port).toStdString() == radio_->Path();
    UserSettings().setValue(QString::fromLatin1(kPortKey),
                            virtualRadio ? QString::fromLatin1(kVirtualRadioText) : port);
    Refresh();
}

void PortMenu::OnOtherPort() {
    if (otherPortDialog_) {
        otherPortDialog_->raise();
        return;
    }
    auto* dialog = new OtherPortDialog(ListPortChoices(), frame_.View()->Port(), &frame_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { SelectDevice(dialog->ChosenPath()); });
    otherPortDialog_ = dialog;
    dialog->open();
}

OtherPortDialog* PortMenu::OtherPort() const {
    return otherPortDialog_.data();
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
