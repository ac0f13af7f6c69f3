#pragma once
// What the codec and the cell rules need of the channel grid: text by row and column.

#include <array>
#include <string>
#include <string_view>

#include "core/image/memory_image.h"

namespace pm {

inline constexpr int kGridRows = 81;  // row 0 headings, rows 1..80 channels
inline constexpr int kGridCols = 9;   // col 0 channel numbers, 1..7 data, 8 always empty

/** Grid columns by meaning. */
namespace col {
inline constexpr int kNumber = 0;
inline constexpr int kReceive = 1;
inline constexpr int kTransmit = 2;
inline constexpr int kRxTone = 3;
inline constexpr int kTxTone = 4;
inline constexpr int kBusy = 5;
inline constexpr int kScan = 6;
inline constexpr int kPower = 7;
inline constexpr int kSpare = 8;
}  // namespace col

/** Headings of row 0, columns 0..8 (column 8 has none). */
[[nodiscard]] const std::array<std::string_view, kGridCols>& ColumnHeadings();

/** A table of cell texts with the grid's indices: rows 0..80, columns 0..8. */
class ChannelTable {
  public:
    virtual ~ChannelTable() = default;
    /** Text of cell (row, col). */
    [[nodiscard]] virtual std::string Text(int row, int col) const = 0;
    /** Replaces the text of cell (row, col). */
    virtual void SetText(int row, int col, std::string_view text) = 0;
};

/** Writes the headings of row 0 and the channel numbers of column 0. */
void WriteHeadingsAndNumbers(ChannelTable& table);

/** A plain in-memory table; the CLI and the tests use it where the desktop program has its grid. */
class StringTable : public ChannelTable {
  public:
    /** Headings and numbers written, every other cell empty. */
    StringTable();
    [[nodiscard]] std::string Text(int row, int col) const override;
    void SetText(int row, int col, std::string_view text) override;

  private:
    std::array<std::array<std::string, kGridCols>, kGridRows> cells_;
};

}  // namespace pm
