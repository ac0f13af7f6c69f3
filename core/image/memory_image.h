#pragma once
// The radio's 2048-byte memory as the program keeps it: 128 rows of 16 bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pm {

inline constexpr std::size_t kImageSize = 2048;
inline constexpr std::size_t kRowSize = 16;
inline constexpr int kChannelCount = 80;
inline constexpr int kSettingsRow = 124;
inline constexpr std::size_t kSettingsOffset = kSettingsRow * kRowSize;  // 0x7C0
inline constexpr std::size_t kModelOffset = 0x7D3;
/** Model code of a new document. */
inline constexpr std::uint8_t kDefaultModel = 0x37;

/** Offsets inside a channel record. */
namespace rec {
inline constexpr std::size_t kRxFreq = 0;
inline constexpr std::size_t kTxFreq = 4;
inline constexpr std::size_t kRxTone = 8;
inline constexpr std::size_t kTxTone = 10;
inline constexpr std::size_t kChannelFlags = 12;
inline constexpr std::size_t kRxStep = 13;
inline constexpr std::size_t kTxStep = 14;
}  // namespace rec

/** Offsets inside the settings row. */
namespace set {
inline constexpr std::size_t kSettingFlags = 0;
inline constexpr std::size_t kSquelchLevel = 1;
inline constexpr std::size_t kTxTotalTime = 3;
inline constexpr std::size_t kTxPowerRank = 4;
}  // namespace set

using Image = std::array<std::uint8_t, kImageSize>;

/** The 16 bytes of channel n (1..80). */
[[nodiscard]] std::span<std::uint8_t, kRowSize> ChannelRecord(Image& image, int channel);
[[nodiscard]] std::span<const std::uint8_t, kRowSize> ChannelRecord(const Image& image, int channel);

/** The 16 bytes of the settings row. */
[[nodiscard]] std::span<std::uint8_t, kRowSize> SettingsRow(Image& image);
[[nodiscard]] std::span<const std::uint8_t, kRowSize> SettingsRow(const Image& image);

/** True when the record has a receive or a transmit frequency. */
[[nodiscard]] bool ChannelExists(std::span<const std::uint8_t, kRowSize> record);

/** The contents of a new document: 0xFF everywhere but the few defaults. */
[[nodiscard]] Image NewDocumentImage();

/**
 * Empties all channels and restores the settings defaults for a change of band (0 = 136-175 MHz,
 * 1 = 144-146 MHz). TxPowerRank, the other SettingFlags bits and the rows nothing interprets stay.
 */
void BandReset(Image& image, int band);

/** The bits of the byte at offset that the codec reads or writes; 0 where nothing interprets it. */
[[nodiscard]] std::uint8_t InterpretedMask(std::size_t offset);

}  // namespace pm
