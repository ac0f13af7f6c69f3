#include <gtest/gtest.h>

#include <clocale>

#include "core/editing/cell_rules.h"

namespace pm {
namespace {

struct CheckRow {
    const char* name;
    const char* text;
    int band;
    EditPath path;
    const char* result;
    std::vector<Message> messages;
    bool stopped;
};

TEST(FrequencyCheck, Table) {
    const std::string manyDigits(10000, '9');
    const auto C = EditPath::Commit;
    const auto E = EditPath::Enter;
    const CheckRow rows[] = {
        {"empty_skips", "", 0, C, "", {}, false},
        {"new_channel_value", "145.0125", 0, C, "145.01250", {}, false},
        {"off_both_steps", "145.003", 0, C, "", {kMsgStepError}, false},
        {"five_k_step", "145.005", 0, C, "145.00500", {}, false},
        {"six_k25_step", "145.00625", 0, C, "145.00625", {}, false},
        {"band_edge_fine", "136.015", 0, C, "136.01500", {}, false},
        {"band1_out_commit_then_step_check", "150", 1, C, "", {kMsgOutOfRange}, false},
        {"band1_out_and_off_step_two_messages", "150.003", 1, C, "", {kMsgOutOfRange, kMsgStepError}, false},
        {"band1_out_enter_stops", "150", 1, E, "", {kMsgOutOfRange}, true},
        {"below_100", "99.99", 0, C, "", {kMsgFormatError}, false},
        {"not_a_number", "abc", 0, C, "", {kMsgFormatError}, false},
        {"600_format_ok_band_0_out", "600", 0, C, "", {kMsgOutOfRange}, false},
        {"600_band_1_out", "600", 1, C, "", {kMsgOutOfRange}, false},
        {"lower_limit_inclusive", "136", 0, C, "136.00000", {}, false},
        {"upper_limit_inclusive", "175", 0, C, "175.00000", {}, false},
        {"band1_above", "146.00625", 1, C, "", {kMsgOutOfRange}, false},
        {"leading_blanks_and_trailing_junk", "  145.5MHz", 0, C, "145.50000", {}, false},
        {"negative", "-145", 0, C, "", {kMsgFormatError}, false},
        {"nan", "nan", 0, C, "", {kMsgFormatError}, false},
        {"infinity", "inf", 0, C, "", {kMsgFormatError}, false},
        {"huge", "1e300", 0, C, "", {kMsgFormatError}, false},
        {"hex_float_read_as_atof", "0x91p0", 0, C, "145.00000", {}, false},
        {"many_digits", manyDigits.c_str(), 0, C, "", {kMsgFormatError}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const FrequencyCheck check = CheckFrequency(row.text, row.band, row.path);
        EXPECT_EQ(check.result, row.result);
        EXPECT_EQ(check.messages, row.messages);
        EXPECT_EQ(check.stoppedOutOfRange, row.stopped);
    }
}

TEST(FrequencyCheck, MessagesAreExact) {
    EXPECT_EQ(kMsgFormatError.text, "Error Data Format\xEF\xBC\x8CPlease input again");
    EXPECT_EQ(kMsgOutOfRange.caption, "Prompt");
    EXPECT_EQ(kMsgOutOfRange.icon, Icon::Information);
    EXPECT_EQ(kMsgStepError.caption, "ARVOS PM-514RX Programing Software");
}

std::vector<std::string> RowTexts(const ChannelTable& t, int row) {
    std::vector<std::string> v;
    for (int c = 1; c <= 7; ++c) v.push_back(t.Text(row, c));
    return v;
}

using Row = std::vector<std::string>;

TEST(RowRules, NewChannelDefaultsByColumn) {
    StringTable t;
    WriteFrequencyResult(t, 1, col::kReceive, "145.01250", EditPath::Commit);
    EXPECT_EQ(RowTexts(t, 1), (Row{"145.01250", "145.01250", "OFF", "OFF", "OFF", "Add", "High"}));
    WriteFrequencyResult(t, 2, col::kTransmit, "145.01250", EditPath::Enter);
    EXPECT_EQ(RowTexts(t, 2), (Row{"", "145.01250", "OFF", "OFF", "OFF", "Add", "High"}));
    // An existing channel keeps its other cells.
    t.SetText(1, col::kPower, "Low");
    WriteFrequencyResult(t, 1, col::kReceive, "146.00000", EditPath::Commit);
    EXPECT_EQ(RowTexts(t, 1), (Row{"146.00000", "145.01250", "OFF", "OFF", "OFF", "Add", "Low"}));
}

TEST(RowRules, ClearingDiffersByPath) {
    StringTable t;
    const Row full{"145.00000", "145.00000", "88.5", "D023N", "OFF", "Add", "High"};
    auto fill = [&](int row, const Row& r) {
        for (int c = 1; c <= 7; ++c) t.SetText(row, c, r[c - 1]);
    };
    fill(1, full);
    WriteFrequencyResult(t, 1, col::kReceive, "", EditPath::Commit);
    EXPECT_EQ(RowTexts(t, 1), (Row{"", "145.00000", "", "D023N", "OFF", "Add", "High"}));
    WriteFrequencyResult(t, 1, col::kTransmit, "", EditPath::Commit);
    // All four frequency and tone cells are empty now: Busy goes, Scan and Power stay.
    EXPECT_EQ(RowTexts(t, 1), (Row{"", "", "", "", "", "Add", "High"}));

    fill(2, full);
    WriteFrequencyResult(t, 2, col::kReceive, "", EditPath::Enter);
    EXPECT_EQ(RowTexts(t, 2), (Row{"", "145.00000", "", "D023N", "OFF", "Add", "High"}));
    WriteFrequencyResult(t, 2, col::kTransmit, "", EditPath::Enter);
    EXPECT_EQ(RowTexts(t, 2), (Row{"", "", "", "", "", "", ""}));

    // Commit keeps Busy while a tone is left over.
    fill(3, full);
    t.SetText(3, col::kTransmit, "");
    WriteFrequencyResult(t, 3, col::kReceive, "", EditPath::Commit);
    t.SetText(3, col::kTxTone, "88.5");
    EXPECT_EQ(t.Text(3, col::kBusy), "OFF");
}

TEST(RowRules, ListsAndTonesInARowWithoutFrequency) {
    StringTable t;
    CommitListValue(t, 1, col::kBusy, "Carrier");
    CommitToneValue(t, 1, col::kRxTone, 1, col::kRxTone, "88.5");
    EnterListValue(t, 1, col::kScan, "Add");
    EXPECT_EQ(RowTexts(t, 1), (Row{"", "", "", "", "", "", ""}));
    t.SetText(1, col::kTransmit, "145.00000");
    CommitListValue(t, 1, col::kBusy, "Carrier");
    CommitToneValue(t, 1, col::kRxTone, 1, col::kRxTone, "88.5");
    EnterListValue(t, 1, col::kScan, "Delete");
    EXPECT_EQ(RowTexts(t, 1), (Row{"", "145.00000", "88.5", "", "Carrier", "Delete", ""}));
}

TEST(ToneEntry, EnterUsesExactTextElseOff) {
    EXPECT_EQ(ToneForEnter("d023n"), "D023N");
    EXPECT_EQ(ToneForEnter("88.5"), "88.5");
    EXPECT_EQ(ToneForEnter("88"), "OFF");
    EXPECT_EQ(ToneForEnter("D"), "OFF");
    EXPECT_EQ(ToneSelectionForTyped("88"), 9);  // first entry beginning with it
    EXPECT_EQ(ToneSelectionForTyped("zzz"), -1);
    EXPECT_EQ(LoadSelection(EditorKind::Tone, ""), 0);
    EXPECT_EQ(LoadSelection(EditorKind::Busy, "qt"), 2);
    EXPECT_EQ(LoadSelection(EditorKind::Power, "nothing"), 0);
}

TEST(CommitCellText, WhatTheCliRuns) {
    StringTable t;
    EXPECT_TRUE(CommitCellText(t, 1, col::kReceive, "145.0125", 0).empty());
    EXPECT_TRUE(CommitCellText(t, 1, col::kTxTone, "D754i", 0).empty());
    EXPECT_EQ(t.Text(1, col::kTxTone), "D754I");
    CommitCellText(t, 1, col::kBusy, "qt/dqt", 0);
    EXPECT_EQ(t.Text(1, col::kBusy), "QT/DQT");
    CommitCellText(t, 1, col::kPower, "medium", 0);
    EXPECT_EQ(t.Text(1, col::kPower), "");
    EXPECT_EQ(CommitCellText(t, 2, col::kReceive, "150", 1), (std::vector<Message>{kMsgOutOfRange}));
    EXPECT_EQ(t.Text(2, col::kReceive), "");
}

TEST(FrequencyCheck, DecimalCommaLocaleChangesNothing) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const FrequencyCheck check = CheckFrequency("145.0125", 0, EditPath::Commit);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(check.result, "145.01250");
    EXPECT_TRUE(check.messages.empty());
}

}  // namespace
}  // namespace pm
