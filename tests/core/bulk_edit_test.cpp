#include <gtest/gtest.h>

#include "core/csv/stock_lists.h"
#include "core/editing/bulk_edit.h"
#include "core/editing/cell_rules.h"
#include "core/editing/find.h"
#include "core/editing/plan_check.h"
#include "core/editing/repeater.h"
#include "core/image/document.h"

namespace pm {
namespace {

/** A plan typed as the editor would: channel n gets Receive texts[n-1] (empty skips it). */
StringTable Plan(std::initializer_list<const char*> receive, int band = 0) {
    StringTable t;
    int ch = 1;
    for (const char* rx : receive) {
        if (*rx) {
            EXPECT_TRUE(CommitCellText(t, ch, col::kReceive, rx, band).empty()) << rx;
        }
        ++ch;
    }
    return t;
}

std::vector<std::string> Column(const ChannelTable& t, int column, int first, int last) {
    std::vector<std::string> out;
    for (int r = first; r <= last; ++r) out.push_back(t.Text(r, column));
    return out;
}

TEST(BulkEdit, FillWritesEveryCellChecksEachAndSkipsEmptyChannelsForLists) {
    StringTable t = Plan({"145.5", "", "146.52", "146.94"});
    const PasteReport power = FillCells(t, {{1, 4, col::kPower, col::kPower}}, "low", 0);
    EXPECT_EQ(Column(t, col::kPower, 1, 4), (std::vector<std::string>{"Low", "", "Low", "Low"}));
    EXPECT_EQ(power.cellsWritten, 3);
    EXPECT_TRUE(power.refused.empty());
    // A frequency fills every cell, empty ones too; each one refused on its own.
    const PasteReport tx = FillCells(t, {{2, 3, col::kTransmit, col::kTransmit}}, "147.1", 0);
    EXPECT_EQ(Column(t, col::kTransmit, 2, 3), (std::vector<std::string>{"147.10000", "147.10000"}));
    const PasteReport off = FillCells(t, {{1, 2, col::kReceive, col::kReceive}}, "176", 0);
    ASSERT_EQ(off.refused.size(), 2u);
    EXPECT_EQ(off.refused[0].reason, kTextOutOfRange);
    EXPECT_EQ(t.Text(1, col::kReceive), "145.50000") << "a refused value leaves the cell";
    const PasteReport tone = FillCells(t, {{1, 1, col::kRxTone, col::kRxTone}}, "88.6", 0);
    ASSERT_EQ(tone.refused.size(), 1u);
    EXPECT_EQ(tone.refused[0].reason, "not an entry of the tone table");
}

TEST(BulkEdit, FillDownCopiesTheTopCellOfEachColumn) {
    StringTable t = Plan({"145.5", "146.52", "", "146.94"});
    ASSERT_TRUE(CommitCellText(t, 1, col::kRxTone, "88.5", 0).empty());
    ASSERT_TRUE(CommitCellText(t, 1, col::kScan, "Delete", 0).empty());
    const PasteReport r = FillDown(t, {{1, 4, col::kRxTone, col::kScan}}, 0);
    EXPECT_EQ(Column(t, col::kRxTone, 1, 4), (std::vector<std::string>{"88.5", "88.5", "", "88.5"}));
    EXPECT_EQ(Column(t, col::kScan, 1, 4), (std::vector<std::string>{"Delete", "Delete", "", "Delete"}));
    EXPECT_EQ(r.cellsWritten, 4 * 2) << "four columns of channels 2 and 4";
    EXPECT_TRUE(r.refused.empty());
}

TEST(BulkEdit, SetOnChannelsTouchesOnlyChannelsWithAReceiveFrequency) {
    StringTable t = Plan({"145.5", "", "146.52"});
    ASSERT_TRUE(CommitCellText(t, 2, col::kTransmit, "146.52", 0).empty());
    const PasteReport r = SetOnChannels(t, 1, 80, col::kBusy, "Carrier", 0);
    EXPECT_EQ(r.cellsWritten, 2);
    EXPECT_EQ(Column(t, col::kBusy, 1, 3), (std::vector<std::string>{"Carrier", "OFF", "Carrier"}));
}

struct RepeaterRow {
    const char* name;
    const char* receive;
    int band;
    const char* duplex;    // ParseDuplexText form
    std::string transmit;  // the Transmit cell after, or the refusal
};

class Repeater : public testing::TestWithParam<RepeaterRow> {};

TEST_P(Repeater, TransmitFollowsReceiveOrIsRefusedWithTheEditorsMessage) {
    const RepeaterRow& p = GetParam();
    StringTable t = Plan({p.receive}, p.band);
    std::string why;
    const auto edit = ParseDuplexText(p.duplex, why);
    ASSERT_TRUE(edit) << why;
    const PasteReport r = ApplyRepeater(t, {1}, *edit, p.band);
    if (r.refused.empty()) {
        EXPECT_EQ(t.Text(1, col::kTransmit), p.transmit);
    } else {
        EXPECT_EQ(r.refused[0].reason, p.transmit);
        EXPECT_EQ(t.Text(1, col::kTransmit), t.Text(1, col::kReceive)) << "a refused channel stays";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, Repeater,
    testing::Values(RepeaterRow{"Plus600", "146.94", 0, "+0.6", "147.54000"},
                    RepeaterRow{"Minus600", "146.94", 0, "-.600", "146.34000"},
                    RepeaterRow{"Plus5ToTheTopEdge", "170", 0, "+5", "175.00000"},
                    RepeaterRow{"PastTheTopEdge", "170.00625", 0, "+5", std::string(kTextOutOfRange)},
                    RepeaterRow{"BelowTheBottomOfBand1", "144.3", 1, "-0.6", std::string(kTextOutOfRange)},
                    RepeaterRow{"OffStep", "146.94", 0, "+0.6001", std::string(kTextStepError)},
                    RepeaterRow{"BelowZero", "146.94", 0, "-200", std::string(kTextFormatError)},
                    RepeaterRow{"Split", "146.94", 0, "split:144.39", "144.39000"},
                    RepeaterRow{"Simplex", "146.94", 0, "simplex", "146.94000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RepeaterTones, EachModeSetsBothCellsAndBadValuesAreRefusedWhole) {
    struct Row {
        const char* text;
        const char* rx;
        const char* tx;
    };
    for (const Row& row : {Row{"none", "OFF", "OFF"}, Row{"tone:88.5", "OFF", "88.5"},
                           Row{"tsql:100.0", "100.0", "100.0"}, Row{"dcs:23", "D023N", "D023N"},
                           Row{"dcs:D754I", "D754I", "D754I"}, Row{"cross:D023N,88.5", "D023N", "88.5"}}) {
        StringTable t = Plan({"146.94", ""});
        std::string why;
        const auto edit = ParseToneText(row.text, why);
        ASSERT_TRUE(edit) << row.text << ": " << why;
        const PasteReport r = ApplyRepeater(t, {1, 2}, *edit, 0);
        EXPECT_EQ(t.Text(1, col::kRxTone), row.rx) << row.text;
        EXPECT_EQ(t.Text(1, col::kTxTone), row.tx) << row.text;
        ASSERT_EQ(r.refused.size(), 1u) << "channel 2 has no receive frequency";
        EXPECT_EQ(t.Text(2, col::kTxTone), "");
    }
    for (const char* bad : {"tone:88.6", "tsql:D023N", "dcs:024", "cross:88.5", "loud", "none:1"}) {
        std::string why;
        EXPECT_FALSE(ParseToneText(bad, why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    std::string why;
    EXPECT_FALSE(ParseDuplexText("+abc", why));
    EXPECT_EQ(why, "offset \"abc\": not a number of MHz");
}

TEST(Find, FrequencyWithOrWithoutDigitsAfterThePointAndTones) {
    StringTable t = Plan({"146.94", "146.52", "", "145.5"});
    ASSERT_TRUE(CommitCellText(t, 4, col::kTransmit, "146.94", 0).empty());
    ASSERT_TRUE(CommitCellText(t, 2, col::kTxTone, "d023n", 0).empty());
    FindQuery q{FindQuery::Kind::Frequency, "146.940"};
    EXPECT_EQ(FindNext(t, q, 1, col::kReceive), (CellPosition{1, col::kTransmit}));
    EXPECT_EQ(FindNext(t, q, 1, col::kTransmit), (CellPosition{4, col::kTransmit}));
    EXPECT_EQ(FindNext(t, q, 4, col::kTransmit), (CellPosition{1, col::kReceive})) << "wraps past 80";
    q.transmit = false;
    EXPECT_EQ(FindNext(t, q, 1, col::kReceive), (CellPosition{1, col::kReceive})) << "the only match";
    q = {FindQuery::Kind::Frequency, "146"};
    EXPECT_EQ(FindNext(t, q, 1, col::kReceive), (CellPosition{1, col::kTransmit}));
    EXPECT_EQ(FindNext(t, q, 2, col::kTransmit), (CellPosition{4, col::kTransmit}));
    q.text = "146.9";
    EXPECT_EQ(FindNext(t, q, 1, col::kReceive), std::nullopt) << "146.9 is 146.90000, not a prefix";
    q = {FindQuery::Kind::Tone, "D023N"};
    EXPECT_EQ(FindNext(t, q, 80, col::kPower), (CellPosition{2, col::kTxTone}));
    q.text = "D999N";
    EXPECT_FALSE(FindQueryProblem(q).empty());
    EXPECT_FALSE(FindQueryProblem({FindQuery::Kind::Frequency, "abc"}).empty());
}

TEST(PlanCheck, EachFindingNamesItsChannelAndCell) {
    StringTable t = Plan({"146.94", "146.52", "146.94", "", "145.5", "146.7"});
    ASSERT_TRUE(CommitCellText(t, 4, col::kTransmit, "147.0", 0).empty());
    ASSERT_TRUE(CommitCellText(t, 2, col::kBusy, "QT/DQT", 0).empty());
    ASSERT_TRUE(CommitCellText(t, 6, col::kTransmit, "146.1", 0).empty());
    ASSERT_TRUE(CommitCellText(t, 6, col::kRxTone, "100.0", 0).empty());
    t.SetText(5, col::kReceive, "150.00000");  // from a file made in the other band
    const std::vector<Finding> found = CheckPlan(t, 1);
    std::vector<std::tuple<FindingKind, int, int>> got;
    for (const Finding& f : found) got.emplace_back(f.kind, f.channel, f.column);
    using K = FindingKind;
    // Band 1 (144-146 MHz) puts every frequency above 146 outside it too.
    const std::vector<std::tuple<FindingKind, int, int>> want = {
        {K::OutsideBand, 1, col::kReceive},
        {K::OutsideBand, 1, col::kTransmit},
        {K::BusyWithoutTone, 2, col::kBusy},
        {K::OutsideBand, 2, col::kReceive},
        {K::OutsideBand, 2, col::kTransmit},
        {K::Duplicate, 3, col::kReceive},
        {K::OutsideBand, 3, col::kReceive},
        {K::OutsideBand, 3, col::kTransmit},
        {K::TransmitWithoutReceive, 4, col::kReceive},
        {K::OutsideBand, 4, col::kTransmit},
        {K::OutsideBand, 5, col::kReceive},
        {K::OutsideBand, 6, col::kReceive},
        {K::OutsideBand, 6, col::kTransmit},
        {K::OneSidedTone, 6, col::kTxTone}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(found[5].text, "the same as channel 1 (receive, transmit and tones)");
    const std::vector<Finding> band0 = CheckPlan(t, 0);
    EXPECT_EQ(band0.size(), 4u) << FormatFindings(band0);
    EXPECT_EQ(FormatFindings({}), "no findings\n");
}

}  // namespace
}  // namespace pm

namespace pm {
namespace {

TEST(StockLists, MergeIntoEmptyChannelsOnly) {
    StringTable t = Plan({"145.5", "", "146.52", "", "", "", "146.94"});
    Image image = NewDocumentImage();
    EncodeImage(t, DecodeToState(image).lists, image);
    EXPECT_EQ(FirstChannelForList(image, 1), 2);
    EXPECT_EQ(FirstChannelForList(image, 3), 4);
    EXPECT_EQ(FirstChannelForList(image, 4), 8) << "no run of four before the last channel in use";
    EXPECT_EQ(FirstChannelForList(image, 80), 8);
    EXPECT_FALSE(StockListFolder("/nonexistent"));
}

}  // namespace
}  // namespace pm
