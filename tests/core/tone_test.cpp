#include <gtest/gtest.h>

#include "core/image/tone.h"

namespace pm {
namespace {

TEST(ToneTable, HasTheFourRangesInOrder) {
    const auto& t = ToneTable();
    EXPECT_EQ(t[0], "OFF");
    EXPECT_EQ(t[1], "67.0");
    EXPECT_EQ(t[13], "100.0");
    EXPECT_EQ(t[50], "254.1");
    EXPECT_EQ(t[51], "D017N");
    EXPECT_EQ(t[52], "D023N");
    EXPECT_EQ(t[156], "D754N");
    EXPECT_EQ(t[157], "D017I");
    EXPECT_EQ(t[262], "D754I");
    for (int i = 0; i < kDcsCount; ++i) {
        std::string normal = t[kFirstDcsNormal + i];
        normal.back() = 'I';
        EXPECT_EQ(normal, t[kFirstDcsInverted + i]) << i;
    }
}

struct CodeRow {
    const char* name;
    const char* text;
    std::uint8_t low;
    std::uint8_t high;
};

TEST(ToneCode, WorkedExamplesBothWays) {
    const CodeRow rows[] = {
        {"ctcss_88_5", "88.5", 0x85, 0x08},   {"ctcss_67_0", "67.0", 0x70, 0x06},
        {"ctcss_254_1", "254.1", 0x41, 0x25}, {"dcs_023n", "D023N", 0x23, 0x80},
        {"dcs_703n", "D703N", 0x03, 0x87},    {"dcs_754i", "D754I", 0x54, 0xC7},
        {"dcs_017i", "D017I", 0x17, 0xC0},    {"off", "OFF", 0xFF, 0xFF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EncodeTone(row.text), (ToneCode{row.low, row.high}));
        EXPECT_EQ(DecodeTone({row.low, row.high}, true), row.text);
    }
}

TEST(ToneCode, EveryTableEntryRoundTrips) {
    for (const auto& entry : ToneTable()) {
        EXPECT_EQ(DecodeTone(EncodeTone(entry), true), entry);
    }
}

TEST(ToneCode, NoToneDependsOnWhetherTheChannelExists) {
    EXPECT_EQ(EncodeTone(""), (ToneCode{0xFF, 0xFF}));
    EXPECT_EQ(DecodeTone({0xFF, 0xFF}, true), "OFF");
    EXPECT_EQ(DecodeTone({0xFF, 0xFF}, false), "");
    EXPECT_EQ(DecodeTone({0x42, 0x00}, true), "OFF");  // high 0x00 is no tone whatever the low byte
    EXPECT_EQ(DecodeTone({0x42, 0x00}, false), "");
}

TEST(ToneCode, DcsEdgeTexts) {
    EXPECT_EQ(DecodeTone({0x17, 0x80}, true), "D017N");
    EXPECT_EQ(DecodeTone({0x54, 0xC7}, true), "D754I");
    EXPECT_EQ(EncodeTone("D023"), (ToneCode{0x23, 0xC0}));  // no polarity letter: inverted
    EXPECT_EQ(DecodeTone(EncodeTone("D023"), true), "D023I");
    EXPECT_EQ(EncodeTone("D"), (ToneCode{0x00, 0xC0}));  // both bytes written even for 0
}

TEST(ToneCode, HostileTextsGiveDefinedCodes) {
    // None of these may trap under the sanitizers; what they store is fixed.
    EXPECT_EQ(EncodeTone("nan"), (ToneCode{0xFF, 0xFF}));
    EXPECT_EQ(EncodeTone("-88.5"), (ToneCode{0xFF, 0xFF}));
    EXPECT_EQ(EncodeTone("1e300"), (ToneCode{0x99, 0x79}));  // saturated, still a CTCSS code
    EXPECT_EQ(EncodeTone("inf"), (ToneCode{0x99, 0x79}));
    EXPECT_EQ(EncodeTone("0x1p4"), (ToneCode{0x60, 0x01}));  // read as atof does: 16.0
    const std::string hugeDcs = "D" + std::string(10000, '9') + "N";
    EXPECT_EQ(EncodeTone(hugeDcs), (ToneCode{0x99, 0xBF}));   // saturated, still normal polarity
    EXPECT_EQ(EncodeTone("D7000I"), (ToneCode{0x99, 0xFE}));  // never FF, which would be no tone
}

TEST(ToneCode, EveryStoredCodeSettlesAfterOneRoundTrip) {
    // Damaged codes (nibbles above 9, hundreds beyond the kind) are normalised once, then stay.
    for (int h = 0; h < 256; ++h) {
        for (int l = 0; l < 256; ++l) {
            const ToneCode once =
                EncodeTone(DecodeTone({static_cast<std::uint8_t>(l), static_cast<std::uint8_t>(h)}, true));
            ASSERT_EQ(EncodeTone(DecodeTone(once, true)), once) << std::hex << h << " " << l;
        }
    }
}

}  // namespace
}  // namespace pm
