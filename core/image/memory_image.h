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
/** Row 125, byte 2: nothing interprets it; a new document holds 0xF0 there. */
inline constexpr std::size_t kModelRowSpareOffset = 0x7D2;
inline constexpr std::size_t kModelOffset = 0x7D3;
/** Model code of a new document. */
inline constexpr std::uint8_t kDefaultModel = 0x37;

/** Offsets inside a channel record. */
namespace rec {
/** Frequencies: 8 BCD digits of 10 Hz units in 4 bytes, lowest digit pair first. */
inline constexpr std::size_t kRxFreq = 0;
inline constexpr std::size_t kTxFreq = 4;
inline constexpr std::size_t kFreqSize = 4;
/** The top digit pair of each frequency: 0x00 or 0xFF there means the frequency is absent. */
inline constexpr std::size_t kRxFreqTop = kRxFreq + 3;
inline constexpr std::size_t kTxFreqTop = kTxFreq + 3;
inline constexpr std::size_t kRxToneLow = 8;
inline constexpr std::size_t kRxToneHigh = 9;
inline constexpr std::size_t kTxToneLow = 10;
inline constexpr std::size_t kTxToneHigh = 11;
inline constexpr std::size_t kChannelFlags = 12;
inline constexpr std::size_t kRxStep = 13;
inline constexpr std::size_t kTxStep = 14;
/** The last byte, which nothing interprets. */
inline constexpr std::size_t kSpare = 15;
}  // namespace rec

/** Bits of a record's ChannelFlags; the others (2, 5, 6, 7) are nobody's and stay as they are. */
namespace chflag {
/** Bits 0-1, the busy mode: 0 "OFF", 1 "QT/DQT", 2 "Carrier", 3 none. */
inline constexpr std::uint8_t kBusyMode = 0x03;
inline constexpr std::uint8_t kScanAdd = 0x08;
inline constexpr std::uint8_t kPowerHigh = 0x10;
inline constexpr std::uint8_t kInterpreted = kBusyMode | kScanAdd | kPowerHigh;
}  // namespace chflag

/** Offsets inside the settings row. */
namespace set {
inline constexpr std::size_t kSettingFlags = 0;
inline constexpr std::size_t kSquelchLevel = 1;
/** Not interpreted; a new document and a band reset write 3 there. */
inline constexpr std::size_t kSpare2 = 2;
inline constexpr std::size_t kTxTotalTime = 3;
inline constexpr std::size_t kTxPowerRank = 4;
/** Not interpreted; a new document and a band reset write 0x0A there. */
inline constexpr std::size_t kSpare5 = 5;
}  // namespace set

/** Bits of SettingFlags; the others (1, 3, 4, 5, 7) are nobody's and stay as they are. */
namespace setflag {
inline constexpr std::uint8_t kWarningEnable = 0x01;
inline constexpr std::uint8_t kWide = 0x04;
/** Set for the 136-175 MHz band, clear for 144-146 MHz. */
inline constexpr std::uint8_t kBand136To175 = 0x40;
inline constexpr std::uint8_t kInterpreted = kWarningEnable | kWide | kBand136To175;
}  // namespace setflag

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
