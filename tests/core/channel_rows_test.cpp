#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>

#include "core/csv/csv_values.h"
#include "core/editing/cell_rules.h"
#include "core/editing/channel_rows.h"
#include "core/editing/clipboard_text.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"
#include "tests/support/random_plan.h"

namespace pm {
namespace {

using Record = std::array<std::uint8_t, kRowSize>;

/** A channel's record; with shownOnly, the bits nothing interprets (they belong to the place) cleared. */
Record RecordOf(const Image& image, int ch, bool shownOnly = false) {
    Record r;
    std::ranges::copy(ChannelRecord(image, ch), r.begin());
    if (shownOnly) r[12] &= 0x1B, r[15] = 0;
    return r;
}

/** What an emptied channel holds: the encoder's empty row with the record's uninterpreted bits. */
Record Emptied(Record r) {
    std::fill(r.begin(), r.begin() + 12, 0xFF);
    r[12] = static_cast<std::uint8_t>((r[12] & 0xE4) | 0x03);
    r[13] = r[14] = 0;
    return r;
}

Image EmptyPlan(int band) {
    Image image = NewDocumentImage();
    BandReset(image, band);
    return RoundTrip(image);
}

/** A saved plan of random valid channels, many on equal frequencies, with random uninterpreted bits. */
Image TaggedPlan(std::mt19937& rng, int fillPercent) {
    Image image = test::RandomPlan(rng, EmptyPlan(static_cast<int>(rng() % 2)), fillPercent, true);
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        auto r = ChannelRecord(image, ch);
        r[15] = static_cast<std::uint8_t>(rng());
        r[12] = static_cast<std::uint8_t>((r[12] & 0x1B) | (rng() & 0xE4));
    }
    return image;
}

/** before with its channels laid out as "1-2 6 3-5 x7 ..." says: old channels by new place, x emptied. */
Image Rearranged(const Image& before, const std::string& order) {
    Image out = before;
    std::istringstream in(order);
    int ch = 1;
    for (std::string item; in >> item;) {
        const bool emptied = item[0] == 'x';
        if (emptied) item.erase(0, 1);
        const auto dash = item.find('-');
        const int first = std::stoi(item.substr(0, dash));
        const int last = dash == std::string::npos ? first : std::stoi(item.substr(dash + 1));
        for (int old = first; old <= last; ++old, ++ch) {
            std::ranges::copy(emptied ? Emptied(RecordOf(before, old)) : RecordOf(before, old),
                              ChannelRecord(out, ch).begin());
        }
    }
    EXPECT_EQ(ch, 81) << order;
    return out;
}

TEST(ChannelRows, OperationsMoveWholeRecordsWithTheirUninterpretedBytes) {
    ChannelSelection moved;
    struct Row {
        const char* name;
        std::function<void(Image&)> op;
        const char* order;
        ChannelSelection moved = {};
    };
    // clang-format off
    const Row rows[] = {
        {"move_down", [](Image& i) { MoveChannel(i, 3, 6); }, "1-2 4-6 3 7-80"},
        {"move_up", [](Image& i) { MoveChannel(i, 6, 3); }, "1-2 6 3-5 7-80"},
        {"move_first_to_last", [](Image& i) { MoveChannel(i, 1, 80); }, "2-80 1"},
        {"move_out_of_range_ignored", [](Image& i) { MoveChannel(i, 0, 81); }, "1-80"},
        {"swap", [](Image& i) { SwapChannels(i, 2, 9); }, "1 9 3-8 2 10-80"},
        {"copy", [](Image& i) { CopyChannel(i, 4, 7); }, "1-6 4 8-80"},
        {"clear", [](Image& i) { ClearChannel(i, 4); }, "1-3 x4 5-80"},
        {"clear_many", [](Image& i) { ClearChannels(i, {9, 2, 2, 81}); }, "1 x2 3-8 x9 10-80"},
        {"delete", [](Image& i) { DeleteChannel(i, 5); }, "1-4 6-80 x5"},
        {"delete_many", [](Image& i) { DeleteChannels(i, {6, 2, 5}); }, "1 3-4 7-80 x2 x5-6"},
        {"insert_drops_80", [](Image& i) { EXPECT_TRUE(InsertChannel(i, 5)); }, "1-4 x80 5-79"},
        {"insert_at_80", [](Image& i) { EXPECT_TRUE(InsertChannel(i, 80)); }, "1-79 x80"},
        {"up_top_block_stays", [&](Image& i) { moved = MoveChannelsUp(i, {1, 2, 5, 9}); },
         "1-3 5 4 6-7 9 8 10-80", {1, 2, 4, 8}},
        {"down_bottom_stays", [&](Image& i) { moved = MoveChannelsDown(i, {80, 10, 11}); },
         "1-9 12 10-11 13-80", {11, 12, 80}},
    };
    // clang-format on
    std::mt19937 rng(7);
    const Image before = TaggedPlan(rng, 100);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Image after = before;
        moved.clear();
        row.op(after);
        EXPECT_EQ(moved, row.moved);
        EXPECT_EQ(after, Rearranged(before, row.order));
    }
}

