#include "core/testmode/field_frequency.h"

#include <algorithm>
#include <cmath>

#include "core/image/numeric_text.h"

namespace pm::testmode {
namespace {

constexpr double kUnitsPerMhz = 100000.0;
constexpr std::uint32_t kBandWidthUnits = static_cast<std::uint32_t>(kTestBandWidthMhz) * 100000;
// Far below anything typed, far above the error of the product: "146.2" is 14620000 units, where the
// double 146.2 * 100000 is 14619999.999999998 and would lose a unit to the discarded fraction.
constexpr double kTruncationSlack = 1e-6;

// The text's leading number in 10 Hz units, fraction discarded; NaN counts as no number.
double WholeUnits(std::string_view text) {
    const double units = ParseLeadingDouble(text) * kUnitsPerMhz;
    if (std::isnan(units)) return 0.0;
    return units >= 0 ? std::floor(units + kTruncationSlack) : std::trunc(units);
}

}  // namespace

double BandBaseOf(std::string_view bandText) {
    return ParseLeadingDouble(bandText);
}

double TestBandBase() {
    return BandBaseOf(kTestBandText);
}

TestBand TestBandOf(double bandBase) {
    constexpr double kHighestBase = static_cast<double>(kMaxFrameUnits - kBandWidthUnits);
    double base = std::round(bandBase * kUnitsPerMhz);
    if (!std::isfinite(base) || base < 0) base = 0;
    const auto low = static_cast<std::uint32_t>(std::min(base, kHighestBase));
    return {low, low + kBandWidthUnits};
}

std::string FormatFieldFrequency(double mhz) {
    std::string text = FormatFixed(mhz, 5);
    if (text.size() < 8) text.insert(0, 8 - text.size(), ' ');
    return text;
}

std::uint32_t NormalisedUnits(std::string_view text, double bandBase, FrequencyStep step) {
    const TestBand band = TestBandOf(bandBase);
    const double units = WholeUnits(text);
    // A clamped value is not rounded any further.
    if (units > band.high) return band.high;
    if (units < band.low) return band.low;
    auto f = static_cast<std::uint32_t>(units);
    if (step == FrequencyStep::Khz5) {
        const std::uint32_t r = f % 500;
        f = r <= 250 ? f - r : f + 500 - r;  // exactly 2.5 kHz rounds down
    } else {
        const std::uint32_t r = f % 625;
        f = r >= 313 ? f + 625 - r : f - r;  // 312.5 and up round up
    }
    return f;
}

std::string NormaliseFieldText(std::string_view text, double bandBase, FrequencyStep step) {
    return FormatFieldFrequency(NormalisedUnits(text, bandBase, step) * 0.00001);
}

std::uint32_t FrameFrequencyUnits(std::string_view text, double bandBase) {
    const double value = ParseLeadingDouble(text);
    const double units = WholeUnits(text);
    if (!std::isnan(value) && value >= 0 && units <= kMaxFrameUnits) return static_cast<std::uint32_t>(units);
    // Either step gives the same result here: an out-of-band value is only clamped.
    return NormalisedUnits(text, bandBase, FrequencyStep::Khz5);
}

}  // namespace pm::testmode
