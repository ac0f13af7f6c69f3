// The Test Mode rules that need no widget: normalisation of the frequency fields, what a field sends,
// the tone lists and the item lookups.

#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "core/image/numeric_text.h"
#include "core/testmode/field_frequency.h"
#include "core/testmode/tree_items.h"

namespace pm::testmode {
namespace {

constexpr double kBase = 220.0;
constexpr auto k5 = FrequencyStep::Khz5;
constexpr auto k6 = FrequencyStep::Khz6_25;

struct NormaliseRow {
    const char* name;
    std::string text;
    FrequencyStep step;
    const char* shown;
};

TEST(Normalise, Table) {
    // clang-format off
    const NormaliseRow rows[] = {
        {"on_step", "231.2", k5, "231.20000"}, {"exact_half_5k_down", "231.2025", k5, "231.20000"},
        {"remainder_251_up", "231.20251", k5, "231.20500"},
        {"remainder_312_down", "231.20312", k6, "231.20000"},
        {"remainder_313_up", "231.20313", k6, "231.20625"},
        {"fraction_of_10hz_dropped", "231.202509", k5, "231.20000"}, {"above_band", "250", k5, "240.00000"},
        {"just_above_band_not_rounded", "240.002", k6, "240.00000"}, {"below_band", "100", k5, "220.00000"},
        {"no_digits", "abc", k5, "220.00000"}, {"blanks_and_unit", "  225.0126MHz", k5, "225.01500"},
        {"decimal_comma_ends_number", "231,2", k5, "231.00000"}, {"nan", "nan", k5, "220.00000"},
        {"infinity", "inf", k5, "240.00000"}, {"hex_float_is_16", "0x1p4", k5, "220.00000"},
        {"ten_thousand_digits", std::string(10000, '9'), k5, "240.00000"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NormaliseFieldText(row.text, kBase, row.step), row.shown);
    }
}

TEST(Normalise, NeverLeavesTheBandNorTheStep) {
    for (const auto step : {k5, k6}) {
        const std::uint32_t grid = step == k5 ? 500 : 625;
        for (std::uint32_t units = 21999000; units <= 24001000; units += 37) {
            const std::uint32_t f = NormalisedUnits(FormatFixed(units * 0.00001, 5), kBase, step);
            ASSERT_TRUE(f >= 22000000 && f <= 24000000 && f % grid == 0) << units << " gave " << f;
        }
    }
}

TEST(TestBand, BaseIsTheLeadingNumberOfTheBandText) {
    const TestBand band = TestBandOf(TestBandBase());
    EXPECT_EQ(band.low, 22000000u);
    EXPECT_EQ(band.high, 24000000u);  // 240 MHz, not the 260 of "220-260MHZ"
    // A base no frame could carry stays defined.
    EXPECT_EQ(TestBandOf(std::numeric_limits<double>::quiet_NaN()).low, 0u);
    EXPECT_EQ(TestBandOf(-3).low, 0u);
    EXPECT_EQ(TestBandOf(1e12).high, kMaxFrameUnits);
    EXPECT_EQ(FormatFieldFrequency(5.0), " 5.00000");  // "%8.5f" pads on the left
}

struct FrameRow {
    const char* name;
    std::string text;
    std::uint32_t units;
};

// A field sends its text as it stands, normalised or not, unless the frame cannot carry the number.
TEST(FrameFrequency, Table) {
    // clang-format off
    const FrameRow rows[] = {
        {"example", "230.00000", 23000000}, {"odd_step", "231.20625", 23120625},
        {"decimal_value_not_its_double", "146.2", 14620000}, {"empty_field", "", 0}, {"no_number", "abc", 0},
        {"typed_not_normalised", "231.2026", 23120260}, {"outside_band_as_is", "250.5", 25050000},
        {"highest_carried", "999.99999", 99999999}, {"thousand_clamped_high", "1000", 24000000},
        {"infinity_clamped_high", "inf", 24000000}, {"negative_clamped_low", "-5", 22000000},
        {"tiny_negative_clamped_low", "-0.000001", 22000000}, {"nan_clamped_low", "nan", 22000000},
        {"negative_zero_is_zero", "-0", 0},
        {"blanks_and_unit", "  12.5 MHz", 1250000}, {"not_a_number", "not a number", 0},
        {"overflow_clamped_high", "1e300", 24000000},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FrameFrequencyUnits(row.text), row.units);
    }
}

TEST(ToneLists, AreTwoSlicesOfTheToneTable) {
    const auto qt = ToneList(ToneMethod::Qt);
    const auto dqt = ToneList(ToneMethod::Dqt);
    EXPECT_EQ(qt.back(), "206.5");  // not the table's last tone
    EXPECT_EQ(dqt.front(), "210.7");
    EXPECT_EQ(dqt.back(), "D311I");  // not "D754I"
}

TEST(Items, LookupsByCodeAndByNumberAgree) {
    for (const auto& f : kTestFrequencies)
        EXPECT_EQ(TestFrequencyByNumber(f.number), TestFrequencyByCode(f.code));
    for (const auto& item : kAlignmentItems)
        EXPECT_EQ(AlignmentItemByNumber(item.number), AlignmentItemByCode(item.code));
    EXPECT_EQ(TestFrequencyByCode(5570), nullptr);  // the unused code
    EXPECT_EQ(AlignmentItemByNumber(1), nullptr);
    EXPECT_EQ(AlignmentItemByCode(code::kExitDebug), nullptr);
}

}  // namespace
}  // namespace pm::testmode
