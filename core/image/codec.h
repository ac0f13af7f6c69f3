#pragma once
// Between the memory image and the editor: channel cells as display texts, settings as list indices.

#include "core/image/channel_table.h"
#include "core/image/memory_image.h"
#include "core/image/setting_lists.h"

namespace pm {

/** Fills the 7 x 80 channel cells and selects six lists from the image. */
void DecodeImage(const Image& image, ChannelTable& table, SettingLists& lists);

/** Writes the channel cells and the six lists back into the image; other bytes and bits stay. */
void EncodeImage(const ChannelTable& table, const SettingLists& lists, Image& image);

/** The 10 Hz units a frequency cell text stands for (0 for empty, non-numeric or out of 32 bits). */
[[nodiscard]] std::uint32_t FrequencyUnitsOfText(std::string_view text);

/** Encodes a frequency text into 4 BCD bytes and its step flag, as the codec does. */
void EncodeFrequency(std::string_view text, std::uint8_t* bytes4, std::uint8_t& stepFlag);

/** Decodes 4 BCD bytes (lowest pair first) into 10 Hz units; no nibble is tested. */
[[nodiscard]] std::uint32_t DecodeFrequencyUnits(const std::uint8_t* bytes4);

}  // namespace pm
