#include "core/image/channel_table.h"

namespace pm {

const std::array<std::string_view, kGridCols>& ColumnHeadings() {
    static constexpr std::array<std::string_view, kGridCols> headings = {
        "CH", "Receive(MHz)", "Transmit(MHz)", "Rx Tone", "Tx Tone", "Busy", "Scan", "Power", ""};
    return headings;
}

void WriteHeadingsAndNumbers(ChannelTable& table) {
    for (int c = 0; c < kGridCols - 1; ++c) table.SetText(0, c, ColumnHeadings()[c]);
    for (int r = 1; r < kGridRows; ++r) table.SetText(r, col::kNumber, std::to_string(r));
}

StringTable::StringTable() {
    WriteHeadingsAndNumbers(*this);
}

std::string StringTable::Text(int row, int col) const {
    return cells_.at(row).at(col);
}

void StringTable::SetText(int row, int col, std::string_view text) {
    cells_.at(row).at(col) = std::string(text);
}

}  // namespace pm
