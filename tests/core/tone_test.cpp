#include <gtest/gtest.h>

#include "core/image/tone.h"

namespace pm {
namespace {

struct CodeRow {
    const char* name;
    std::string text;
    std::uint8_t low;
    std::uint8_t high;
};

TEST(ToneCode, WorkedExamplesBothWays) {
    const CodeRow rows[] = {
        {"ctcss_88_5", "88.5", 0x85, 0x08},   {"ctcss_67_0", "67.0", 0x70, 0x06},
        {"ctcss_254_1", "254.1", 0x41, 0x25}, {"dcs_017n", "D017N", 0x17, 0x80},
        {"dcs_023n", "D023N", 0x23, 0x80},    {"dcs_703n", "D703N", 0x03, 0x87},
        {"dcs_754i", "D754I", 0x54, 0xC7},    {"dcs_017i", "D017I", 0x17, 0xC0},
        {"off", "OFF", 0xFF, 0xFF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EncodeTone(row.text), (ToneCode{row.low, row.high}));
        EXPECT_EQ(DecodeTone({row.low, row.high}, true), row.text);
    }
}

// Texts that are not in the table still store a defined code; none may trap under the sanitizers.
TEST(ToneCode, EncodesAnyText) {
    const CodeRow rows[] = {
        {"empty", "", 0xFF, 0xFF},
        {"no_polarity_letter_is_inverted", "D023", 0x23, 0xC0},
        {"bare_d_writes_both_bytes", "D", 0x00, 0xC0},
        {"blanks_before_the_dcs_digits", "D \t\n\v\f\r023N", 0x23, 0x80},
        {"dcs_beyond_normal_saturates", "D" + std::string(10000, '9') + "N", 0x99, 0xBF},
        {"dcs_beyond_inverted_never_ff", "D7000I", 0x99, 0xFE},
        {"smallest_tone", "0.1", 0x01, 0x00},
        {"below_a_tenth", "0.09", 0xFF, 0xFF},
        {"nan", "nan", 0xFF, 0xFF},
        {"huge_stays_ctcss", "1e300", 0x99, 0x79},
        {"hex_float_read_as_atof", "0x1p4", 0x60, 0x01},
    };
    for (const auto& row : rows) EXPECT_EQ(EncodeTone(row.text), (ToneCode{row.low, row.high})) << row.name;
}

TEST(ToneCode, EveryTableEntryRoundTrips) {
    for (const auto& entry : ToneTable()) EXPECT_EQ(DecodeTone(EncodeTone(entry), true), entry);
}

TEST(ToneCode, EveryStoredCodeSettlesAfterOneRoundTrip) {
    // Damaged codes (nibbles above 9, hundreds beyond the kind) are normalised once, then stay.
    for (int h = 0; h < 256; ++h) {
        for (int l = 0; l < 256; ++l) {
            const ToneCode code{static_cast<std::uint8_t>(l), static_cast<std::uint8_t>(h)};
            const ToneCode once = EncodeTone(DecodeTone(code, true));
            ASSERT_EQ(EncodeTone(DecodeTone(once, true)), once) << std::hex << h << " " << l;
        }
    }
}

}  // namespace
}  // namespace pm
