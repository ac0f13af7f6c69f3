// The Test Mode rules that need no widget: normalisation of the frequency fields, what a field sends,
// the tone lists, the tree and the item defaults.

#include <clocale>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "core/image/numeric_text.h"
#include "core/testmode/test_frequency.h"
#include "core/testmode/test_mode_items.h"

namespace pm::testmode {
namespace {

constexpr double kBase = 220.0;

struct NormaliseRow {
    const char* name;
    std::string text;
    FrequencyStep step;
    const char* shown;
};

TEST(Normalise, Table) {
    const auto k5 = FrequencyStep::Khz5;
    const auto k6 = FrequencyStep::Khz6_25;
    const NormaliseRow rows[] = {
        {"already_on_step", "231.2", k5, "231.20000"},
        {"rounds_up_past_half_5k", "231.2026", k5, "231.20500"},
        {"exact_half_5k_rounds_down", "231.2025", k5, "231.20000"},
        {"below_half_6k_rounds_down", "231.2030", k6, "231.20000"},
        {"half_6k_rounds_up", "231.2032", k6, "231.20625"},
        {"remainder_312_rounds_down", "231.20312", k6, "231.20000"},
        {"remainder_313_rounds_up", "231.20313", k6, "231.20625"},
        {"remainder_251_rounds_up", "231.20251", k5, "231.20500"},
        {"fraction_of_10hz_discarded", "231.202509", k5, "231.20000"},
        {"band_top_exact", "240", k5, "240.00000"},
        {"above_band_clamped", "250", k5, "240.00000"},
        {"just_above_band_not_rounded", "240.002", k6, "240.00000"},
        {"below_band_clamped", "100", k5, "220.00000"},
        {"negative_clamped_low", "-5", k5, "220.00000"},
        {"no_digits", "abc", k5, "220.00000"},
        {"empty", "", k6, "220.00000"},
        {"leading_blanks_and_trailing_junk", "  225.0126MHz", k5, "225.01500"},
        {"decimal_comma_stops_the_number", "231,2", k5, "231.00000"},
        {"nan", "nan", k5, "220.00000"},
        {"negative_nan", "-nan", k6, "220.00000"},
        {"infinity", "inf", k5, "240.00000"},
        {"negative_infinity", "-infinity", k5, "220.00000"},
        {"huge_exponent", "1e300", k5, "240.00000"},
        {"overflowing_exponent", "1e400", k6, "240.00000"},
        {"tiny_exponent", "1e-400", k5, "220.00000"},
        {"hex_float_is_16", "0x1p4", k5, "220.00000"},
        {"ten_thousand_digits", std::string(10000, '9'), k5, "240.00000"},
        {"ten_thousand_zeros_then_digit", "0." + std::string(10000, '0') + "1", k5, "220.00000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NormaliseFieldText(row.text, kBase, row.step), row.shown);
    }
}

TEST(Normalise, NeverLeavesTheBandNorTheStep) {
    for (const auto step : {FrequencyStep::Khz5, FrequencyStep::Khz6_25}) {
        const std::uint32_t grid = step == FrequencyStep::Khz5 ? 500 : 625;
        for (std::uint32_t units = 21999000; units <= 24001000; units += 37) {
            const std::uint32_t f = NormalisedUnits(FormatFixed(units * 0.00001, 5), kBase, step);
            ASSERT_GE(f, 22000000u) << units;
            ASSERT_LE(f, 24000000u) << units;
            ASSERT_EQ(f % grid, 0u) << units;
        }
    }
}

TEST(Normalise, IndependentOfTheProcessLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(NormaliseFieldText("231.2026", kBase, FrequencyStep::Khz5), "231.20500");
    EXPECT_EQ(FormatFieldFrequency(230.0), "230.00000");
    EXPECT_EQ(FrameFrequencyUnits("231.20625"), 23120625u);
    std::setlocale(LC_ALL, "C");
}

TEST(TestBand, BaseIsTheLeadingNumberOfTheBandText) {
    EXPECT_EQ(TestBandBase(), 220.0);
    EXPECT_EQ(BandBaseOf("136-174MHZ"), 136.0);
    const TestBand band = TestBandOf(TestBandBase());
    EXPECT_EQ(band.low, 22000000u);
    EXPECT_EQ(band.high, 24000000u);  // 240 MHz, not the 260 of the text
    // A base no frame could carry stays defined.
    EXPECT_EQ(TestBandOf(std::numeric_limits<double>::quiet_NaN()).low, 0u);
    EXPECT_EQ(TestBandOf(-3).low, 0u);
    EXPECT_EQ(TestBandOf(1e12).high, kMaxFrameUnits);
}

TEST(FieldFormat, EightWideFiveDecimals) {
    EXPECT_EQ(FormatFieldFrequency(240.0), "240.00000");
    EXPECT_EQ(FormatFieldFrequency(231.20625), "231.20625");
    EXPECT_EQ(FormatFieldFrequency(5.5), " 5.50000");  // padded to eight
}

struct FrameRow {
    const char* name;
    std::string text;
    std::uint32_t units;
};

// A field sends its text as it stands, normalised or not, unless the frame cannot carry the number.
TEST(FrameFrequency, Table) {
    const FrameRow rows[] = {
        {"example", "230.00000", 23000000},
        {"example_odd_step", "231.20625", 23120625},
        {"decimal_value_not_its_double", "146.2", 14620000},
        {"empty_field", "", 0},
        {"no_number", "abc", 0},
        {"typed_not_normalised", "231.2026", 23120260},
        {"below_band_sent_as_is", "100", 10000000},
        {"above_band_sent_as_is", "250.5", 25050000},
        {"fraction_of_10hz_discarded", "145.012509", 14501250},
        {"highest_carried", "999.99999", 99999999},
        {"thousand_clamped_high", "1000", 24000000},
        {"huge_clamped_high", "1e300", 24000000},
        {"digit_string_clamped_high", std::string(400, '9'), 24000000},
        {"infinity_clamped_high", "inf", 24000000},
        {"negative_clamped_low", "-5", 22000000},
        {"tiny_negative_clamped_low", "-0.000001", 22000000},
        {"negative_infinity_clamped_low", "-inf", 22000000},
        {"nan_clamped_low", "nan", 22000000},
        {"negative_zero_is_zero", "-0", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FrameFrequencyUnits(row.text), row.units);
    }
}

TEST(ToneLists, AreTheTwoSlicesOfTheToneTable) {
    const auto qt = ToneList(ToneMethod::Qt);
    ASSERT_EQ(qt.size(), 43u);
    EXPECT_EQ(qt.front(), "OFF");
    EXPECT_EQ(qt[1], "67.0");
    EXPECT_EQ(qt.back(), "206.5");  // not the table's last tone

    const auto dqt = ToneList(ToneMethod::Dqt);
    ASSERT_EQ(dqt.size(), 168u);
    EXPECT_EQ(dqt.front(), "210.7");
    EXPECT_EQ(dqt[7], "254.1");
    EXPECT_EQ(dqt[8], "D017N");
    EXPECT_EQ(dqt[113], "D754N");
    EXPECT_EQ(dqt[114], "D017I");
    EXPECT_EQ(dqt.back(), "D311I");                // not "D754I"
    EXPECT_EQ(qt.data() + qt.size(), dqt.data());  // the lists meet without a gap
}

TEST(Tree, LookupsByCodeAndNumber) {
    EXPECT_EQ(TestFrequencyByCode(code::kLowFrequency)->caption, "Low frequency");
    EXPECT_EQ(TestFrequencyByCode(code::kLowFrequency)->number, kLow);
    EXPECT_EQ(TestFrequencyByNumber(kMiddle)->offsetMhz, 10);
    EXPECT_EQ(TestFrequencyByNumber(kHigh)->offsetMhz, 20);
    EXPECT_EQ(TestFrequencyByCode(5570), nullptr);
    EXPECT_EQ(TestFrequencyByNumber(5), nullptr);

    const int defaults[] = {91, 38, 160, 47};
    for (int number = kItemTxFrequency; number <= kItemTxPower; ++number) {
        ASSERT_NE(AlignmentItemByNumber(number), nullptr);
        EXPECT_EQ(AlignmentItemByNumber(number)->defaultValue, defaults[number - kItemTxFrequency]);
        EXPECT_EQ(AlignmentItemByCode(AlignmentItemByNumber(number)->code)->number, number);
    }
    EXPECT_EQ(AlignmentItemByNumber(1), nullptr);
    EXPECT_EQ(AlignmentItemByCode(code::kExitDebug), nullptr);
}

}  // namespace
}  // namespace pm::testmode
