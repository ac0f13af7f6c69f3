#include "core/editing/enter_walk.h"

#include "core/editing/cell_rules.h"

namespace pm {

EnterStep EnterStepFor(EnterFocus focus, int row, int col) {
    const bool lastRow = row >= kChannelCount;
    switch (focus) {
        case EnterFocus::Grid:
            return {col == col::kScan ? EnterMove::Tab : EnterMove::Right, false};
        case EnterFocus::TextEditor:
        case EnterFocus::ToneList:
            return {EnterMove::Right, true};
        case EnterFocus::BusyOrScan:
            return lastRow ? EnterStep{EnterMove::Tab, false} : EnterStep{EnterMove::Right, true};
        case EnterFocus::Power:
            return lastRow ? EnterStep{EnterMove::Tab, false} : EnterStep{EnterMove::NextRow, true};
        case EnterFocus::Other:
            break;
    }
    return {EnterMove::Tab, false};
}

void EnterToneValue(ChannelTable& table, int row, int col, int selRow, int selCol, std::string_view typed) {
    if (!RowHasFrequency(table, row)) {
        table.SetText(selRow, selCol, "");
        return;
    }
    table.SetText(row, col, ToneForEnter(typed));
}

}  // namespace pm
