#include "core/editing/bulk_edit.h"

#include <algorithm>
#include <string>

#include "core/editing/cell_rules.h"

namespace pm {
namespace {

void FillColumn(ChannelTable& table, int firstRow, int lastRow, int column, const std::string& text, int band,
                bool skipEmpty, PasteReport& report) {
    const bool frequency = EditorForColumn(column) == EditorKind::Text;
    for (int row = std::max(firstRow, 1); row <= std::min(lastRow, kChannelCount); ++row) {
        if (skipEmpty && !frequency && !RowHasFrequency(table, row)) continue;
        if (auto refused = CommitValue(table, row, column, text, band)) {
            report.refused.push_back({row, column, text, *refused});
        } else {
            ++report.cellsWritten;
        }
    }
}

int FirstColumn(const CellRange& b) {
    return std::max(std::min(b.firstColumn, b.lastColumn), static_cast<int>(col::kReceive));
}
int LastColumn(const CellRange& b) {
    return std::min(std::max(b.firstColumn, b.lastColumn), static_cast<int>(col::kPower));
}

}  // namespace

PasteReport FillCells(ChannelTable& table, const std::vector<CellRange>& blocks, std::string_view text,
                      int band) {
    PasteReport report;
    const std::string value(text);
    for (const CellRange& b : blocks) {
        for (int c = FirstColumn(b); c <= LastColumn(b); ++c) {
            FillColumn(table, std::min(b.firstRow, b.lastRow), std::max(b.firstRow, b.lastRow), c, value,
                       band, true, report);
        }
    }
    return report;
}

PasteReport FillDown(ChannelTable& table, const std::vector<CellRange>& blocks, int band) {
    PasteReport report;
    for (const CellRange& b : blocks) {
        const int top = std::min(b.firstRow, b.lastRow);
        if (top < 1 || top > kChannelCount) continue;
        for (int c = FirstColumn(b); c <= LastColumn(b); ++c) {
            FillColumn(table, top + 1, std::max(b.firstRow, b.lastRow), c, table.Text(top, c), band, true,
                       report);
        }
    }
    return report;
}

PasteReport SetOnChannels(ChannelTable& table, int first, int last, int column, std::string_view text,
                          int band) {
    PasteReport report;
    const std::string value(text);
    for (int row = std::max(first, 1); row <= std::min(last, kChannelCount); ++row) {
        if (table.Text(row, col::kReceive).empty()) continue;
        FillColumn(table, row, row, column, value, band, false, report);
    }
    return report;
}

}  // namespace pm
