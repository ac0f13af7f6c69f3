#pragma once
// Copy and paste of grid cells as text: tab-separated with the grid's headings, so a selection goes to a
// spreadsheet and back, and our CSV layout for whole channels. Pasted values pass the same checks as
// typed ones and a refused value leaves its cell as it was; every refusal is reported, none stops the paste.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/editing/channel_rows.h"
#include "core/image/channel_table.h"
#include "core/image/memory_image.h"
#include "core/image/setting_lists.h"

namespace pm {

/** A rectangle of cells: channels firstRow..lastRow by data columns firstColumn..lastColumn (1..7). */
struct CellRange {
    int firstRow = 1;
    int lastRow = 1;
    int firstColumn = col::kReceive;
    int lastColumn = col::kPower;
};

/** Whole channels as tab-separated text: "CH" and the headings, then one line per selected channel,
 * ascending. */
[[nodiscard]] std::string RowsToTsv(const ChannelTable& table, const ChannelSelection& channels);

/** A range of cells as tab-separated text, its columns' headings first; the range is clipped to the grid. */
[[nodiscard]] std::string RangeToTsv(const ChannelTable& table, const CellRange& range);

/** The selected channels in our CSV layout; as in an export, channels without a frequency are left out. */
[[nodiscard]] std::string RowsToCsv(const ChannelTable& table, const SettingLists& lists,
                                    const ChannelSelection& channels);

/** Pasted text read as a block of cells. */
struct PastedCells {
    std::vector<std::vector<std::string>> rows;  // cell texts, trimmed, in column order
    bool wholeRows = false;                      // the text names its channels: it pastes from column 1
    std::string error;                           // not empty: nothing can be pasted
    // The heading line of a CSV layout (ours or the community one) that led the text: rows are then that
    // layout's records, read by its rules as Import CSV reads them.
    std::vector<std::string> layoutHeading;
};

/**
 * Commits one value into (row, column) as the editor would, with band (0 or 1); the reason when it is
 * refused, and then the cell stays as it was. A list value needs a channel with a frequency. A pasted
 * frequency is read as Import CSV reads it, with its reasons; a typed or computed one gets the editor's
 * messages.
 */
std::optional<std::string> CommitValue(ChannelTable& table, int row, int column, const std::string& text,
                                       int band, bool pasted = false);

/** CommitValue of a pasted value. */
std::optional<std::string> PasteValue(ChannelTable& table, int row, int column, const std::string& text,
                                      int band);

/** Larger pasted texts are refused whole, as CSV files are. */
inline constexpr std::size_t kMaxPasteBytes = 1024 * 1024;

/**
 * Reads pasted text: a CSV layout's records under its heading line (comma- or tab-separated), or
 * tab-separated lines with or without a heading line of the grid's column names, which is skipped; a "CH"
 * column of channel numbers is dropped and marks whole rows.
 */
[[nodiscard]] PastedCells ReadPastedText(std::string_view text);

/** A pasted value that was not taken. */
struct PasteRefusal {
    int channel = 0;  // 1..80, or beyond 80 for values that fell off the end
    int column = 0;   // grid column; beyond 7 for values that fell off the right; 0: the whole row
    std::string text;
    std::string reason;
    friend bool operator==(const PasteRefusal&, const PasteRefusal&) = default;
};

/** What a paste did. */
struct PasteReport {
    int cellsWritten = 0;
    std::vector<PasteRefusal> refused;  // in paste order: row by row, left to right
    std::string error;                  // not empty: nothing was pasted
};

/**
 * Writes cells into table from (row, column), or from column 1 for whole rows, one channel per line,
 * each value read as Import CSV reads it (frequencies with a unit or a decimal comma, powers in watts,
 * "Skip") and put through the editor's checks with band (0 or 1). A row whose receive frequency is refused,
 * or a layout record that Import would refuse, leaves its channel as it was.
 */
PasteReport PasteCells(ChannelTable& table, const PastedCells& cells, int row, int column, int band);

/** The image after a paste and the report. */
struct PasteResult {
    Image image{};
    PasteReport report;
};

/** Pastes text into image at (row, column) with the band in force, as the grid would, then encodes. */
[[nodiscard]] PasteResult PasteText(const Image& image, std::string_view text, int row, int column);

/** One line per refused value ("channel 3, Receive(MHz) \"abc\": ..."), then a summary line. */
[[nodiscard]] std::string FormatPasteReport(const PasteReport& report);

}  // namespace pm
