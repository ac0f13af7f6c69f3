#include "gui/editor/grid_table.h"

#include "gui/editor/channel_grid.h"

namespace pm {

std::string GridTable::Text(int row, int col) const {
    return grid_.TextMatrix(row, col).toStdString();
}

void GridTable::SetText(int row, int col, std::string_view text) {
    grid_.SetTextMatrix(row, col, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace pm
