#include "core/image/setting_lists.h"

namespace pm {

const SettingInfo& Info(Setting s) {
    static const std::array<SettingInfo, kAllSettings.size()> infos = {{
        {"Field", "field", {"136 - 175MHZ", "144 - 146MHZ"}, -1, -1, true},
        {"Squelch Level", "squelch", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, 4, 4, true},
        {"N/W", "nw", {"Wide", "Narrow"}, 1, -1, true},
        {"Warning", "warning", {"Disable", "Enable"}, 1, 1, true},
        {"Tx total Time(s)",
         "tx_total_time",
         {"Off", "30s", "60s", "90s", "120s", "150s", "180s", "210s", "240s", "270s", "300s"},
         2,
         2,
         true},
        {"TX Power rank", "tx_power_rank", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, 9, 9, false},
        {"BatterySave", "battery_save", {"ON", "OFF"}, 0, 1, false},
    }};
    return infos.at(static_cast<std::size_t>(s));
}

SettingSelections::SettingSelections() {
    for (Setting s : kAllSettings) selected_[static_cast<std::size_t>(s)] = Info(s).defaultIndex;
}

int SettingSelections::Selected(Setting s) const {
    return selected_.at(static_cast<std::size_t>(s));
}

void SettingSelections::Select(Setting s, int index) {
    const int count = static_cast<int>(Info(s).entries.size());
    selected_.at(static_cast<std::size_t>(s)) = (index >= 0 && index < count) ? index : -1;
}

std::string SelectedText(const SettingLists& lists, Setting s) {
    const int index = lists.Selected(s);
    const auto& entries = Info(s).entries;
    if (index < 0 || index >= static_cast<int>(entries.size())) return "";
    return entries[static_cast<std::size_t>(index)];
}

}  // namespace pm
