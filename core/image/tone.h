#pragma once
// The tone table (263 display strings) and the two-byte tone code of a channel record.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pm {

inline constexpr int kToneCount = 263;
inline constexpr int kFirstCtcss = 1;
inline constexpr int kCtcssCount = 50;
inline constexpr int kFirstDcsNormal = 51;
inline constexpr int kFirstDcsInverted = 157;
inline constexpr int kDcsCount = 106;

/** The tone table, built once on first use: "OFF", 50 CTCSS tones, 106 "N" codes, 106 "I" codes. */
[[nodiscard]] const std::array<std::string, kToneCount>& ToneTable();

/** The stored form of a tone: the low byte comes first in the record. */
struct ToneCode {
    std::uint8_t low = 0xFF;
    std::uint8_t high = 0xFF;
    friend bool operator==(const ToneCode&, const ToneCode&) = default;
};

/** Display text of a tone code; "OFF" or "" for no tone, by whether the channel exists. */
[[nodiscard]] std::string DecodeTone(ToneCode code, bool channelExists);

/** Tone code of a display text; anything that is not a tone gives FF FF. */
[[nodiscard]] ToneCode EncodeTone(std::string_view text);

/** Index of the table entry equal to text without regard to case, or -1. */
[[nodiscard]] int FindToneExact(std::string_view text);

/** Index of the first table entry that begins with text without regard to case, or -1. */
[[nodiscard]] int FindTonePrefix(std::string_view text);

}  // namespace pm
