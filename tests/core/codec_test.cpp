#include <gtest/gtest.h>

#include <clocale>
#include <random>

#include "core/image/codec.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"

namespace pm {
namespace {

std::array<std::uint8_t, 16> Record(const Image& img, int n) {
    std::array<std::uint8_t, 16> r{};
    const auto span = ChannelRecord(img, n);
    std::copy(span.begin(), span.end(), r.begin());
    return r;
}

TEST(Codec, NewDocumentDecodesBlankWithDefaults) {
    const EditorState s = DecodeToState(NewDocumentImage());
    for (int row = 1; row <= 80; ++row) {
        for (int c = 1; c <= 8; ++c) ASSERT_EQ(s.table.Text(row, c), "") << row << "," << c;
        EXPECT_EQ(s.table.Text(row, 0), std::to_string(row));
    }
    EXPECT_EQ(SelectedText(s.lists, Setting::Warning), "Disable");
    EXPECT_EQ(SelectedText(s.lists, Setting::NarrowWide), "Wide");
    EXPECT_EQ(SelectedText(s.lists, Setting::Field), "136 - 175MHZ");
    EXPECT_EQ(SelectedText(s.lists, Setting::Squelch), "4");
    EXPECT_EQ(SelectedText(s.lists, Setting::TxTotalTime), "60s");
    EXPECT_EQ(SelectedText(s.lists, Setting::TxPowerRank), "9");
}

TEST(Codec, EncodingANewDocumentNormalisesEmptyChannels) {
    const Image before = NewDocumentImage();
    const Image after = RoundTrip(before);
    EXPECT_EQ(Record(after, 1)[12], 0xE3);
    for (int n = 2; n <= 80; ++n) {
        const auto r = Record(after, n);
        EXPECT_EQ(r[12], 0xE7);
        EXPECT_EQ(r[13], 0x00);
        EXPECT_EQ(r[14], 0x00);
        for (int k : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15}) EXPECT_EQ(r[k], 0xFF);
    }
    EXPECT_EQ(after[0x7C4], 9);  // TxPowerRank 0xFF comes back as 9
}

struct FreqRow {
    const char* name;
    const char* text;
    std::array<std::uint8_t, 4> bytes;
    std::uint8_t step;
};

TEST(Codec, FrequencyWorkedExamples) {
    const FreqRow rows[] = {
        {"raster_6k25", "145.52500", {0x00, 0x25, 0x55, 0x14}, 1},
        {"raster_5k", "145.53000", {0x00, 0x30, 0x55, 0x14}, 0},
        {"odd_6k25", "145.53125", {0x25, 0x31, 0x55, 0x14}, 1},
        {"empty", "", {0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"not_a_number", "abc", {0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"above_300_mhz_always_step_1", "430.00500", {0x00, 0x05, 0x00, 0x43}, 1},
        {"nan", "nan", {0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"negative", "-145", {0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {"beyond_32_bits", "1e300", {0xFF, 0xFF, 0xFF, 0xFF}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::array<std::uint8_t, 4> bytes{};
        std::uint8_t step = 0x55;
        EncodeFrequency(row.text, bytes.data(), step);
        EXPECT_EQ(bytes, row.bytes);
        EXPECT_EQ(step, row.step);
    }
}

TEST(Codec, WorkedChannelRecord) {
    StringTable table;
    SettingSelections lists;
    Image img;
    img.fill(0xFF);
    const char* cells[] = {"145.52500", "145.52500", "OFF", "OFF", "OFF", "Add", "High"};
    for (int c = 1; c <= 7; ++c) table.SetText(5, c, cells[c - 1]);
    EncodeImage(table, lists, img);
    const std::array<std::uint8_t, 16> expected = {0x00, 0x25, 0x55, 0x14, 0x00, 0x25, 0x55, 0x14,
                                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFC, 0x01, 0x01, 0xFF};
    EXPECT_EQ(Record(img, 5), expected);
}

TEST(Codec, EveryDecodedFrequencyEncodesToItsUnits) {
    // Off-raster values included: the text must carry the exact number of 10 Hz units.
    for (std::uint32_t units :
         {13600005u, 14552500u, 14553125u, 17499999u, 10000000u, 60000000u, 99999999u}) {
        std::array<std::uint8_t, 4> bytes{};
        std::uint8_t step = 0;
        EncodeFrequency(FormatFrequency(units), bytes.data(), step);
        EXPECT_EQ(DecodeFrequencyUnits(bytes.data()), units);
    }
    EXPECT_EQ(FormatFrequency(13600005), "136.00005");
}

TEST(Codec, ExistenceAndFlagTexts) {
    Image img = NewDocumentImage();
    auto r = ChannelRecord(img, 2);
    // Transmit only, no tone: the channel exists.
    r[4] = 0x00;
    r[5] = 0x25;
    r[6] = 0x55;
    r[7] = 0x14;
    r[12] = 0xE6;  // busy bits 10 = Carrier, scan 0, power 0
    auto r3 = ChannelRecord(img, 3);
    r3[3] = 0x00;  // receive gate 0x00: no receive frequency
    r3[7] = 0xFF;
    r3[8] = 0x85;
    r3[9] = 0x08;
    const EditorState s = DecodeToState(img);
    EXPECT_EQ(s.table.Text(2, col::kReceive), "");
    EXPECT_EQ(s.table.Text(2, col::kTransmit), "145.52500");
    EXPECT_EQ(s.table.Text(2, col::kRxTone), "OFF");
    EXPECT_EQ(s.table.Text(2, col::kBusy), "Carrier");
    EXPECT_EQ(s.table.Text(2, col::kScan), "Delete");
    EXPECT_EQ(s.table.Text(2, col::kPower), "Low");
    // No frequency, so no channel: its cells are blank, but a stored tone is still shown (and kept).
    for (int c : {1, 2, 4, 5, 6, 7}) EXPECT_EQ(s.table.Text(3, c), "") << c;
    EXPECT_EQ(s.table.Text(3, col::kRxTone), "88.5");
}

TEST(Codec, OutOfRangeSettingsSelectTheirFallbacks) {
    Image img = NewDocumentImage();
    img[0x7C1] = 10;
    img[0x7C3] = 11;
    img[0x7C4] = 9;
    img[0x7C0] = 0x01;  // Warning on, Narrow, 144-146
    EditorState s = DecodeToState(img);
    EXPECT_EQ(s.lists.Selected(Setting::Squelch), 0);
    EXPECT_EQ(s.lists.Selected(Setting::TxTotalTime), 0);
    EXPECT_EQ(s.lists.Selected(Setting::TxPowerRank), 9);
    EXPECT_EQ(SelectedText(s.lists, Setting::Warning), "Enable");
    EXPECT_EQ(SelectedText(s.lists, Setting::NarrowWide), "Narrow");
    EXPECT_EQ(SelectedText(s.lists, Setting::Field), "144 - 146MHZ");
    img[0x7C4] = 3;
    s = DecodeToState(img);
    EXPECT_EQ(s.lists.Selected(Setting::TxPowerRank), 3);
}

TEST(Codec, NoSelectionEncodesAsSpecified) {
    StringTable table;
    SettingSelections lists;
    for (Setting s : kAllSettings) lists.Select(s, -1);
    Image img = NewDocumentImage();
    img[0x7C0] = 0x00;
    EncodeImage(table, lists, img);
    EXPECT_EQ(img[0x7C0], 0x05);  // Warning on and Wide when nothing is selected, band bit clear
    EXPECT_EQ(img[0x7C1], 0xFF);
}

// Decoding a foreign image normalises it once; from then on encode(decode()) changes nothing, and the
// bytes and bits that nothing interprets never change at all.
TEST(Codec, RandomImagesSettleAfterOneRoundTripAndKeepUninterpretedBits) {
    std::mt19937 rng(20261206);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        Image img;
        for (auto& b : img) b = static_cast<std::uint8_t>(rng());
        // Many realistic channels too, not only noise.
        for (int n = 1; n <= 80; ++n) {
            if (rng() % 3 == 0) {
                auto r = ChannelRecord(img, n);
                const std::uint32_t units = 13600000 + (rng() % 3900) * 1000;
                std::uint8_t step = 0;
                EncodeFrequency(FormatFrequency(units), &r[0], step);
                EncodeFrequency(FormatFrequency(units + 60000), &r[4], step);
            }
        }
        const Image once = RoundTrip(img);
        const Image twice = RoundTrip(once);
        for (std::size_t i = 0; i < kImageSize; ++i) {
            ASSERT_EQ(once[i], twice[i]) << "offset " << i << " iteration " << iteration;
        }
        for (std::size_t i = 0; i < kImageSize; ++i) {
            const std::uint8_t keep = static_cast<std::uint8_t>(~InterpretedMask(i));
            ASSERT_EQ(once[i] & keep, img[i] & keep) << "offset " << i << " iteration " << iteration;
        }
    }
}

TEST(Codec, NormalisesForeignEmptyChannelsAndNullGates) {
    Image img = NewDocumentImage();
    auto r = ChannelRecord(img, 4);
    r[3] = 0x00;
    r[2] = 0x12;  // gate 0x00: no receive frequency, becomes FF FF FF FF
    r[9] = 0x00;
    r[8] = 0x33;   // tone high byte 0x00 becomes FF FF
    r[12] = 0x18;  // empty channel: busy bits set, scan and power cleared
    r[13] = 0x01;
    const Image out = RoundTrip(img);
    const auto o = ChannelRecord(out, 4);
    EXPECT_EQ(o[0], 0xFF);
    EXPECT_EQ(o[3], 0xFF);
    EXPECT_EQ(o[8], 0xFF);
    EXPECT_EQ(o[9], 0xFF);
    EXPECT_EQ(o[12], 0x03);
    EXPECT_EQ(o[13], 0x00);
}

TEST(Codec, DecimalCommaLocaleChangesNothing) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(FormatFrequency(14552500), "145.52500");
    EXPECT_EQ(ParseLeadingDouble("145.525"), 145.525);
    std::array<std::uint8_t, 4> bytes{};
    std::uint8_t step = 0;
    EncodeFrequency("145.52500", bytes.data(), step);
    EXPECT_EQ(DecodeFrequencyUnits(bytes.data()), 14552500u);
    const EditorState s = DecodeToState(NewDocumentImage());
    EXPECT_EQ(RoundTrip(NewDocumentImage()), RoundTrip(RoundTrip(NewDocumentImage())));
    (void)s;
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace pm
