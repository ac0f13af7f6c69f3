#include "gui/testmode/tone_box.h"

namespace pm {

void ToneBox::hidePopup() {
    QComboBox::hidePopup();
    // The popup closes before the clicked entry becomes current: report once that has happened.
    QMetaObject::invokeMethod(this, &ToneBox::ClosedUp, Qt::QueuedConnection);
}

}  // namespace pm
