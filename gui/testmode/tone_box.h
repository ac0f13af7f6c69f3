#pragma once
// A tone list that says when its drop-down closes, after the choice made there has been taken.

#include <QComboBox>

namespace pm {

class ToneBox : public QComboBox {
    Q_OBJECT

  public:
    using QComboBox::QComboBox;

    /** Closes the drop-down; ClosedUp follows once the event that closed it has been handled. */
    void hidePopup() override;

  signals:
    /** The drop-down closed; currentIndex() is the entry chosen in it, or the one before. */
    void ClosedUp();
};

}  // namespace pm
