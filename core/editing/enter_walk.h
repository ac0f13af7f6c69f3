#pragma once
// The Enter key's walk through a channel: what it writes from a list and where it goes next. The
// widget that had the keyboard focus decides; the rules below need no widget.

#include <string_view>

#include "core/image/channel_table.h"

namespace pm {

/** The window that has the keyboard focus when Enter is pressed, as the walk sees it. */
enum class EnterFocus {
    Grid,        // the grid itself
    TextEditor,  // the frequency text editor
    ToneList,    // any other control while the tone list is open (normally its text field)
    BusyOrScan,  // the Busy or the Scan list
    Power,       // the Power list
    Other,       // any other control while the tone list is hidden
};

/** Where the walk goes after the value is written. */
enum class EnterMove {
    Right,    // one column right, in the same row
    NextRow,  // column 1 of the next row (the row changes first)
    Tab,      // the keyboard focus moves to the next control of the form
};

/** The move and whether the editor of the new cell opens (with the Enter key's code). */
struct EnterStep {
    EnterMove move;
    bool openNext;
    friend bool operator==(const EnterStep&, const EnterStep&) = default;
};

/** The step the Enter key takes from focus at cell (row, col). */
[[nodiscard]] EnterStep EnterStepFor(EnterFocus focus, int row, int col);

/**
 * Enter in the tone list: a row without frequencies empties the cell at the selection's end;
 * otherwise the typed text, or "OFF" when it names no tone, goes into the current cell.
 */
void EnterToneValue(ChannelTable& table, int row, int col, int selRow, int selCol, std::string_view typed);

}  // namespace pm