TEST(ChannelRows, InversePairsRestoreTheImage) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        Image image = TaggedPlan(rng, 60);
        const int a = 1 + static_cast<int>(rng() % 80);
        const int b = 1 + static_cast<int>(rng() % 80);
        Image work = image;
        MoveChannel(work, a, b);
        MoveChannel(work, b, a);
        ASSERT_EQ(work, image) << a << ":" << b;

        ChannelRecord(image, 80)[3] = 0x00;  // no frequencies, but tones, flags and step bytes: shows empty
        ChannelRecord(image, 80)[7] = 0xFF;
        work = image;
        ASSERT_FALSE(InsertChannel(work, a));
        DeleteChannel(work, a);
        ASSERT_EQ(work, image) << "insert/delete " << a;

        ChannelSelection picked;
        for (int ch = 2; ch <= kChannelCount; ++ch) {
            if (rng() % 4 == 0) picked.push_back(ch);
        }
        const ChannelSelection moved = MoveChannelsUp(work, picked);
        MoveChannelsDown(work, moved);
        ASSERT_EQ(work, image) << "up then down";
    }
}

// Undo relies on it: every step leaves an image that saving would write unchanged, so a snapshot is what
// was shown.
TEST(ChannelRows, RandomEditsStaySavedImages) {
    std::mt19937 rng(13);
    Image image = test::RandomPlan(rng, EmptyPlan(0), 50, true);
    // clang-format off
    const std::function<void(Image&, int, int)> ops[] = {
        MoveChannel, CopyChannel, SwapChannels,
        [](Image& i, int a, int) { (void)InsertChannel(i, a); },
        [](Image& i, int a, int b) { DeleteChannels(i, {a, b}); },
        [](Image& i, int a, int b) { (void)MoveChannelsDown(i, {a, b}); },
        [](Image& i, int a, int b) { (void)MoveChannelsUp(i, {b, a, a + 1}); },
        [](Image& i, int a, int) { ClearChannels(i, {a}); },
        [](Image& i, int, int) { SortChannelsByReceive(i); },
        [&](Image& i, int a, int b) {
            EditorState s = DecodeToState(i);
            (void)CommitCellText(s.table, a, 1 + b % 7, rng() % 2 ? "145.5" : "", 0);
            EncodeImage(s.table, s.lists, i);
            i = RoundTrip(i);  // an emptied row may keep Scan and Power texts that its record cannot
        },
    };
    // clang-format on
    for (int step = 0; step < 400; ++step) {
        const int a = 1 + static_cast<int>(rng() % 80), b = 1 + static_cast<int>(rng() % 80);
        ops[rng() % std::size(ops)](image, a, b);
        ASSERT_EQ(RoundTrip(image), image) << "step " << step;
    }
}

TEST(ChannelRows, SortIsStableByReceiveWithTransmitOnlyThenEmptyLast) {
    std::mt19937 rng(17);
    for (int round = 0; round < 100; ++round) {
        const Image before = TaggedPlan(rng, 70);
        const EditorState shown = DecodeToState(before);
        std::vector<int> expected(80);
        std::iota(expected.begin(), expected.end(), 1);
        auto key = [&](int ch) {
            const std::string rx = shown.table.Text(ch, col::kReceive);
            const int kind = !rx.empty() ? 0 : RowHasFrequency(shown.table, ch) ? 1 : 2;
            return std::pair(kind, rx);  // equal-width texts sort as their numbers
        };
        std::ranges::stable_sort(expected, {}, key);
        Image after = before;
        SortChannelsByReceive(after);
        for (int ch = 1; ch <= kChannelCount; ++ch) {
            ASSERT_EQ(RecordOf(after, ch), RecordOf(before, expected[static_cast<std::size_t>(ch - 1)]))
                << "round " << round << " channel " << ch;
        }
    }
}

