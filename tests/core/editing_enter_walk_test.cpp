// The Enter key's walk: where each focus goes, and what Enter writes from the tone list.

#include <gtest/gtest.h>

#include "core/editing/enter_walk.h"

namespace pm {
namespace {

TEST(EnterWalk, StepsByFocusAndCell) {
    struct Row {
        const char* name;
        EnterFocus focus;
        int row;
        int col;
        EnterStep step;
    };
    const Row rows[] = {
        {"grid moves right", EnterFocus::Grid, 5, 1, {EnterMove::Right, false}},
        {"grid at Scan tabs out", EnterFocus::Grid, 5, 6, {EnterMove::Tab, false}},
        {"receive opens transmit", EnterFocus::TextEditor, 1, 1, {EnterMove::Right, true}},
        {"text editor in row 80 still moves right", EnterFocus::TextEditor, 80, 2, {EnterMove::Right, true}},
        {"tone opens the next column", EnterFocus::ToneList, 80, 4, {EnterMove::Right, true}},
        {"busy opens scan", EnterFocus::BusyOrScan, 79, 5, {EnterMove::Right, true}},
        {"scan in row 80 tabs out", EnterFocus::BusyOrScan, 80, 6, {EnterMove::Tab, false}},
        {"power goes to the next channel", EnterFocus::Power, 1, 7, {EnterMove::NextRow, true}},
        {"power in row 80 tabs out", EnterFocus::Power, 80, 7, {EnterMove::Tab, false}},
        {"another control tabs", EnterFocus::Other, 3, 3, {EnterMove::Tab, false}},
    };
    for (const Row& row : rows) EXPECT_EQ(EnterStepFor(row.focus, row.row, row.col), row.step) << row.name;
}

TEST(EnterWalk, ToneValue) {
    struct Row {
        const char* name;
        bool hasFrequency;
        std::string typed;
        std::string current;    // what the current cell (3, 4) shows after Enter
        std::string selection;  // what the cell at the selection's end (3, 3) shows
    };
    const Row rows[] = {
        {"exact entry", true, "88.5", "88.5", "was"},
        {"entry without regard to case", true, "d023n", "D023N", "was"},
        {"a prefix is no entry", true, "D", "OFF", "was"},
        {"empty text", true, "", "OFF", "was"},
        {"row without frequencies empties the selection's end", false, "88.5", "was", ""},
    };
    for (const Row& row : rows) {
        StringTable table;
        if (row.hasFrequency) table.SetText(3, 2, "145.00000");
        table.SetText(3, 3, "was");
        table.SetText(3, 4, "was");
        EnterToneValue(table, 3, 4, 3, 3, row.typed);
        EXPECT_EQ(table.Text(3, 4), row.current) << row.name;
        EXPECT_EQ(table.Text(3, 3), row.selection) << row.name;
    }
}

}  // namespace
}  // namespace pm
