#include "gui/link/port_menu.h"

#include <QAction>
#include <QMenu>

#include <string>

#include "core/image/memory_image.h"
#include "core/link/port_names.h"
#include "core/texts.h"
#include "gui/app/commands.h"
#include "gui/app/main_frame.h"
#include "gui/app/message_box.h"
#include "gui/editor/tovar_view.h"
#include "sim/demo_image.h"
#include "sim/pty_host.h"

namespace pm {

PortMenu::PortMenu(CMainFrame& frame, QObject* parent)
    : QObject(parent), m_frame(frame), m_menu(frame.PortMenu()), m_lister(&ListSerialDevices) {
    m_separator = m_menu->addSeparator();
    m_noDevice = m_menu->addAction(QStringLiteral("No serial device found"));
    m_noDevice->setObjectName(QStringLiteral("portNoDevice"));
    m_noDevice->setEnabled(false);
    m_radioSeparator = m_menu->addSeparator();
    m_virtualRadio = m_menu->addAction(QString::fromLatin1(kVirtualRadioText));
    m_virtualRadio->setObjectName(QStringLiteral("portVirtualRadio"));
    m_virtualRadio->setCheckable(true);
    m_virtualRadio->setStatusTip(
        QStringLiteral("Use a radio simulated in this program, holding a demonstration channel plan"));
    connect(m_virtualRadio, &QAction::triggered, this, [this] { SelectVirtualRadio(); });
    // After the frame's own refresh of COM1 to COM4, which is connected first.
    connect(m_menu, &QMenu::aboutToShow, this, &PortMenu::Refresh);
    Refresh();
}

PortMenu::~PortMenu() = default;

void PortMenu::Refresh() {
    for (QAction* action : m_deviceActions) {
        m_menu->removeAction(action);
        action->deleteLater();
    }
    m_deviceActions.clear();
    const QString selected = m_frame.GetActiveView()->m_strPort;
    // The frame marks COM1 to COM4 only when its menu opens; a device chosen here moves the mark now.
    for (int id : {cmd::kPortCom1, cmd::kPortCom2, cmd::kPortCom3, cmd::kPortCom4}) {
        if (QAction* com = m_frame.Action(id)) com->setChecked(com->text().left(4) == selected);
    }
    const std::vector<std::string> devices = m_lister ? m_lister() : std::vector<std::string>{};
    for (const std::string& device : devices) {
        const QString path = QString::fromStdString(device);
        QString text = path;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(text, m_menu);
        action->setObjectName(QStringLiteral("portDevice"));
        action->setData(path);
        action->setCheckable(true);
        action->setChecked(path == selected);
        action->setStatusTip(QStringLiteral("Choose the serial device %1").arg(path));
        connect(action, &QAction::triggered, this, [this, path] { SelectDevice(path); });
        m_menu->insertAction(m_noDevice, action);
        m_deviceActions.push_back(action);
    }
    m_noDevice->setVisible(devices.empty());
    m_virtualRadio->setChecked(m_radio && QString::fromStdString(m_radio->Path()) == selected);
}

void PortMenu::SelectDevice(const QString& path) {
    m_frame.GetActiveView()->SetPort(path);
    Refresh();
}

bool PortMenu::SelectVirtualRadio() {
    if (!m_radio) {
        const Image memory = sim::DemoImage();
        std::string error;
        m_radio =
            sim::PtyHost::Create(sim::VirtualRadio(memory, memory[kModelOffset]), sim::HostOptions{}, error);
        if (!m_radio) {
            const std::string text = "The virtual radio could not be started: " + error;
            ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, &m_frame);
            Refresh();
            return false;
        }
        m_radio->Start();
    }
    SelectDevice(QString::fromStdString(m_radio->Path()));
    return true;
}

}  // namespace pm
