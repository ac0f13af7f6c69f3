#include "gui/editor/setting_combo.h"

#include <QLineEdit>

namespace pm {

SettingCombo::SettingCombo(Setting s, QWidget* parent) : QComboBox(parent), setting_(s) {
    setEditable(true);
    // Typed text never becomes an entry and is never completed into one.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    lineEdit()->setAcceptDrops(false);
    setObjectName(QStringLiteral("setting_") +
                  QString::fromUtf8(Info(s).key.data(), static_cast<qsizetype>(Info(s).key.size())));
    for (const std::string& entry : Info(s).entries) addItem(QString::fromStdString(entry));
    setCurrentIndex(-1);
}

void SettingCombo::showPopup() {
    emit DroppedDown();
    QComboBox::showPopup();
}

int ComboSettingLists::Selected(Setting s) const {
    return combos_.at(static_cast<std::size_t>(s))->currentIndex();
}

void ComboSettingLists::Select(Setting s, int index) {
    SettingCombo* combo = combos_.at(static_cast<std::size_t>(s));
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    // Selecting an entry shows its text even when a typed text stood there over the same selection.
    combo->setEditText(combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex()) : QString());
}

}  // namespace pm
