#pragma once
// One line on what each Function Setting list and each channel column does, for their tool tips.

#include <QString>

#include "core/image/setting_lists.h"

namespace pm {

/** The tool tip of a Function Setting list and its label; empty for the lists that are never shown. */
[[nodiscard]] QString SettingToolTip(Setting setting);

/** The tool tip of the heading of grid column 1..7; empty for any other column. */
[[nodiscard]] QString ColumnToolTip(int column);

}  // namespace pm