TEST(Clipboard, CopyThenPasteIntoAnEmptyPlanReproducesTheSelection) {
    std::mt19937 rng(19);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const Image empty = EmptyPlan(static_cast<int>(rng() % 2));
        const Image source = test::RandomPlan(rng, empty, 70, true);
        const EditorState shown = DecodeToState(source);
        ChannelSelection rows;
        for (int ch = 1; ch <= kChannelCount; ++ch) {
            if (rng() % 3 == 0) rows.push_back(ch);
        }
        // Whole rows, as tab-separated text and as our CSV (which leaves out channels without frequencies).
        for (const bool asCsv : {false, true}) {
            const std::string text =
                asCsv ? RowsToCsv(shown.table, shown.lists, rows) : RowsToTsv(shown.table, rows);
            const PasteResult pasted = PasteText(empty, text, 1, 1 + static_cast<int>(rng() % 7));
            ASSERT_TRUE(pasted.report.refused.empty()) << FormatPasteReport(pasted.report);
            int target = 1;
            for (const int ch : rows) {
                if (asCsv && !ChannelHoldsData(source, ch)) continue;
                ASSERT_EQ(RecordOf(pasted.image, target++, true), RecordOf(source, ch, true))
                    << "channel " << ch;
            }
            for (; target <= kChannelCount; ++target) {
                ASSERT_EQ(RecordOf(pasted.image, target), RecordOf(empty, target));
            }
        }
        // A range that starts at Receive: its cells come back, and whole records when it spans every column.
        const int r1 = 1 + static_cast<int>(rng() % 80);
        const CellRange range{r1, r1 + static_cast<int>(rng() % (81 - r1)), col::kReceive,
                              1 + static_cast<int>(rng() % 7)};
        const PasteResult pasted = PasteText(empty, RangeToTsv(shown.table, range), r1, col::kReceive);
        ASSERT_TRUE(pasted.report.refused.empty()) << FormatPasteReport(pasted.report);
        const EditorState back = DecodeToState(pasted.image);
        for (int ch = range.firstRow; ch <= range.lastRow; ++ch) {
            for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
                ASSERT_EQ(back.table.Text(ch, c), shown.table.Text(ch, c)) << ch << "," << c;
            }
            if (range.lastColumn == col::kPower) {
                ASSERT_EQ(RecordOf(pasted.image, ch), RecordOf(source, ch));
            }
        }
    }
}

TEST(Clipboard, EveryRefusedValueIsReportedAndARefusedReceiveLeavesItsChannel) {
    Image plan = EmptyPlan(1);  // 144 - 146 MHz
    plan = PasteText(plan, "145.00000\t145.00000\tOFF\tOFF\tOFF\tAdd\tHigh\n145.50000\n", 1, col::kReceive)
               .image;
    const std::string text =
        "Receive(MHz)\tTransmit(MHz)\tRx Tone\tTx Tone\tBusy\tScan\tPower\n"
        "abc\t150\t88.5\t\t\tDelete\tLow\n"   // channel 1 stays whole: its receive is refused
        "145.003\t145.00500\tfoo\n"           // channel 2 too: off the step
        "\t\tOFF\n"                           // channel 3: emptied frequencies leave no channel for a tone
        "145,0125 MHz\tx\ty\t\t\tSkip\t5W\n"  // channel 4: read as Import reads it, two bad values
        "146.0\t\t\t\t\tS\t100\n";            // channel 5: "S", watts without a unit
    const PasteResult r = PasteText(plan, text, 1, col::kReceive);
    const std::string untouched = "; nothing else in this channel was changed";
    const std::vector<PasteRefusal> expected = {
        {1, col::kReceive, "abc", std::string(csv::kNotAFrequency) + untouched},
        {2, col::kReceive, "145.003", "not on a 5 or 6.25 kHz step" + untouched},
        {3, col::kRxTone, "OFF", "the channel has no receive or transmit frequency"},
        {4, col::kTransmit, "x", std::string(csv::kNotAFrequency)},
        {4, col::kRxTone, "y", "not an entry of the tone table"},
    };
    EXPECT_EQ(r.report.refused, expected);
    const EditorState s = DecodeToState(r.image);
    std::vector<std::string> shown;
    for (int ch : {1, 2, 4, 5}) {
        for (int c : {col::kReceive, col::kTransmit, col::kScan, col::kPower})
            shown.push_back(s.table.Text(ch, c));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"145.00000", "145.00000", "Add", "High",     //
                                               "145.50000", "145.50000", "Add", "High",     //
                                               "145.01250", "145.01250", "Delete", "High",  //
                                               "146.00000", "", "Delete", "High"}));
    // The reasons Import gives, naming the band.
    EXPECT_EQ(PasteText(plan, "150", 1, col::kTransmit).report.refused.front().reason,
              "outside this radio's band " + csv::BandRange(1));

    // Off the right edge and off the end of the list; the empty cells of channel 81 are no values.
    EXPECT_EQ(FormatPasteReport(PasteText(plan, "High\tLow\n\n145\n", 80, col::kPower).report),
              "channel 80, Power \"High\": the channel has no receive or transmit frequency\n"
              "channel 80, column 8 \"Low\": beyond the Power column\n"
              "channel 82, Power \"145\": beyond channel 80\n0 cells pasted, 3 values refused\n");
    EXPECT_FALSE(PasteText(plan, "145", 0, 1).report.error.empty());
    EXPECT_EQ(PasteText(plan, "", 1, 1).report.error, "the pasted text holds no cells");
}

