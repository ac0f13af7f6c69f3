// One contract for every ChannelTable: the core's plain StringTable and the desktop program's grid.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/image/channel_table.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "core/image/setting_lists.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/grid_table.h"
#include "sim/demo_image.h"

namespace pm {
namespace {

struct PlainTable {
    StringTable table;
};

// The grid as the view sets it up: headings and numbers written once, then texts through the table.
struct GridBackedTable {
    GridBackedTable() { WriteHeadingsAndNumbers(table); }
    ChannelGrid grid;
    GridTable table{grid};
};

template <typename Holder>
class ChannelTableContract : public ::testing::Test {
  protected:
    Holder holder_;
    ChannelTable& Table() { return holder_.table; }
};

using Implementations = ::testing::Types<PlainTable, GridBackedTable>;
TYPED_TEST_SUITE(ChannelTableContract, Implementations);

TYPED_TEST(ChannelTableContract, HeadingsNumbersAndTheSpareColumn) {
    ChannelTable& table = this->Table();
    for (int c = 0; c < kGridCols; ++c) EXPECT_EQ(table.Text(0, c), ColumnHeadings()[c]) << c;
    EXPECT_EQ(table.Text(80, col::kNumber), "80");
    // The spare column holds what is set and nothing else changes.
    table.SetText(40, col::kSpare, "text");
    EXPECT_EQ(table.Text(40, col::kSpare), "text");
    EXPECT_EQ(table.Text(41, col::kSpare) + table.Text(40, col::kPower), "");
}

TYPED_TEST(ChannelTableContract, DecodeEncodeRoundTrip) {
    ChannelTable& table = this->Table();
    const Image demo = sim::DemoImage();
    SettingSelections lists;
    DecodeImage(demo, table, lists);
    Image encoded = demo;
    EncodeImage(table, lists, encoded);
    EXPECT_EQ(encoded, demo);
    // And the same texts as the plain table reads: the grid adds and loses nothing.
    const EditorState plain = DecodeToState(demo);
    for (int r = 1; r < kGridRows; ++r) {
        for (int c = col::kReceive; c <= col::kPower; ++c)
            EXPECT_EQ(table.Text(r, c), plain.table.Text(r, c));
    }
}

}  // namespace
}  // namespace pm
