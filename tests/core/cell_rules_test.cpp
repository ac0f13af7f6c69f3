#include <gtest/gtest.h>

#include <algorithm>

#include "core/editing/cell_rules.h"

namespace pm {
namespace {

constexpr auto C = EditPath::Commit;
constexpr auto E = EditPath::Enter;

TEST(FrequencyCheck, Table) {
    struct Row {
        const char* name;
        std::string text;
        int band;
        EditPath path;
        const char* result;
        std::vector<Message> messages;
        bool stopped;
    };
    const Row rows[] = {
        {"empty_skips", "", 0, C, "", {}, false},
        {"six_k25_step", "145.0125", 0, C, "145.01250", {}, false},
        {"off_both_steps", "145.003", 0, C, "", {kMsgStepError}, false},
        {"five_k_step", "145.005", 0, C, "145.00500", {}, false},
        {"band1_out_commit_then_step_check", "150", 1, C, "", {kMsgOutOfRange}, false},
        {"band1_out_and_off_step_two_messages", "150.003", 1, C, "", {kMsgOutOfRange, kMsgStepError}, false},
        {"band1_out_enter_stops", "150", 1, E, "", {kMsgOutOfRange}, true},
        {"band1_above", "146.00625", 1, C, "", {kMsgOutOfRange}, false},
        {"lower_limit_inclusive", "136", 0, C, "136.00000", {}, false},
        {"upper_limit_inclusive", "175", 0, C, "175.00000", {}, false},
        {"format_lowest_100_then_band", "100", 0, C, "", {kMsgOutOfRange}, false},
        {"format_highest_600_then_band", "600", 0, C, "", {kMsgOutOfRange}, false},
        {"below_100", "99.99", 0, C, "", {kMsgFormatError}, false},
        {"not_a_number", "abc", 0, C, "", {kMsgFormatError}, false},
        {"leading_blanks_and_trailing_junk", "  145.5MHz", 0, C, "145.50000", {}, false},
        {"negative", "-145", 0, C, "", {kMsgFormatError}, false},
        {"nan", "nan", 0, C, "", {kMsgFormatError}, false},
        {"hex_float_read_as_atof", "0x91p0", 0, C, "145.00000", {}, false},
        {"many_digits", std::string(10000, '9'), 0, C, "", {kMsgFormatError}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const FrequencyCheck check = CheckFrequency(row.text, row.band, row.path);
        EXPECT_EQ(check.result, row.result);
        EXPECT_EQ(check.messages, row.messages);
        EXPECT_EQ(check.stoppedOutOfRange, row.stopped);
    }
}

// Cells 1 to 7 of a row as "rx|tx|rx tone|tx tone|busy|scan|power".
void Fill(ChannelTable& t, int row, std::string_view cells) {
    for (int c = 1; c <= 7; ++c) {
        const std::size_t end = std::min(cells.find('|'), cells.size());
        t.SetText(row, c, cells.substr(0, end));
        cells.remove_prefix(std::min(end + 1, cells.size()));
    }
}

std::string RowText(const ChannelTable& t, int row) {
    std::string v = t.Text(row, 1);
    for (int c = 2; c <= 7; ++c) v += "|" + t.Text(row, c);
    return v;
}

// A checked frequency (or its empty result) written into a row: new-channel defaults and clearing.
TEST(RowRules, WriteFrequencyResult) {
    struct Case {
        const char* name;
        const char* before;
        int column;
        const char* value;
        EditPath path;
        const char* after;
    };
    constexpr int Rx = col::kReceive;
    constexpr int Tx = col::kTransmit;
    const char* full = "145.00000|145.00000|88.5|D023N|OFF|Add|High";
    const Case cases[] = {
        {"new_channel_receive_fills_transmit", "", Rx, "145.01250", C,
         "145.01250|145.01250|OFF|OFF|OFF|Add|High"},
        {"new_channel_transmit_alone", "", Tx, "145.01250", E, "|145.01250|OFF|OFF|OFF|Add|High"},
        {"existing_channel_keeps_its_cells", "|145.00000|OFF|OFF|OFF|Add|Low", Rx, "146.00000", C,
         "146.00000|145.00000|OFF|OFF|OFF|Add|Low"},
        {"a_tx_tone_left_is_no_new_channel", "|145.00000||D023N|Carrier|Delete|Low", Rx, "146.00000", C,
         "146.00000|145.00000||D023N|Carrier|Delete|Low"},
        {"a_tone_without_frequency_is_no_new_channel", "|||88.5|OFF|Add|Low", Rx, "146.00000", C,
         "146.00000|||88.5|OFF|Add|Low"},
        {"a_busy_left_is_no_new_channel", "|145.00000|||OFF|Add|Low", Rx, "146.00000", C,
         "146.00000|145.00000|||OFF|Add|Low"},
        {"clearing_takes_the_tone_along", full, Rx, "", C, "|145.00000||D023N|OFF|Add|High"},
        {"commit_clearing_the_last_one_drops_busy", "|145.00000|||OFF|Add|High", Tx, "", C, "|||||Add|High"},
        {"commit_keeps_busy_while_a_tone_is_left", "145.00000||88.5|D023N|OFF|Add|High", Rx, "", C,
         "|||D023N|OFF|Add|High"},
        {"commit_keeps_busy_while_a_frequency_is_left", "145.00000|145.00000|88.5||OFF|Add|High", Rx, "", C,
         "|145.00000|||OFF|Add|High"},
        {"enter_keeps_the_row_while_a_frequency_is_left", full, Rx, "", E, "|145.00000||D023N|OFF|Add|High"},
        {"enter_clearing_the_last_one_empties_the_row", "|145.00000||D023N|OFF|Add|High", Tx, "", E,
         "||||||"},
    };
    for (const auto& c : cases) {
        StringTable t;
        Fill(t, 4, c.before);
        WriteFrequencyResult(t, 4, c.column, c.value, c.path);
        EXPECT_EQ(RowText(t, 4), c.after) << c.name;
    }
}

TEST(RowRules, ListsAndTonesNeedAFrequency) {
    for (const bool withFrequency : {false, true}) {
        StringTable t;
        if (withFrequency) t.SetText(1, col::kTransmit, "145.00000");
        CommitListValue(t, 1, col::kBusy, "Carrier");
        CommitToneValue(t, 1, col::kRxTone, 1, col::kRxTone, "88.5");
        EnterListValue(t, 1, col::kScan, "Delete");
        EXPECT_EQ(RowText(t, 1), withFrequency ? "|145.00000|88.5||Carrier|Delete|" : "||||||");
    }
}

TEST(ListEditors, SelectionOfATypedOrShownText) {
    EXPECT_EQ(ToneSelectionForTyped("88"), 9);  // first entry beginning with it
    EXPECT_EQ(ToneSelectionForTyped("zzz"), -1);
    EXPECT_EQ(ToneSelectionForTyped(""), -1);
    EXPECT_EQ(LoadSelection(EditorKind::Tone, ""), 0);
    EXPECT_EQ(LoadSelection(EditorKind::Busy, "qt"), 2);
    EXPECT_EQ(LoadSelection(EditorKind::Power, "High"), 1);
    EXPECT_EQ(LoadSelection(EditorKind::Power, "nothing"), 0);
}

// What the command line runs for one cell; the row has its frequencies, so each value is taken.
TEST(CommitCellText, Table) {
    struct Case {
        const char* name;
        int column;
        const char* text;
        int band;
        const char* stored;
        std::vector<Message> messages;
    };
    const Case cases[] = {
        {"frequency_out_of_band_empties", col::kReceive, "150", 1, "", {kMsgOutOfRange}},
        {"tone_any_case", col::kTxTone, "D754i", 0, "D754I", {}},
        {"tone_by_prefix", col::kRxTone, "88", 0, "88.5", {}},
        {"tone_first_entry", col::kRxTone, "off", 0, "OFF", {}},
        {"tone_unknown_empties", col::kRxTone, "zzz", 0, "", {}},
        {"busy_any_case", col::kBusy, "qt/dqt", 0, "QT/DQT", {}},
        {"scan_first_entry_any_case", col::kScan, "add", 0, "Add", {}},
        {"power_no_prefix_match", col::kPower, "hi", 0, "", {}},
        {"number_column_untouched", col::kNumber, "7", 0, "4", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StringTable t;
        Fill(t, 4, "145.00000|145.00000|D023N|D023N|Carrier|Delete|Low");
        EXPECT_EQ(CommitCellText(t, 4, c.column, c.text, c.band), c.messages);
        EXPECT_EQ(t.Text(4, c.column), c.stored);
    }
}

}  // namespace
}  // namespace pm
