#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/image/document.h"
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
    const std::array<const char*, 7> ch1 = {"145.01250", "145.61250", "88.5", "D023N",
                                            "Carrier",   "Add",       "High"};
    const std::array<const char*, 7> ch80 = {"174.99000", "174.99000", "OFF", "OFF",
                                             "QT/DQT",    "Delete",    "Low"};
    for (int c = 1; c <= 7; ++c) {
        table.SetText(1, c, ch1[c - 1]);
        table.SetText(80, c, ch80[c - 1]);
    }
    table.SetText(40, col::kReceive, "146.00000");
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

/** The item of a page with this text, or its heading line when text is empty. */
const ReportItem* Find(const ReportPage& page, std::string_view text) {
    for (const auto& item : page.items) {
        if (text.empty() ? item.kind == ReportItemKind::Heading : item.text == text) return &item;
    }
    return nullptr;
}

TEST(ReportLayout, EveryChannelOnceAcrossThePages) {
    const ReportInput input = SampleInput();
    std::map<int, int> printed;
    for (const auto& [page, rows] : std::vector<std::pair<int, int>>{{1, 26}, {2, 31}, {3, 23}}) {
        int count = 0;
        for (const auto& item : Layout(page, input).items) {
            if (item.kind != ReportItemKind::Cell || item.column != col::kNumber) continue;
            ++count;
            ++printed[item.row];
            EXPECT_EQ(item.text, std::to_string(item.row));
        }
        EXPECT_EQ(count, rows) << "page " << page;
    }
    ASSERT_EQ(printed.size(), 80u);
    EXPECT_EQ(printed.begin()->first, 1);
    EXPECT_EQ(printed.rbegin()->first, 80);
    for (const auto& [row, times] : printed) EXPECT_EQ(times, 1) << "row " << row;
}

TEST(ReportLayout, TitlesSectionsAndSettingLines) {
    const ReportInput input = SampleInput();
    struct Row {
        const char* name;
        int page;
        std::vector<std::string> texts;  // Title, Section and Setting items in drawing order
    };
    const Row rows[] = {
        {"page1",
         1,
         {"The Radio Settings", "Function Setting:", "Tx Total Time: Off", "Warning Setting: Disable",
          "Squelch Level: 7", "TX power rank: 3", "Channel Setting:"}},
        {"page2", 2, {"The Second Page", "Channel Setting:"}},
        {"page3", 3, {"The Third Pages", "Channel Setting:"}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> got;
        for (const auto& item : Layout(row.page, input).items) {
            if (item.kind == ReportItemKind::Title || item.kind == ReportItemKind::Section ||
                item.kind == ReportItemKind::Setting) {
                got.push_back(item.text);
            }
        }
        EXPECT_EQ(got, row.texts) << row.name;
    }
}

TEST(ReportLayout, NewDocumentSettingsAndHeadingLine) {
    const EditorState state = DecodeToState(NewDocumentImage());
    const ReportPage page = Layout(1, ReportInputFrom(state.table, state.lists));
    EXPECT_NE(Find(page, "Tx Total Time: 60s"), nullptr);
    EXPECT_NE(Find(page, "Squelch Level: 4"), nullptr);
    EXPECT_NE(Find(page, "TX power rank: 9"), nullptr);
    const ReportItem* heading = Find(page, "");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text, "CH   Rx(MHz)   Tx(MHz)     Rx Tone   Tx Tone    Busy     Scan    Power");

    // Four of its words come from the grid's headings, the others are fixed.
    ReportInput input = SampleInput();
    input.cells[0][col::kNumber] = "No";
    input.cells[0][col::kReceive] = "ignored";
    input.cells[0][col::kRxTone] = "RT";
    input.cells[0][col::kTxTone] = "TT";
    input.cells[0][col::kBusy] = "BCL";
    EXPECT_EQ(ReportHeadingLine(input), "No   Rx(MHz)   Tx(MHz)     RT   TT    BCL     Scan    Power");
}

