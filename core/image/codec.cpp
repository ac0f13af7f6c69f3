#include "core/image/codec.h"

#include <algorithm>

#include "core/image/bcd.h"
#include "core/image/numeric_text.h"
#include "core/image/tone.h"

namespace pm {
namespace {

bool Present(std::uint8_t gate) { return gate != 0x00 && gate != 0xFF; }

void SetBit(std::uint8_t& byte, int bit, bool on) {
    if (on) {
        byte = static_cast<std::uint8_t>(byte | (1u << bit));
    } else {
        byte = static_cast<std::uint8_t>(byte & ~(1u << bit));
    }
}

constexpr std::array<const char*, 4> kBusyTexts = {"OFF", "QT/DQT", "Carrier", ""};

}  // namespace

std::uint32_t DecodeFrequencyUnits(const std::uint8_t* b) {
    std::uint32_t f = static_cast<std::uint32_t>(BcdValue(b[3]));
    f = f * 100 + static_cast<std::uint32_t>(BcdValue(b[2]));
    f = f * 100 + static_cast<std::uint32_t>(BcdValue(b[1]));
    f = f * 100 + static_cast<std::uint32_t>(BcdValue(b[0]));
    return f;
}

std::uint32_t FrequencyUnitsOfText(std::string_view text) {
    double value = ParseLeadingDouble(text);
    value = value * 1000.0;
    value = value * 100.0;
    std::uint32_t units = 0;
    // Not a finite number that fits 32 bits: the cell counts as empty.
    if (!RoundToUnits(value, units)) return 0;
    return units;
}

void EncodeFrequency(std::string_view text, std::uint8_t* bytes4, std::uint8_t& stepFlag) {
    std::uint32_t f = FrequencyUnitsOfText(text);
    if (f == 0) {
        for (int k = 0; k < 4; ++k) bytes4[k] = 0xFF;
        stepFlag = 0;
        return;
    }
    // Eight BCD digits hold at most 999.99999 MHz; a larger number (only a damaged image decodes to
    // one) saturates instead of wrapping into digits that decode to something else again.
    f = std::min<std::uint32_t>(f, 99999999u);
    stepFlag = (f < 30000000u && f % 625u != 0) ? 0 : 1;
    std::uint32_t d = 1000000;
    for (int k = 3; k >= 0; --k) {
        const std::uint32_t q = f / d;
        f %= d;
        bytes4[k] = BcdByte(static_cast<std::uint8_t>(q));
        d /= 100;
    }
}

void DecodeImage(const Image& image, ChannelTable& table, SettingLists& lists) {
    for (int n = 1; n <= kChannelCount; ++n) {
        const auto r = ChannelRecord(image, n);
        const bool exists = ChannelExists(r);
        table.SetText(n, col::kReceive, Present(r[3]) ? FormatFrequency(DecodeFrequencyUnits(&r[0])) : "");
        table.SetText(n, col::kTransmit, Present(r[7]) ? FormatFrequency(DecodeFrequencyUnits(&r[4])) : "");
        table.SetText(n, col::kRxTone, DecodeTone({r[8], r[9]}, exists));
        table.SetText(n, col::kTxTone, DecodeTone({r[10], r[11]}, exists));
        const std::uint8_t flags = r[rec::kChannelFlags];
        table.SetText(n, col::kBusy, exists ? kBusyTexts[flags & 3] : "");
        table.SetText(n, col::kPower, exists ? ((flags & 0x10) ? "High" : "Low") : "");
        table.SetText(n, col::kScan, exists ? ((flags & 0x08) ? "Add" : "Delete") : "");
    }
    const auto s = SettingsRow(image);
    const std::uint8_t flags = s[set::kSettingFlags];
    lists.Select(Setting::Warning, (flags & 0x01) ? 1 : 0);
    lists.Select(Setting::NarrowWide, (flags & 0x04) ? 0 : 1);
    lists.Select(Setting::Field, (flags & 0x40) ? 0 : 1);
    lists.Select(Setting::Squelch, s[set::kSquelchLevel] <= 9 ? s[set::kSquelchLevel] : 0);
    lists.Select(Setting::TxTotalTime, s[set::kTxTotalTime] <= 10 ? s[set::kTxTotalTime] : 0);
    lists.Select(Setting::TxPowerRank, s[set::kTxPowerRank] < 9 ? s[set::kTxPowerRank] : 9);
}

void EncodeImage(const ChannelTable& table, const SettingLists& lists, Image& image) {
    for (int n = 1; n <= kChannelCount; ++n) {
        auto r = ChannelRecord(image, n);
        EncodeFrequency(table.Text(n, col::kReceive), &r[rec::kRxFreq], r[rec::kRxStep]);
        EncodeFrequency(table.Text(n, col::kTransmit), &r[rec::kTxFreq], r[rec::kTxStep]);
        const ToneCode rx = EncodeTone(table.Text(n, col::kRxTone));
        r[8] = rx.low;
        r[9] = rx.high;
        const ToneCode tx = EncodeTone(table.Text(n, col::kTxTone));
        r[10] = tx.low;
        r[11] = tx.high;
        std::uint8_t& flags = r[rec::kChannelFlags];
        const std::string busy = table.Text(n, col::kBusy);
        if (busy == "OFF") {
            SetBit(flags, 0, false);
            SetBit(flags, 1, false);
        } else if (busy == "QT/DQT") {
            SetBit(flags, 0, true);
            SetBit(flags, 1, false);
        } else if (busy == "Carrier") {
            SetBit(flags, 0, false);
            SetBit(flags, 1, true);
        } else {
            SetBit(flags, 0, true);
            SetBit(flags, 1, true);
        }
        SetBit(flags, 4, table.Text(n, col::kPower) == "High");
        SetBit(flags, 3, table.Text(n, col::kScan) == "Add");
    }
    auto s = SettingsRow(image);
    std::uint8_t& flags = s[set::kSettingFlags];
    SetBit(flags, 0, lists.Selected(Setting::Warning) != 0);
    SetBit(flags, 2, lists.Selected(Setting::NarrowWide) != 1);
    s[set::kSquelchLevel] = static_cast<std::uint8_t>(lists.Selected(Setting::Squelch));
    s[set::kTxTotalTime] = static_cast<std::uint8_t>(lists.Selected(Setting::TxTotalTime));
    s[set::kTxPowerRank] = static_cast<std::uint8_t>(lists.Selected(Setting::TxPowerRank));
    SetBit(flags, 6, lists.Selected(Setting::Field) == 0);
}

}  // namespace pm
