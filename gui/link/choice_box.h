#pragma once
// A message box whose buttons name what happens ("Write Again", "Restore Backup", "Close"): how a
// transfer's outcome is told, and the question before quitting during a transfer.

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace pm {

/** The text, the cause under it and the buttons, the last one being the way out (Esc). */
struct ChoiceBox {
    QString text;
    QString detail;
    QStringList buttons;
};

/** Answers a choice box with the index of a button instead of showing it; installed by tests. */
using ChoiceAnswerer = std::function<int(const ChoiceBox&)>;

/** Builds the box: warning icon, caption the application's title, plain text, detail under it. */
[[nodiscard]] std::unique_ptr<QMessageBox> MakeChoiceBox(const ChoiceBox& box, QWidget* parent);

/**
 * Shows box modally and returns the index of the button pressed (the last one on Esc or close). While it
 * is shown, *live points at it, so that its text can follow what happens meanwhile.
 */
int ShowChoice(const ChoiceBox& box, QWidget* parent = nullptr, QPointer<QMessageBox>* live = nullptr);

/** Routes choice boxes to answerer while it lives (nesting restores). */
class ScopedChoiceAnswerer {
  public:
    /** Routes to answerer. */
    explicit ScopedChoiceAnswerer(ChoiceAnswerer answerer);
    ~ScopedChoiceAnswerer();
    ScopedChoiceAnswerer(const ScopedChoiceAnswerer&) = delete;
    ScopedChoiceAnswerer& operator=(const ScopedChoiceAnswerer&) = delete;

  private:
    ChoiceAnswerer previous_;
};

}  // namespace pm