TEST(ReportLayout, PositionsInTwips) {
    const ReportInput input = SampleInput();
    // W = 132; title x = 1200 * 1440 / 300 - 18 * 132 = 3384; y steps of 217 and trunc(1.2 * 217) = 260.
    struct Row {
        const char* name;
        int page;
        const char* text;
        int x;
        int y;
    };
    const Row rows[] = {
        {"title", 1, "The Radio Settings", 3384, -108},
        {"function_setting", 1, "Function Setting:", 660, -325},
        {"tx_total_time", 1, "Tx Total Time: Off", 264, -585},
        {"warning", 1, "Warning Setting: Disable", 264, -802},
        {"squelch_same_line", 1, "Squelch Level: 7", 4092, -802},
        {"power_rank", 1, "TX power rank: 3", 264, -1019},
        {"channel_setting_p1", 1, "Channel Setting:", 660, -1236},
        {"first_row_p1", 1, "1", 132, -1713},
        {"last_row_p1", 1, "26", 132, -7138},
        {"title_p2", 2, "The Second Page", 3384, -108},
        {"channel_setting_p2", 2, "Channel Setting:", 660, -325},
        {"first_row_p2", 2, "27", 132, -802},
        {"last_row_p2", 2, "57", 132, -7312},
        {"channel_setting_p3_one_line_lower", 3, "Channel Setting:", 660, -542},
        {"first_row_p3", 3, "58", 132, -1019},
        {"last_row_p3", 3, "80", 132, -5793},
    };
    std::map<int, ReportPage> pages;
    for (int p = 1; p <= 3; ++p) pages[p] = Layout(p, input);
    for (const auto& row : rows) {
        const ReportItem* item = Find(pages[row.page], row.text);
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(item->x, row.x) << row.name;
        EXPECT_EQ(item->y, row.y) << row.name;
    }
    for (const auto& [page, y] : std::vector<std::pair<int, int>>{{1, -1496}, {2, -585}, {3, -802}}) {
        const ReportItem* heading = Find(pages[page], "");
        ASSERT_NE(heading, nullptr);
        EXPECT_EQ(heading->x, 132) << "page " << page;
        EXPECT_EQ(heading->y, y) << "page " << page;
    }
}

TEST(ReportLayout, ChannelRowCellsAndEmptyChannels) {
    const ReportInput input = SampleInput();
    const std::array<int, 8> xs = {132, 792, 2376, 4224, 5544, 6864, 8052, 9240};
    // Up to the next column; the last one has nothing after it.
    const std::array<int, 8> rooms = {660, 1584, 1848, 1320, 1320, 1188, 1188, 0};
    struct Row {
        const char* name;
        int page;
        int channel;
        std::array<const char*, 8> texts;
    };
    const Row rows[] = {
        {"full", 1, 1, {"1", "145.01250 ", "145.61250 ", "88.5 ", "D023N ", "Carrier ", "Add ", "High "}},
        {"empty_prints_only_its_number", 1, 2, {"2", " ", " ", " ", " ", " ", " ", " "}},
        {"cells_as_the_grid_holds_them", 2, 40, {"40", "146.00000 ", " ", " ", " ", " ", " ", " "}},
        {"last", 3, 80, {"80", "174.99000 ", "174.99000 ", "OFF ", "OFF ", "QT/DQT ", "Delete ", "Low "}},
    };
    for (const auto& row : rows) {
        std::vector<const ReportItem*> cells;
        const ReportPage page = Layout(row.page, input);
        for (const auto& item : page.items) {
            if (item.kind == ReportItemKind::Cell && item.row == row.channel) cells.push_back(&item);
        }
        ASSERT_EQ(cells.size(), 8u) << row.name;
        for (std::size_t c = 0; c < 8; ++c) {
            EXPECT_EQ(cells[c]->column, static_cast<int>(c)) << row.name;
            EXPECT_EQ(cells[c]->text, row.texts[c]) << row.name << " col " << c;
            EXPECT_EQ(cells[c]->x, xs[c]) << row.name << " col " << c;
            EXPECT_EQ(cells[c]->room, rooms[c]) << row.name << " col " << c;
            EXPECT_EQ(cells[c]->y, cells[0]->y) << row.name << " col " << c;
        }
    }
}

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
        {"letter_300dpi", {0, 0, 2400, 3150, 300, 300}, 336, 132, 3384},
        {"a5_72dpi", {0, 0, 400, 576, 72, 72}, 240, 88, 2416},
        {"legal_1200x600dpi", {0, 0, 9960, 8160, 1200, 600}, 434, 138, 3492},
        {"offset_rectangle", {50, 30, 4850, 6630, 600, 600}, 350, 132, 3444},
    };
    const ReportInput input = SampleInput();
    for (const auto& row : rows) {
        const auto font = ReportFontFor(row.geometry);
        ASSERT_TRUE(font.has_value()) << row.name;
        EXPECT_EQ(font->height, row.height) << row.name;
        EXPECT_EQ(font->width, row.width) << row.name;
        // A forty-fifth of the printable height, give or take the two truncations.
        const PageGeometry& g = row.geometry;
        const double printableTwips = double(g.bottom - g.top) * kTwipsPerInch / g.dpiY;
        EXPECT_LE(font->height * 45, printableTwips) << row.name;
        EXPECT_GT(font->height * 45, printableTwips - 45.0 * (double(kTwipsPerInch) / g.dpiY + 1))
            << row.name;

        const ReportPage page = Layout(1, input, g, 400);
        EXPECT_EQ(page.font.height, row.height) << row.name;
        const ReportItem* title = Find(page, "The Radio Settings");
        ASSERT_NE(title, nullptr) << row.name;
        EXPECT_EQ(title->x, row.titleX) << row.name;
        EXPECT_EQ(Find(page, "Squelch Level: 7")->x, 31 * row.width) << row.name;
    }
}

