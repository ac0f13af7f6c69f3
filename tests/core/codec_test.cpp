// The codec's worked examples, and its properties over thousands of images.

#include <gtest/gtest.h>

#include <clocale>
#include <random>

#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"
#include "core/testmode/field_frequency.h"
#include "tests/support/locale.h"

namespace pm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// "00 25 55 14" as bytes, the way a memory map writes them.
Bytes Hex(std::string_view text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

Bytes RecordBytes(const Image& img, int n) {
    const auto r = ChannelRecord(img, n);
    return {r.begin(), r.end()};
}

std::vector<int> Selections(const SettingLists& lists) {
    std::vector<int> v;
    for (Setting s : {Setting::Warning, Setting::NarrowWide, Setting::Field, Setting::Squelch,
                      Setting::TxTotalTime, Setting::TxPowerRank})
        v.push_back(lists.Selected(s));
    return v;
}

// A new document shows 80 empty channels; its first encode normalises their flags and step bytes.
TEST(Codec, NewDocumentBothWays) {
    const EditorState s = DecodeToState(NewDocumentImage());
    for (int c = 0; c < kGridCols; ++c) EXPECT_EQ(s.table.Text(0, c), ColumnHeadings()[c]);
    const Image after = RoundTrip(NewDocumentImage());
    for (int row = 1; row <= kChannelCount; ++row) {
        EXPECT_EQ(s.table.Text(row, col::kNumber), std::to_string(row));
        for (int c = 1; c < kGridCols; ++c) ASSERT_EQ(s.table.Text(row, c), "") << row << "," << c;
        const char* flags = row == 1 ? "E3" : "E7";  // channel 1 had bit 2 clear
        ASSERT_EQ(RecordBytes(after, row),
                  Hex("FF FF FF FF FF FF FF FF FF FF FF FF " + std::string(flags) + " 00 00 FF"))
            << "channel " << row;
    }
    // Disable, Wide, 136 - 175MHZ, squelch 4, 60s, power rank 9.
    EXPECT_EQ(Selections(s.lists), (std::vector<int>{0, 0, 0, 4, 2, 9}));
}

TEST(Codec, FrequencyWorkedExamples) {
    struct Row {
        const char* name;
        const char* text;
        const char* bytes;
        std::uint8_t step;
    };
    // clang-format off
    const Row rows[] = {
        {"raster_6k25", "145.52500", "00 25 55 14", 1}, {"raster_5k", "145.53000", "00 30 55 14", 0},
        {"odd_6k25", "145.53125", "25 31 55 14", 1}, {"exact_to_10_hz", "136.00005", "05 00 60 13", 0},
        {"highest_eight_digits", "999.99999", "99 99 99 99", 1},
        {"above_300_mhz_always_step_1", "430.00500", "00 05 00 43", 1},
        {"largest_32_bit_units_saturate", "42949.67295", "99 99 99 99", 1}, {"empty", "", "FF FF FF FF", 0},
        {"not_a_number", "abc", "FF FF FF FF", 0}, {"nan", "nan", "FF FF FF FF", 0},
        {"negative", "-145", "FF FF FF FF", 0}, {"beyond_32_bits", "42949.67296", "FF FF FF FF", 0},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes bytes(4);
        std::uint8_t step = 0x55;
        EncodeFrequency(row.text, bytes.data(), step);
        EXPECT_EQ(bytes, Hex(row.bytes));
        EXPECT_EQ(step, row.step);
    }
}

// Worked records: Busy, Scan and Power into ChannelFlags and back; bits 2, 5, 6, 7 stay.
TEST(Codec, ChannelRecordsBothWays) {
    struct Row {
        const char* name;
        std::array<const char*, 3> texts;  // Busy, Scan, Power
        std::uint8_t before;
        std::uint8_t after;
        std::array<const char*, 3> shown;
    };
    constexpr int kFlagColumns[] = {col::kBusy, col::kScan, col::kPower};
    const Row rows[] = {
        {"off_add_high", {"OFF", "Add", "High"}, 0xFF, 0xFC, {"OFF", "Add", "High"}},
        {"qt_keeps_other_bits", {"QT/DQT", "Delete", "Low"}, 0xE4, 0xE5, {"QT/DQT", "Delete", "Low"}},
        {"carrier", {"Carrier", "Add", "Low"}, 0x00, 0x0A, {"Carrier", "Add", "Low"}},
        {"no_busy_mode", {"", "Delete", "High"}, 0x00, 0x13, {"", "Delete", "High"}},
        {"texts_are_case_sensitive", {"off", "add", "high"}, 0x00, 0x03, {"", "Delete", "Low"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EditorState s = DecodeToState(NewDocumentImage());
        for (int c : {col::kReceive, col::kTransmit}) s.table.SetText(2, c, "145.52500");
        for (std::size_t k = 0; k < 3; ++k) s.table.SetText(2, kFlagColumns[k], row.texts[k]);
        Image img = NewDocumentImage();
        ChannelRecord(img, 2)[rec::kChannelFlags] = row.before;
        EncodeImage(s.table, s.lists, img);
        Bytes expected = Hex("00 25 55 14 00 25 55 14 FF FF FF FF 00 01 01 FF");
        expected[rec::kChannelFlags] = row.after;
        EXPECT_EQ(RecordBytes(img, 2), expected);
        const EditorState back = DecodeToState(img);
        for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(back.table.Text(2, kFlagColumns[k]), row.shown[k]);
    }
}

// Channel 2 has only a transmit frequency and exists; channel 3 has none, so its cells stay blank
// (a stored tone still shows) and its first encode normalises what an editor could not have written.
TEST(Codec, ExistenceGatesTheCells) {
    Image img = NewDocumentImage();
    auto tx = ChannelRecord(img, 2);
    for (std::size_t k = 0; k < rec::kFreqSize; ++k) tx[rec::kTxFreq + k] = Hex("05 00 60 13")[k];
    const Bytes foreign = Hex("12 34 56 00 FF FF FF FF 85 08 33 00 18 01 01 FF");  // receive gate 0x00
    std::copy(foreign.begin(), foreign.end(), ChannelRecord(img, 3).begin());
    const EditorState s = DecodeToState(img);
    const std::vector<std::string> two = {"", "136.00005", "OFF", "OFF", "", "Add", "High"};
    const std::vector<std::string> three = {"", "", "88.5", "", "", "", ""};
    for (int c = 1; c <= 7; ++c) {
        EXPECT_EQ(s.table.Text(2, c), two[c - 1]) << "column " << c;
        EXPECT_EQ(s.table.Text(3, c), three[c - 1]) << "column " << c;
    }
    EXPECT_EQ(RecordBytes(RoundTrip(img), 3), Hex("FF FF FF FF FF FF FF FF 85 08 FF FF 03 00 00 FF"));
    // Channel 2 emptied in the grid keeps "Add" and "High" there; its bytes are what it decodes to, so
    // decoding and encoding again (an undo) gives them back.
    EditorState emptied = DecodeToState(img);
    emptied.table.SetText(2, col::kTransmit, "");
    Image saved = img;
    EncodeImage(emptied.table, emptied.lists, saved);
    EXPECT_EQ(RoundTrip(saved), saved);
}

TEST(Codec, SettingsRowBothWays) {
    struct Row {
        const char* name;
        const char* stored;         // SettingFlags, SquelchLevel, TxTotalTime, TxPowerRank
        std::vector<int> selected;  // Warning, N/W, Field, Squelch, Tx total Time, TX Power rank
        const char* encoded;
    };
    const Row rows[] = {
        {"new_document", "44 04 02 FF", {0, 0, 0, 4, 2, 9}, "44 04 02 09"},
        {"largest_values_kept", "45 09 0A 08", {1, 0, 0, 9, 10, 8}, "45 09 0A 08"},
        {"beyond_the_lists_fall_back", "01 0A 0B 09", {1, 1, 1, 0, 0, 9}, "01 00 00 09"},
        {"uninterpreted_flag_bits_stay", "BA 00 00 00", {0, 1, 1, 0, 0, 0}, "BA 00 00 00"},
    };
    constexpr std::size_t kFields[] = {set::kSettingFlags, set::kSquelchLevel, set::kTxTotalTime,
                                       set::kTxPowerRank};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Image img = NewDocumentImage();
        const auto s = SettingsRow(img);
        for (std::size_t k = 0; k < 4; ++k) s[kFields[k]] = Hex(row.stored)[k];
        const EditorState state = DecodeToState(img);
        EXPECT_EQ(Selections(state.lists), row.selected);
        EncodeImage(state.table, state.lists, img);
        EXPECT_EQ((Bytes{s[kFields[0]], s[kFields[1]], s[kFields[2]], s[kFields[3]]}), Hex(row.encoded));
    }
}

TEST(Codec, NoSelectionEncodesAsEnableAndWide) {
    SettingSelections lists;
    for (Setting s : kAllSettings) lists.Select(s, -1);
    lists.Select(Setting::Squelch, 10);  // beyond the last entry: no selection either
    Image img = NewDocumentImage();
    SettingsRow(img)[set::kSettingFlags] = 0x00;
    EncodeImage(StringTable(), lists, img);
    EXPECT_EQ(SettingsRow(img)[set::kSettingFlags], 0x05);  // band bit clear
    EXPECT_EQ(SettingsRow(img)[set::kSquelchLevel], 0xFF);
}

// Decoding a foreign image normalises it once; from then on encode(decode()) changes nothing, and the
// bytes and bits that nothing interprets never change at all.
TEST(Codec, RandomImagesSettleAfterOneRoundTripAndKeepUninterpretedBits) {
    std::mt19937 rng(20261206);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        Image img;
        for (auto& b : img) b = static_cast<std::uint8_t>(rng());
        // Many realistic channels too, not only noise.
        for (int n = 1; n <= kChannelCount; ++n) {
            if (rng() % 3 == 0) {
                auto r = ChannelRecord(img, n);
                const std::uint32_t units = 13600000 + (rng() % 3900) * 1000;
                std::uint8_t step = 0;
                EncodeFrequency(FormatFrequency(units), &r[rec::kRxFreq], step);
                EncodeFrequency(FormatFrequency(units + 60000), &r[rec::kTxFreq], step);
            }
        }
        const Image once = RoundTrip(img);
        const Image twice = RoundTrip(once);
        for (std::size_t i = 0; i < kImageSize; ++i) {
            ASSERT_EQ(once[i], twice[i]) << "offset " << i << " iteration " << iteration;
            const std::uint8_t keep = static_cast<std::uint8_t>(~InterpretedMask(i));
            ASSERT_EQ(once[i] & keep, img[i] & keep) << "offset " << i << " iteration " << iteration;
        }
    }
}

// Texts are read and written the same way whatever the process locale says.
TEST(NumericText, DecimalCommaLocaleChangesNothing) {
    if (const std::string missing = test::DecimalCommaLocale(); !missing.empty()) GTEST_SKIP() << missing;
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    EXPECT_EQ(FormatFrequency(14552500), "145.52500");
    EXPECT_EQ(FrequencyUnitsOfText("145.525"), 14552500u);
    EXPECT_EQ(CheckFrequency("145.0125", 0, EditPath::Commit).result, "145.01250");
    EXPECT_EQ(testmode::NormaliseFieldText("231.2026", 220.0, testmode::FrequencyStep::Khz5), "231.20500");
    EXPECT_EQ(testmode::FrameFrequencyUnits("231.20625"), 23120625u);
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace pm
