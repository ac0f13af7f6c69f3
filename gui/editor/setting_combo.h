#pragma once
// The Function Setting lists: editable drop-down lists, and the codec's view of their selections.

#include <QComboBox>

#include <array>

#include "core/image/setting_lists.h"

namespace pm {

/** One Function Setting list; tells when its list is dropped down. */
class SettingCombo : public QComboBox {
    Q_OBJECT

  public:
    /** An editable list with the entries and id of s; nothing selected yet. */
    SettingCombo(Setting s, QWidget* parent = nullptr);
    /** Which list this is. */
    [[nodiscard]] Setting Which() const { return setting_; }
    void showPopup() override;

  signals:
    /** The list is about to drop down. */
    void DroppedDown();

  private:
    Setting setting_;
};

/** The seven lists as the codec's SettingLists. */
class ComboSettingLists : public SettingLists {
  public:
    /** Lists in kAllSettings order, read through the array each time; the array must outlive this object. */
    explicit ComboSettingLists(const std::array<SettingCombo*, kAllSettings.size()>& combos)
        : combos_(combos) {}
    [[nodiscard]] int Selected(Setting s) const override;
    void Select(Setting s, int index) override;

  private:
    const std::array<SettingCombo*, kAllSettings.size()>& combos_;
};

}  // namespace pm