TEST(ReportLayout, UnusableRequestsGiveNoPage) {
    const ReportInput input = SampleInput();
    struct Row {
        const char* name;
        int page;
        PageGeometry geometry;
        int line;
    };
    const Row rows[] = {
        {"page_0", 0, kLetter300, kLine},
        {"page_4", 4, kLetter300, kLine},
        {"zero_dpi_x", 1, {0, 0, 2400, 3150, 0, 300}, kLine},
        {"negative_dpi_y", 1, {0, 0, 2400, 3150, 300, -300}, kLine},
        {"empty_rectangle", 1, {0, 0, 0, 0, 300, 300}, kLine},
        {"upside_down", 1, {0, 3150, 2400, 0, 300, 300}, kLine},
        {"too_narrow_for_a_character", 1, {0, 0, 180, 3150, 300, 300}, kLine},
        {"too_low_for_a_character", 1, {0, 0, 2400, 44, 300, 300}, kLine},
        {"huge_coordinates", 1, {0, 0, 2'000'000'000, 2'000'000'000, 1, 1}, kLine},
        {"zero_line_height", 1, kLetter300, 0},
        {"negative_line_height", 1, kLetter300, -217},
        {"huge_line_height", 1, kLetter300, 2'000'000'000},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(LayoutReportPage(row.page, row.geometry, row.line, input).has_value()) << row.name;
    }
    EXPECT_FALSE(ReportFontFor({0, 0, 2400, 3150, 300, 0}).has_value());
}

TEST(ReportLayout, PrintRangeStaysWithinThreePages) {
    struct Row {
        const char* name;
        int from;
        int to;
        std::vector<int> pages;
    };
    const Row rows[] = {
        {"all", 0, 0, {1, 2, 3}},       {"one", 2, 2, {2}},     {"tail", 2, 3, {2, 3}},
        {"beyond_three", 3, 9, {3}},    {"reversed", 3, 1, {}}, {"past_the_end", 4, 5, {}},
        {"from_below_one", -1, 1, {1}},
    };
    for (const auto& row : rows) EXPECT_EQ(ReportPagesToPrint(row.from, row.to), row.pages) << row.name;
}

}  // namespace
}  // namespace pm
