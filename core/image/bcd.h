#pragma once
// Packed BCD as the radio stores numbers: two decimal digits a byte, the high digit in the high nibble.

#include <cstdint>

namespace pm {

/** (b >> 4) * 10 + (b & 0x0F), with no check that a nibble is a digit (0xFF gives 165). */
[[nodiscard]] constexpr int BcdValue(std::uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

/** (n / 10) * 16 + n % 10 truncated to a byte; exact for n in 0..99. */
[[nodiscard]] constexpr std::uint8_t BcdByte(unsigned n) {
    return static_cast<std::uint8_t>((n / 10) * 16 + n % 10);
}

}  // namespace pm
