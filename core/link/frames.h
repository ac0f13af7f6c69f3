#pragma once
// The bytes both ends of the serial line agree on: the program's side in core/link, the radio's in sim/.

#include <array>
#include <cstddef>
#include <cstdint>

namespace pm::frame {

/** Wake-up: 0x02 then "PROGRA", each byte written by itself. */
inline constexpr std::array<std::uint8_t, 7> kWakeUp = {0x02, 'P', 'R', 'O', 'G', 'R', 'A'};
/** Acknowledgement, both directions. */
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;  // a write block refused, not stored
/** Identification request: 'M' then 0x02, each written by itself. */
inline constexpr std::array<std::uint8_t, 2> kIdentify = {'M', 0x02};
/** Length of the identification record and the position of the model code in it. */
inline constexpr std::size_t kIdRecordSize = 8;
inline constexpr std::size_t kIdModelIndex = 4;
/** A model code that every image accepts. */
inline constexpr std::uint8_t kAnyModel = 0xFF;

/** Block commands: letter, address high, address low, block length. */
inline constexpr std::uint8_t kReadCommand = 'R';
inline constexpr std::uint8_t kWriteCommand = 'W';
inline constexpr std::size_t kBlockSize = 8;
inline constexpr std::size_t kCommandSize = 4;
/** A read reply: 4 header bytes, then the block. */
inline constexpr std::size_t kReplySize = 12;
inline constexpr std::size_t kReplyHeaderSize = 4;
/** A read moves the whole image; a write stops before the last 40 bytes (0x7D8..0x7FF). */
inline constexpr int kReadBlocks = 256;
inline constexpr int kWriteBlocks = 251;

/** Test Mode: item command letter, the radio's acknowledgement, and the fixed value-frame bytes. */
inline constexpr std::uint8_t kTestCommand = 'x';
inline constexpr std::uint8_t kTestAck = 'H';
inline constexpr std::size_t kTestFrameSize = 8;
inline constexpr std::array<std::uint8_t, 3> kValueFrameFixed = {0xFB, 0x01, 0x01};

/** The four command bytes of a block at address. */
[[nodiscard]] constexpr std::array<std::uint8_t, kCommandSize> BlockCommand(std::uint8_t letter,
                                                                            std::size_t address) {
    return {letter, static_cast<std::uint8_t>((address >> 8) & 0xFF),
            static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(kBlockSize)};
}

}  // namespace pm::frame
