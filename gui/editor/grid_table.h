#pragma once
// The grid seen as the codec's and the cell rules' table of texts.

#include "core/image/channel_table.h"

namespace pm {

class ChannelGrid;

class GridTable : public ChannelTable {
  public:
    /** A table over grid; the grid must outlive it. */
    explicit GridTable(ChannelGrid& grid) : grid_(grid) {}
    [[nodiscard]] std::string Text(int row, int col) const override;
    void SetText(int row, int col, std::string_view text) override;

  private:
    ChannelGrid& grid_;
};

}  // namespace pm
