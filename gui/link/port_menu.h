#pragma once
// The Port menu below COM1 to COM4: the serial devices found on this machine, refreshed each time the
// menu opens, and the virtual radio, started in this process on a pseudo-terminal when first chosen.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
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

    /** Adds the entries to frame's Port menu. */
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
    /** Replaces the way devices are found (tests). */
    void SetDeviceLister(DeviceLister lister) { lister_ = std::move(lister); }

  private:
    void SelectDevice(const QString& path);

    MainWindow& frame_;
    QMenu* menu_;
    DeviceLister lister_;
    QAction* separator_ = nullptr;
    std::vector<QAction*> deviceActions_;
    QAction* noDevice_ = nullptr;
    QAction* radioSeparator_ = nullptr;
    QAction* virtualRadio_ = nullptr;
    std::unique_ptr<sim::PtyHost> radio_;
};

}  // namespace pm
