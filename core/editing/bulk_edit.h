#pragma once
// One value into many cells at once: a typed value over a selection, Fill Down, and a field set on a
// range of channels. Every cell passes the editor's checks on its own; refusals are collected, as a
// paste collects them, and none stops the rest.

#include <string_view>
#include <vector>

#include "core/editing/clipboard_text.h"
#include "core/image/channel_table.h"

namespace pm {

/**
 * Writes text into every cell of blocks (data columns 1..7). Tone and list columns skip channels with
 * no frequency, since the editor would leave them empty anyway; a frequency column fills every cell.
 */
PasteReport FillCells(ChannelTable& table, const std::vector<CellRange>& blocks, std::string_view text,
                      int band);

/** Copies the top cell of each column of each block into the cells below it, as FillCells does. */
PasteReport FillDown(ChannelTable& table, const std::vector<CellRange>& blocks, int band);

/** Sets column on every channel first..last that has a receive frequency; cellsWritten counts them. */
PasteReport SetOnChannels(ChannelTable& table, int first, int last, int column, std::string_view text,
                          int band);

}  // namespace pm
