#pragma once
// Port, Check Cable...: the cable doctor's lines for the port in use, run on a thread of their own so
// that the window keeps serving while the radio is listened for.

#include <QDialog>

#include <functional>
#include <memory>
#include <thread>

#include "core/safety/cable_doctor.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pm {

class SerialTrace;

class CableDoctorDialog : public QDialog {
    Q_OBJECT

  public:
    /** Checks port (its trace going to trace) as soon as the dialog is shown. */
    CableDoctorDialog(const QString& port, std::shared_ptr<SerialTrace> trace, QWidget* parent);
    /** Waits for a check still running: it closes the port on its way out. */
    ~CableDoctorDialog() override;

    /** Runs the checks again (Check button). */
    void Check();
    /** True while the checks run. */
    [[nodiscard]] bool IsChecking() const { return worker_.joinable() && !done_; }
    /** The lines of the last check. */
    [[nodiscard]] QString Text() const;
    [[nodiscard]] QCheckBox* LoopbackBox() const { return loopback_; }
    [[nodiscard]] QPushButton* CheckButton() const { return check_; }
    /** The last report. */
    [[nodiscard]] const DoctorReport& Report() const { return report_; }

  signals:
    /** The checks ended and their lines are shown. */
    void Checked();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Show(const DoctorReport& report);

    QString port_;
    std::shared_ptr<SerialTrace> trace_;
    QLabel* summary_ = nullptr;
    QPlainTextEdit* lines_ = nullptr;
    QCheckBox* loopback_ = nullptr;
    QPushButton* check_ = nullptr;
    std::thread worker_;
    bool done_ = true;
    bool started_ = false;
    DoctorReport report_;
};

}  // namespace pm
