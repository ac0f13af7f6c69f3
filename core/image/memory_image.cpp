#include "core/image/memory_image.h"

#include <algorithm>

namespace pm {

std::span<std::uint8_t, kRowSize> ChannelRecord(Image& image, int channel) {
    return std::span<std::uint8_t, kRowSize>(image.data() + static_cast<std::size_t>(channel) * kRowSize,
                                             kRowSize);
}

std::span<const std::uint8_t, kRowSize> ChannelRecord(const Image& image, int channel) {
    return std::span<const std::uint8_t, kRowSize>(
        image.data() + static_cast<std::size_t>(channel) * kRowSize, kRowSize);
}

std::span<std::uint8_t, kRowSize> SettingsRow(Image& image) {
    return std::span<std::uint8_t, kRowSize>(image.data() + kSettingsOffset, kRowSize);
}

std::span<const std::uint8_t, kRowSize> SettingsRow(const Image& image) {
    return std::span<const std::uint8_t, kRowSize>(image.data() + kSettingsOffset, kRowSize);
}

bool ChannelExists(std::span<const std::uint8_t, kRowSize> record) {
    auto present = [](std::uint8_t b) { return b != 0x00 && b != 0xFF; };
    return present(record[3]) || present(record[7]);
}

namespace {

void WriteSettingDefaults(Image& image) {
    image[kSettingsOffset + 1] = 4;
    image[kSettingsOffset + 2] = 3;
    image[kSettingsOffset + 3] = 2;
    image[kSettingsOffset + 5] = 0x0A;
    image[kModelOffset - 1] = 0xF0;
    image[kModelOffset] = kDefaultModel;
}

}  // namespace

Image NewDocumentImage() {
    Image image;
    image.fill(0xFF);
    WriteSettingDefaults(image);
    ChannelRecord(image, 1)[rec::kChannelFlags] = 0xFB;
    image[kSettingsOffset + set::kSettingFlags] = 0x44;
    return image;
}

void BandReset(Image& image, int band) {
    std::fill(image.begin() + kRowSize, image.begin() + kRowSize * (kChannelCount + 1), 0xFF);
    WriteSettingDefaults(image);
    std::uint8_t& flags = image[kSettingsOffset + set::kSettingFlags];
    if (band == 0) {
        flags = static_cast<std::uint8_t>(flags | 0x40);
    } else {
        flags = static_cast<std::uint8_t>(flags & ~0x40);
    }
}

std::uint8_t InterpretedMask(std::size_t offset) {
    const std::size_t row = offset / kRowSize;
    const std::size_t col = offset % kRowSize;
    if (row >= 1 && row <= static_cast<std::size_t>(kChannelCount)) {
        if (col == rec::kChannelFlags) return 0x1B;  // busy bits 0-1, scan bit 3, power bit 4
        return col == 15 ? 0x00 : 0xFF;
    }
    if (row == static_cast<std::size_t>(kSettingsRow)) {
        switch (col) {
            case set::kSettingFlags: return 0x45;  // warning bit 0, N/W bit 2, band bit 6
            case set::kSquelchLevel:
            case set::kTxTotalTime:
            case set::kTxPowerRank: return 0xFF;
            default: return 0x00;
        }
    }
    return 0x00;
}

}  // namespace pm
