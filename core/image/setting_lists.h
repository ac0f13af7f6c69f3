#pragma once
// The Function Setting lists: fixed entries, and the selected index that the codec reads and writes.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pm {

/** The seven lists of the Function Setting panel. */
enum class Setting { Field, Squelch, NarrowWide, Warning, TxTotalTime, TxPowerRank, BatterySave };

inline constexpr std::array<Setting, 7> kAllSettings = {
    Setting::Field,       Setting::Squelch,     Setting::NarrowWide, Setting::Warning,
    Setting::TxTotalTime, Setting::TxPowerRank, Setting::BatterySave};

/** Static facts of one list. */
struct SettingInfo {
    std::string_view label;            // label on the form
    std::string_view key;              // short name for files and the command line
    std::vector<std::string> entries;  // in list order (sorted lists already sorted)
    int defaultIndex;                  // selection at first set-up, -1 for none
    int snapIndex;                     // selection that typing returns to, -1 for no reaction
    bool visible;
};

/** Facts of a list. */
[[nodiscard]] const SettingInfo& Info(Setting s);

/** Something that holds a selected index per list; -1 is no selection. */
class SettingLists {
  public:
    virtual ~SettingLists() = default;
    /** Selected index of list s, -1 for none. */
    [[nodiscard]] virtual int Selected(Setting s) const = 0;
    /** Selects index of list s. */
    virtual void Select(Setting s, int index) = 0;
};

/** A plain holder with the first set-up defaults; for the CLI and the tests. */
class SettingSelections : public SettingLists {
  public:
    SettingSelections();
    [[nodiscard]] int Selected(Setting s) const override;
    void Select(Setting s, int index) override;

  private:
    std::array<int, kAllSettings.size()> selected_{};
};

/** Text of the selected entry of list s, "" with no selection. */
[[nodiscard]] std::string SelectedText(const SettingLists& lists, Setting s);

}  // namespace pm
