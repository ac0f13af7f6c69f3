#pragma once
// The dialogs of the many-channel commands: Repeater, Find and Check Plan. They only gather choices
// and show core results; the rules are in core/editing.

#include <QDialog>

#include <vector>

#include "core/editing/find.h"
#include "core/editing/plan_check.h"
#include "core/editing/repeater.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace pm {

/** Channel › Repeater...: duplex with offset, and a tone mode with its tones. */
class RepeaterDialog : public QDialog {
    Q_OBJECT

  public:
    /** channels names what the dialog applies to ("Channels 3-7"). */
    RepeaterDialog(const QString& channels, QWidget* parent = nullptr);
    /** What the user chose. */
    [[nodiscard]] RepeaterEdit Edit() const;

  private:
    void Update();

    QGroupBox* duplexBox_;
    QComboBox* duplex_;
    QLabel* offsetLabel_;
    QComboBox* offset_;
    QGroupBox* toneBox_;
    QComboBox* mode_;
    QComboBox* ctcss_;
    QComboBox* dcs_;
    QComboBox* polarity_;
    QComboBox* rxTone_;
    QComboBox* txTone_;
};

/** Edit › Find...: a frequency or a tone, on the receive side, the transmit side or both. */
class FindDialog : public QDialog {
    Q_OBJECT

  public:
    explicit FindDialog(QWidget* parent = nullptr);
    [[nodiscard]] FindQuery Query() const;

  signals:
    /** Find Next was pressed. */
    void FindNext();

  private:
    QLineEdit* text_;
    QRadioButton* frequency_;
    QCheckBox* receive_;
    QCheckBox* transmit_;
};

/** View › Check Plan: the findings; activating one goes to its cell. */
class PlanCheckDialog : public QDialog {
    Q_OBJECT

  public:
    explicit PlanCheckDialog(QWidget* parent = nullptr);
    /** Shows findings, replacing what was shown. */
    void SetFindings(const std::vector<Finding>& findings);
    [[nodiscard]] QListWidget* List() const { return list_; }

  signals:
    /** The user picked the finding at (channel, column). */
    void GoTo(int channel, int column);
    /** Check Again was pressed. */
    void Recheck();

  private:
    QLabel* summary_;
    QListWidget* list_;
    std::vector<Finding> findings_;
};

}  // namespace pm
