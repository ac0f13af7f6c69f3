#include <gtest/gtest.h>

#include "core/image/channel_table.h"
#include "core/report/report_layout.h"

namespace pm {
namespace {

// Letter at 300 dpi: H = 336, W = 132 twips.
constexpr PageGeometry kLetter300 = {0, 0, 2400, 3150, 300, 300};
// An odd line height, so that the 1.2-line steps have a fraction to truncate.
constexpr int kLine = 217;

ReportInput SampleInput() {
    StringTable table;
    SettingSelections lists;
    const std::pair<int, std::array<const char*, 7>> rows[] = {
        {1, {"145.01250", "145.61250", "88.5", "D023N", "Carrier", "Add", "High"}},
        {40, {"146.00000", "", "", "", "", "", ""}},
        {80, {"174.99000", "174.99000", "OFF", "OFF", "QT/DQT", "Delete", "Low"}}};
    for (const auto& [row, cells] : rows) {
        for (int c = 1; c <= 7; ++c) table.SetText(row, c, cells[static_cast<std::size_t>(c - 1)]);
    }
    lists.Select(Setting::TxTotalTime, 0);
    lists.Select(Setting::Warning, 0);
    lists.Select(Setting::Squelch, 7);
    lists.Select(Setting::TxPowerRank, 3);
    return ReportInputFrom(table, lists);
}

ReportPage Layout(int page, const ReportInput& input, const PageGeometry& g = kLetter300, int line = kLine) {
    const auto laid = LayoutReportPage(page, g, line, input);
    EXPECT_TRUE(laid.has_value());
    return laid.value_or(ReportPage{});
}

/** "text@x,y" for an item. */
std::string Placed(const ReportItem& item) {
    return item.text + "@" + std::to_string(item.x) + "," + std::to_string(item.y);
}

// Everything but the cells, then the first and the last row's number. W = 132; the title's x is
// 1200 * 1440 / 300 - 18 * 132 = 3384; y steps by 217 and by trunc(1.2 * 217) = 260. Together the
// pages number every channel once.
TEST(ReportLayout, PageTextsInTwips) {
    const std::string h = "CH   Rx(MHz)   Tx(MHz)     Rx Tone   Tx Tone    Busy     Scan    Power@132,";
    const std::vector<std::vector<std::string>> pages = {
        {"The Radio Settings@3384,-108", "Function Setting:@660,-325", "Tx Total Time: Off@264,-585",
         "Warning Setting: Disable@264,-802", "Squelch Level: 7@4092,-802", "TX power rank: 3@264,-1019",
         "Channel Setting:@660,-1236", h + "-1496", "1@132,-1713", "26@132,-7138"},
        {"The Second Page@3384,-108", "Channel Setting:@660,-325", h + "-585", "27@132,-802", "57@132,-7312"},
        // Page 3 begins one line lower than page 2.
        {"The Third Pages@3384,-108", "Channel Setting:@660,-542", h + "-802", "58@132,-1019",
         "80@132,-5793"},
    };
    const ReportInput input = SampleInput();
    std::vector<std::string> numbers;
    for (int number = 1; number <= kReportPageCount; ++number) {
        const ReportRowRange rows = ReportRowsOfPage(number);
        std::vector<std::string> got;
        for (const auto& item : Layout(number, input).items) {
            const bool isNumber = item.kind == ReportItemKind::Cell && item.column == col::kNumber;
            if (isNumber) numbers.push_back(item.text);
            EXPECT_TRUE(item.kind == ReportItemKind::Cell || item.column == -1) << item.text;
            if (item.kind != ReportItemKind::Cell ||
                (isNumber && (item.row == rows.first || item.row == rows.last)))
                got.push_back(Placed(item));
        }
        EXPECT_EQ(got, pages[static_cast<std::size_t>(number - 1)]) << "page " << number;
    }
    ASSERT_EQ(numbers.size(), 80u);
    for (int row = 1; row <= kChannelCount; ++row) EXPECT_EQ(numbers[row - 1], std::to_string(row));
}

TEST(ReportLayout, HeadingLineTakesFourWordsFromTheGrid) {
    ReportInput input = SampleInput();
    input.cells[0][col::kNumber] = "No";
    input.cells[0][col::kReceive] = "ignored";
    input.cells[0][col::kRxTone] = "RT";
    input.cells[0][col::kTxTone] = "TT";
    input.cells[0][col::kBusy] = "BCL";
    EXPECT_EQ(ReportHeadingLine(input), "No   Rx(MHz)   Tx(MHz)     RT   TT    BCL     Scan    Power");
}

// Each cell at its column's x, with room up to the next column; an empty channel prints only its number.
TEST(ReportLayout, ChannelRowCells) {
    const std::array<int, 8> xs = {132, 792, 2376, 4224, 5544, 6864, 8052, 9240};
    const std::array<int, 8> rooms = {660, 1584, 1848, 1320, 1320, 1188, 1188, 0};
    struct Row {
        int page;
        int channel;
        const char* texts;
    };
    const Row rows[] = {
        {1, 1, "1|145.01250 |145.61250 |88.5 |D023N |Carrier |Add |High "},
        {1, 2, "2| | | | | | | "},
        {2, 40, "40|146.00000 | | | | | | "},  // cells as the grid holds them
        {3, 80, "80|174.99000 |174.99000 |OFF |OFF |QT/DQT |Delete |Low "},
    };
    const ReportInput input = SampleInput();
    for (const auto& row : rows) {
        SCOPED_TRACE("channel " + std::to_string(row.channel));
        std::string texts;
        std::vector<int> ys;
        for (const auto& item : Layout(row.page, input).items) {
            if (item.kind != ReportItemKind::Cell || item.row != row.channel) continue;
            const auto at = ys.size();
            ASSERT_EQ(item.column, static_cast<int>(at));
            texts += (at == 0 ? "" : "|") + item.text;
            EXPECT_EQ(item.x, xs[at]) << "column " << at;
            EXPECT_EQ(item.room, rooms[at]) << "column " << at;
            EXPECT_EQ(item.y, ys.empty() ? item.y : ys.front()) << "column " << at;
            ys.push_back(item.y);
        }
        EXPECT_EQ(texts, row.texts);
    }
}

// The character height is a forty-fifth of the printable height, whatever the paper or resolution.
TEST(ReportLayout, FontFollowsThePrintableArea) {
    struct Row {
        const char* name;
        PageGeometry geometry;
        int height;
        int width;
        int titleX;
    };
    const Row rows[] = {
        {"a4_600dpi", {0, 0, 4760, 6814, 600, 600}, 362, 131, 3354},
        {"a5_72dpi", {0, 0, 400, 576, 72, 72}, 240, 88, 2416},
        {"legal_1200x600dpi", {0, 0, 9960, 8160, 1200, 600}, 434, 138, 3492},
        {"offset_rectangle", {50, 30, 4850, 6630, 600, 600}, 350, 132, 3444},
        {"smallest_usable", {0, 0, 980, 45, 1440, 1440}, 1, 1, 472},
        {"largest_usable", {0, 0, 1'000'000, 1'000'000, 100'000, 100'000}, 319, 168, 4176},
    };
    const ReportInput input = SampleInput();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ReportPage page = Layout(1, input, row.geometry, 400);
        EXPECT_EQ(page.font.height, row.height);
        EXPECT_EQ(page.font.width, row.width);
        ASSERT_FALSE(page.items.empty());
        EXPECT_EQ(page.items.front().x, row.titleX);  // the title comes first
    }
}

TEST(ReportLayout, LimitsOfARequest) {
    struct Row {
        const char* name;
        int page;
        PageGeometry geometry;
        int line;
        bool laid;
    };
    const Row rows[] = {
        {"page_0", 0, kLetter300, kLine, false},
        {"page_4", 4, kLetter300, kLine, false},
        {"zero_dpi_x", 1, {0, 0, 2400, 3150, 0, 300}, kLine, false},
        {"zero_dpi_y", 1, {0, 0, 2400, 3150, 300, 0}, kLine, false},
        {"bottom_equals_top", 1, {0, 3150, 2400, 3150, 300, 300}, kLine, false},
        {"too_low_for_a_character", 1, {0, 0, 2400, 44, 300, 300}, kLine, false},
        {"left_beyond_any_printer", 1, {-1'000'001, 0, 2400, 3150, 300, 300}, kLine, false},
        {"huge_coordinates", 1, {0, 0, 2'000'000'000, 2'000'000'000, 1, 1}, kLine, false},
        {"zero_line_height", 1, kLetter300, 0, false},
        {"line_height_1", 1, kLetter300, 1, true},
        {"largest_line_height", 3, kLetter300, 1'000'000, true},
        {"line_height_beyond", 1, kLetter300, 1'000'001, false},
    };
    const ReportInput input = SampleInput();
    for (const auto& row : rows) {
        EXPECT_EQ(LayoutReportPage(row.page, row.geometry, row.line, input).has_value(), row.laid)
            << row.name;
    }
}

TEST(ReportLayout, PrintRangeStaysWithinThreePages) {
    struct Row {
        const char* name;
        int from;
        int to;
        std::vector<int> pages;
    };
    const Row rows[] = {
        {"all", 0, 0, {1, 2, 3}},    {"tail", 2, 3, {2, 3}},         {"beyond_three", 3, 9, {3}},
        {"past_the_end", 4, 5, {}},  {"from_below_one", -1, 1, {1}}, {"from_zero_alone", 0, 2, {1, 2}},
        {"to_zero_alone", 2, 0, {}},
    };
    for (const auto& row : rows) EXPECT_EQ(ReportPagesToPrint(row.from, row.to), row.pages) << row.name;
}

}  // namespace
}  // namespace pm
