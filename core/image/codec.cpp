#include "core/image/codec.h"

#include <algorithm>

#include "core/image/bcd.h"
#include "core/image/numeric_text.h"
#include "core/image/tone.h"

namespace pm {
namespace {

// A gating byte of 0x00 or 0xFF means the frequency is absent.
bool Present(std::uint8_t gate) {
    return gate != 0x00 && gate != 0xFF;
}

void SetBits(std::uint8_t& byte, std::uint8_t mask, bool on) {
    byte = static_cast<std::uint8_t>(on ? (byte | mask) : (byte & ~mask));
}

// Texts of the busy mode, indexed by its two-bit code; code 3 shows as nothing.
constexpr std::array<const char*, 4> kBusyTexts = {"OFF", "QT/DQT", "Carrier", ""};
constexpr std::uint8_t kBusyNone = 3;

// Any text but the three modes, the empty one included, stores code 3.
std::uint8_t BusyCode(std::string_view text) {
    for (std::uint8_t code = 0; code < kBusyNone; ++code) {
        if (text == kBusyTexts[code]) return code;
    }
    return kBusyNone;
}

// Eight BCD digits of 10 Hz units end at 999.99999 MHz.
constexpr std::uint32_t kMaxFrequencyUnits = 99999999;
// The step flag is 1 on the 6.25 kHz raster and from 300 MHz up.
constexpr std::uint32_t kStepRasterUnits = 625;
constexpr std::uint32_t kAlwaysStepUnits = 30000000;

// Highest index each numeric list can show; a stored value beyond selects the fallback.
constexpr std::uint8_t kMaxSquelch = 9;
constexpr std::uint8_t kMaxTxTotalTime = 10;
constexpr std::uint8_t kMaxTxPowerRank = 9;

// Entries of the two-entry lists that the flag bits stand for.
namespace entry {
constexpr int kWarningDisable = 0;
constexpr int kWarningEnable = 1;
constexpr int kWide = 0;
constexpr int kNarrow = 1;
constexpr int kBand136To175 = 0;
constexpr int kBand144To146 = 1;
}  // namespace entry

}  // namespace

std::uint32_t DecodeFrequencyUnits(const std::uint8_t* b) {
    std::uint32_t f = 0;
    for (int k = static_cast<int>(rec::kFreqSize) - 1; k >= 0; --k) {
        f = f * 100 + static_cast<std::uint32_t>(BcdValue(b[k]));
    }
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
        std::fill_n(bytes4, rec::kFreqSize, std::uint8_t{0xFF});
        stepFlag = 0;
        return;
    }
    // A larger number (only a damaged image decodes to one) saturates instead of wrapping into digits
    // that decode to something else again.
    f = std::min(f, kMaxFrequencyUnits);
    stepFlag = (f < kAlwaysStepUnits && f % kStepRasterUnits != 0) ? 0 : 1;
    std::uint32_t d = 1000000;
    for (int k = static_cast<int>(rec::kFreqSize) - 1; k >= 0; --k) {
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
        auto frequency = [&](std::size_t first, std::size_t top) {
            return Present(r[top]) ? FormatFrequency(DecodeFrequencyUnits(&r[first])) : std::string();
        };
        table.SetText(n, col::kReceive, frequency(rec::kRxFreq, rec::kRxFreqTop));
        table.SetText(n, col::kTransmit, frequency(rec::kTxFreq, rec::kTxFreqTop));
        table.SetText(n, col::kRxTone, DecodeTone({r[rec::kRxToneLow], r[rec::kRxToneHigh]}, exists));
        table.SetText(n, col::kTxTone, DecodeTone({r[rec::kTxToneLow], r[rec::kTxToneHigh]}, exists));
        const std::uint8_t flags = r[rec::kChannelFlags];
        table.SetText(n, col::kBusy, exists ? kBusyTexts[flags & chflag::kBusyMode] : "");
        table.SetText(n, col::kPower, exists ? ((flags & chflag::kPowerHigh) ? "High" : "Low") : "");
        table.SetText(n, col::kScan, exists ? ((flags & chflag::kScanAdd) ? "Add" : "Delete") : "");
    }
    const auto s = SettingsRow(image);
    const std::uint8_t flags = s[set::kSettingFlags];
    const std::uint8_t squelch = s[set::kSquelchLevel];
    const std::uint8_t txTotalTime = s[set::kTxTotalTime];
    const std::uint8_t txPowerRank = s[set::kTxPowerRank];
    lists.Select(Setting::Warning,
                 (flags & setflag::kWarningEnable) ? entry::kWarningEnable : entry::kWarningDisable);
    lists.Select(Setting::NarrowWide, (flags & setflag::kWide) ? entry::kWide : entry::kNarrow);
    lists.Select(Setting::Field,
                 (flags & setflag::kBand136To175) ? entry::kBand136To175 : entry::kBand144To146);
    lists.Select(Setting::Squelch, squelch <= kMaxSquelch ? squelch : 0);
    lists.Select(Setting::TxTotalTime, txTotalTime <= kMaxTxTotalTime ? txTotalTime : 0);
    lists.Select(Setting::TxPowerRank, txPowerRank < kMaxTxPowerRank ? txPowerRank : kMaxTxPowerRank);
}

void EncodeImage(const ChannelTable& table, const SettingLists& lists, Image& image) {
    for (int n = 1; n <= kChannelCount; ++n) {
        auto r = ChannelRecord(image, n);
        EncodeFrequency(table.Text(n, col::kReceive), &r[rec::kRxFreq], r[rec::kRxStep]);
        EncodeFrequency(table.Text(n, col::kTransmit), &r[rec::kTxFreq], r[rec::kTxStep]);
        // A channel without a frequency decodes to empty Busy, Scan and Power cells, whatever the grid still
        // shows there: so they are encoded, and decoding and encoding again gives the same bytes (after an
        // undo, the saved ones).
        const bool exists = ChannelExists(r);
        const auto text = [&](int column) {
            return exists ? std::string(table.Text(n, column)) : std::string();
        };
        const ToneCode rx = EncodeTone(table.Text(n, col::kRxTone));
        r[rec::kRxToneLow] = rx.low;
        r[rec::kRxToneHigh] = rx.high;
        const ToneCode tx = EncodeTone(table.Text(n, col::kTxTone));
        r[rec::kTxToneLow] = tx.low;
        r[rec::kTxToneHigh] = tx.high;
        std::uint8_t& flags = r[rec::kChannelFlags];
        flags = static_cast<std::uint8_t>((flags & ~chflag::kBusyMode) | BusyCode(text(col::kBusy)));
        SetBits(flags, chflag::kPowerHigh, text(col::kPower) == "High");
        SetBits(flags, chflag::kScanAdd, text(col::kScan) == "Add");
    }
    auto s = SettingsRow(image);
    std::uint8_t& flags = s[set::kSettingFlags];
    // No selection (-1) counts as Warning on and as Wide.
    SetBits(flags, setflag::kWarningEnable, lists.Selected(Setting::Warning) != entry::kWarningDisable);
    SetBits(flags, setflag::kWide, lists.Selected(Setting::NarrowWide) != entry::kNarrow);
    s[set::kSquelchLevel] = static_cast<std::uint8_t>(lists.Selected(Setting::Squelch));
    s[set::kTxTotalTime] = static_cast<std::uint8_t>(lists.Selected(Setting::TxTotalTime));
    s[set::kTxPowerRank] = static_cast<std::uint8_t>(lists.Selected(Setting::TxPowerRank));
    SetBits(flags, setflag::kBand136To175, lists.Selected(Setting::Field) == entry::kBand136To175);
}

}  // namespace pm
