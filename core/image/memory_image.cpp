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
    return present(record[rec::kRxFreqTop]) || present(record[rec::kTxFreqTop]);
}

namespace {

void WriteSettingDefaults(Image& image) {
    auto s = SettingsRow(image);
    s[set::kSquelchLevel] = 4;
    s[set::kSpare2] = 3;
    s[set::kTxTotalTime] = 2;  // 60 s
    s[set::kSpare5] = 0x0A;
    image[kModelRowSpareOffset] = 0xF0;
    image[kModelOffset] = kDefaultModel;
}

}  // namespace

Image NewDocumentImage() {
    Image image;
    image.fill(0xFF);
    WriteSettingDefaults(image);
    ChannelRecord(image, 1)[rec::kChannelFlags] = 0xFB;  // all but bit 2
    SettingsRow(image)[set::kSettingFlags] = setflag::kWide | setflag::kBand136To175;
    return image;
}

void BandReset(Image& image, int band) {
    std::fill_n(ChannelRecord(image, 1).data(), kRowSize * kChannelCount, std::uint8_t{0xFF});
    WriteSettingDefaults(image);
    std::uint8_t& flags = SettingsRow(image)[set::kSettingFlags];
    if (band == 0) {
        flags = static_cast<std::uint8_t>(flags | setflag::kBand136To175);
    } else {
        flags = static_cast<std::uint8_t>(flags & ~setflag::kBand136To175);
    }
}

std::uint8_t InterpretedMask(std::size_t offset) {
    const std::size_t row = offset / kRowSize;
    const std::size_t col = offset % kRowSize;
    if (row >= 1 && row <= static_cast<std::size_t>(kChannelCount)) {
        if (col == rec::kChannelFlags) return chflag::kInterpreted;
        return col == rec::kSpare ? 0x00 : 0xFF;
    }
    if (row == static_cast<std::size_t>(kSettingsRow)) {
        switch (col) {
            case set::kSettingFlags:
                return setflag::kInterpreted;
            case set::kSquelchLevel:
            case set::kTxTotalTime:
            case set::kTxPowerRank:
                return 0xFF;
            default:
                return 0x00;
        }
    }
    return 0x00;
}

}  // namespace pm
