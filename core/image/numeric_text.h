#pragma once
// Number <-> text conversions that never depend on the process locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace pm {

/** Reads text the way C's atof does in the "C" locale: blanks skipped, longest numeric prefix, 0 if none. */
[[nodiscard]] double ParseLeadingDouble(std::string_view text);

/** Leading decimal integer (after optional blanks), 0 if none; saturates at UINT32_MAX. */
[[nodiscard]] std::uint32_t ParseLeadingUnsigned(std::string_view text);

/** printf("%.Nf") in the "C" locale; non-finite values give "nan", "inf" or "-inf". */
[[nodiscard]] std::string FormatFixed(double value, int decimals);

/** A frequency in 10 Hz units as the editor shows it: MHz with five decimals ("145.52500"). */
[[nodiscard]] std::string FormatFrequency(std::uint32_t units);

/**
 * Rounds value to the nearest whole number of 10 Hz units; false when it is not finite, negative or
 * does not fit 32 bits unsigned.
 */
[[nodiscard]] bool RoundToUnits(double value, std::uint32_t& units);

}  // namespace pm