// A heading line is recognised by the grid's or a CSV layout's column names and never pasted as data; a
// layout's records are read by its rules, and one Import would refuse leaves its channel as it was.
TEST(Clipboard, HeadingLinesAreSkippedAndLayoutRecordsReadAsImportReadsThem) {
    const Image plan = EmptyPlan(0);
    const PasteResult community = PasteText(plan,
                                            "Location\tName\tFrequency\tDuplex\tOffset\tSkip\tPower\n"
                                            "7\tA\t146.52\t\t0\tS\t1.0W\n"
                                            "8\tB\t440.1\t\t0\t\t5W\n",
                                            3, col::kReceive);
    ASSERT_EQ(community.report.refused.size(), 1u);
    EXPECT_EQ(community.report.refused[0].channel, 4);
    EXPECT_EQ(community.report.refused[0].column, 0);
    const EditorState s = DecodeToState(community.image);
    EXPECT_EQ(s.table.Text(3, col::kReceive) + "|" + s.table.Text(3, col::kScan) + "|" +
                  s.table.Text(3, col::kPower) + "|" + s.table.Text(4, col::kReceive),
              "146.52000|Delete|Low|");
    // Column names alone, of either kind, are a heading: the value lands in the channel chosen.
    const PasteResult names = PasteText(plan, "Frequency\tPower\n145.5\tLow\n", 2, col::kReceive);
    EXPECT_TRUE(names.report.refused.empty()) << FormatPasteReport(names.report);
    EXPECT_EQ(DecodeToState(names.image).table.Text(2, col::kReceive), "145.50000");
}

TEST(Clipboard, ReceiveValuesPasteIntoTransmitAndTextsReadBothWays) {
    const PasteResult r = PasteText(EmptyPlan(0), "\xEF\xBB\xBFReceive(MHz)\r\n145.5\r\n 146.00000 \r\n\r\n",
                                    5, col::kTransmit);
    EXPECT_EQ(FormatPasteReport(r.report), "2 cells pasted, 0 values refused\n");
    const EditorState s = DecodeToState(r.image);
    EXPECT_EQ(s.table.Text(5, col::kReceive) + "|" + s.table.Text(5, col::kTransmit) + "|" +
                  s.table.Text(6, col::kTransmit) + "|" + s.table.Text(6, col::kPower),
              "|145.50000|146.00000|High");

    EXPECT_EQ(RangeToTsv(s.table, {6, 5, 3, 2}), "Transmit(MHz)\tRx Tone\n145.50000\tOFF\n146.00000\tOFF\n");
    const PastedCells whole = ReadPastedText(RowsToTsv(s.table, {6, 6, 5}));
    EXPECT_TRUE(whole.wholeRows);
    EXPECT_EQ(whole.rows.back(),
              (std::vector<std::string>{"", "146.00000", "OFF", "OFF", "OFF", "Add", "High"}));
    const PastedCells quoted = ReadPastedText("\"145.5\"\t\"O\"\"FF\"");
    EXPECT_EQ(quoted.rows, (std::vector<std::vector<std::string>>{{"145.5", "O\"FF"}}));
    EXPECT_FALSE(quoted.wholeRows);
    EXPECT_FALSE(ReadPastedText(std::string(kMaxPasteBytes + 1, '1')).error.empty());
}

}  // namespace
}  // namespace pm
