#pragma once
// The Port menu below COM1 to COM4: the serial devices found on this machine, refreshed each time the
// menu opens, Other Port... for any path, and the virtual radio, started in this process on a
// pseudo-terminal when first chosen. The port in use shows in the status bar and is remembered for the
// next start.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/link/other_port_dialog.h"

class QAction;
class QLabel;
class QMenu;

namespace pm {

class MainWindow;

namespace sim {
class PtyHost;
}

class PortMenu : public QObject {
    Q_OBJECT

  public:
    /** Lists the serial devices present (ListSerialDevices unless replaced). */
    using DeviceLister = std::function<std::vector<std::string>()>;

    /** The caption of the virtual radio's entry. */
    static constexpr const char* kVirtualRadioText = "Virtual radio";
    /** Settings key of the port last chosen. */
    static constexpr const char* kPortKey = "Radio/Port";

    /** Adds the entries to frame's Port menu and chooses the port to start with. */
    explicit PortMenu(MainWindow& frame, QObject* parent = nullptr);
    /** Stops the virtual radio. */
    ~PortMenu() override;

    /** Rebuilds the device entries and sets every check mark from the selected port. */
    void Refresh();
    /** Starts the virtual radio if it is not running and selects its terminal; false when it could not start.
     */
    bool SelectVirtualRadio();
    /** The virtual radio, or nullptr while it has not been chosen. */
    [[nodiscard]] sim::PtyHost* VirtualRadio() const { return radio_.get(); }
    /** Port, Other Port...: opens the dialog (window-modal); OK chooses the port it names. */
    void OnOtherPort();
    /** The Other Port dialog while it is open, else nullptr. */
    [[nodiscard]] OtherPortDialog* OtherPort() const;
    /** The permanent status-bar field that names the port in use. */
    [[nodiscard]] QLabel* Indicator() const { return indicator_; }
    /** Replaces the way devices are found (tests). */
    void SetDeviceLister(DeviceLister lister) { lister_ = std::move(lister); }

  private:
    void SelectDevice(const QString& path);
    void OnPortChosen();
    void ShowPort();

    MainWindow& frame_;
    QMenu* menu_;
    DeviceLister lister_;
    QAction* separator_ = nullptr;
    std::vector<QAction*> deviceActions_;
    QAction* noDevice_ = nullptr;
    QAction* radioSeparator_ = nullptr;
    QAction* virtualRadio_ = nullptr;
    QAction* otherPort_ = nullptr;
    QLabel* indicator_ = nullptr;
    QPointer<OtherPortDialog> otherPortDialog_;
    std::unique_ptr<sim::PtyHost> radio_;
};

}  // namespace pm
