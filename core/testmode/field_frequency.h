#pragma once
// The test band, the frequency fields' normalisation, and what a field's text sends to the radio.

#include <cstdint>
#include <string>
#include <string_view>

namespace pm::testmode {

/** The text the band base is read from; only its leading number counts (the band ends 20 MHz up). */
inline constexpr std::string_view kTestBandText = "220-260MHZ";
/** Width of the test band above its base, in MHz. */
inline constexpr int kTestBandWidthMhz = 20;

/** Step of a frequency field: 0 is 5.00 kHz, 1 is 6.25 kHz. */
enum class FrequencyStep { Khz5 = 0, Khz6_25 = 1 };

/** The number at the start of bandText, in MHz: "220-260MHZ" gives 220.0. */
[[nodiscard]] double BandBaseOf(std::string_view bandText);

/** The band base of the test band, 220.0 MHz. */
[[nodiscard]] double TestBandBase();

/** Lower and upper edge of a test band in 10 Hz units. */
struct TestBand {
    std::uint32_t low;
    std::uint32_t high;
};

/**
 * The band from bandBase to bandBase + 20 MHz. A base that is not finite counts as 0, and the base is
 * kept low enough that the upper edge still fits eight decimal digits.
 */
[[nodiscard]] TestBand TestBandOf(double bandBase);

/** A frequency in MHz as the fields show it: "%8.5f" in the C locale (240.0 gives "240.00000"). */
[[nodiscard]] std::string FormatFieldFrequency(double mhz);

/**
 * The normalisation of a frequency field's text in 10 Hz units: its leading number (0 when there is
 * none or it is NaN), fraction of 10 Hz discarded, clamped into the band, otherwise rounded to step.
 */
[[nodiscard]] std::uint32_t NormalisedUnits(std::string_view text, double bandBase, FrequencyStep step);

/** What Enter writes back into a frequency field: the normalisation of text, formatted "%8.5f". */
[[nodiscard]] std::string NormaliseFieldText(std::string_view text, double bandBase, FrequencyStep step);

/** Largest frequency a frame can carry: eight BCD digits of 10 Hz units, 999.99999 MHz. */
inline constexpr std::uint32_t kMaxFrameUnits = 99999999;

/**
 * What a frequency field's text sends in the frequency frame, in 10 Hz units: its leading number as it
 * stands (0 when none, fraction of 10 Hz discarded). A number the frame cannot carry — negative, 1000 MHz
 * or more, not finite — is sent as the field's normalisation would make it: clamped into the band.
 */
[[nodiscard]] std::uint32_t FrameFrequencyUnits(std::string_view text, double bandBase = TestBandBase());

}  // namespace pm::testmode
