#pragma once
// Port, Other Port...: any serial device by name, a by-id link, a Bluetooth serial port or a
// pseudo-terminal, picked from the devices present or typed.

#include <QDialog>
#include <QString>

#include <vector>

#include "core/link/port_names.h"

class QComboBox;
class QPushButton;

namespace pm {

class OtherPortDialog : public QDialog {
    Q_OBJECT

  public:
    /** Offers choices (shown by their labels) with current in the field; any typed path is taken too. */
    OtherPortDialog(const std::vector<PortChoice>& choices, const QString& current,
                    QWidget* parent = nullptr);

    /** The editable list. */
    [[nodiscard]] QComboBox* Ports() const { return ports_; }
    /** The OK button; enabled while the field holds something. */
    [[nodiscard]] QPushButton* OkButton() const { return ok_; }
    /** The device to open: the path of the listed entry shown, else the typed text without outer blanks. */
    [[nodiscard]] QString ChosenPath() const;

  private:
    QComboBox* ports_;
    QPushButton* ok_;
};

}  // namespace pm
