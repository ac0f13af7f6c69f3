#include "core/editing/channel_rows.h"

#include <algorithm>
#include <array>

#include "core/image/codec.h"

namespace pm {
namespace {

using Record = std::array<std::uint8_t, kRowSize>;

std::uint8_t* RecordBytes(Image& image, int channel) {
    return ChannelRecord(image, channel).data();
}

Record RecordOf(const Image& image, int channel) {
    Record r;
    const auto bytes = ChannelRecord(image, channel);
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

void PutRecord(Image& image, int channel, const Record& r) {
    std::copy(r.begin(), r.end(), RecordBytes(image, channel));
}

/** Selected channels as a flag per channel (index 1..80). */
std::array<bool, kChannelCount + 2> Flags(const ChannelSelection& channels) {
    std::array<bool, kChannelCount + 2> selected{};
    for (const int ch : channels) {
        if (IsChannelNumber(ch)) selected[static_cast<std::size_t>(ch)] = true;
    }
    return selected;
}

ChannelSelection Selected(const std::array<bool, kChannelCount + 2>& selected) {
    ChannelSelection out;
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        if (selected[static_cast<std::size_t>(ch)]) out.push_back(ch);
    }
    return out;
}

/** Rewrites channels 1..80 in the order given (order[i] is the old channel that becomes channel i + 1). */
void Permute(Image& image, const std::vector<int>& order) {
    std::array<Record, kChannelCount> records;
    for (int i = 0; i < kChannelCount; ++i)
        records[static_cast<std::size_t>(i)] = RecordOf(image, order[static_cast<std::size_t>(i)]);
    for (int i = 0; i < kChannelCount; ++i) PutRecord(image, i + 1, records[static_cast<std::size_t>(i)]);
}

std::vector<int> Identity() {
    std::vector<int> order(kChannelCount);
    for (int i = 0; i < kChannelCount; ++i) order[static_cast<std::size_t>(i)] = i + 1;
    return order;
}

void EmptyIfHoldingData(Image& image, int channel) {
    if (ChannelHoldsData(image, channel)) ClearChannel(image, channel);
}

}  // namespace

bool IsChannelNumber(int channel) {
    return channel >= 1 && channel <= kChannelCount;
}

bool ChannelHoldsData(const Image& image, int channel) {
    return IsChannelNumber(channel) && ChannelExists(ChannelRecord(image, channel));
}

void ClearChannel(Image& image, int channel) {
    if (!IsChannelNumber(channel)) return;
    auto r = ChannelRecord(image, channel);
    std::fill(r.begin(), r.begin() + rec::kChannelFlags, 0xFF);
    // Busy bits 0-1 set (no entry), scan bit 3 and power bit 4 clear: an empty row as the encoder writes it.
    r[rec::kChannelFlags] = static_cast<std::uint8_t>((r[rec::kChannelFlags] | 0x03) & ~0x18);
    r[rec::kRxStep] = 0;
    r[rec::kTxStep] = 0;
}

void ClearChannels(Image& image, const ChannelSelection& channels) {
    for (const int ch : Selected(Flags(channels))) ClearChannel(image, ch);
}

void MoveChannel(Image& image, int from, int to) {
    if (!IsChannelNumber(from) || !IsChannelNumber(to) || from == to) return;
    std::vector<int> order = Identity();
    const auto first = order.begin() + (std::min(from, to) - 1);
    const auto last = order.begin() + std::max(from, to);
    if (from < to) {
        std::rotate(first, first + 1, last);
    } else {
        std::rotate(first, last - 1, last);
    }
    Permute(image, order);
}

void SwapChannels(Image& image, int a, int b) {
    if (!IsChannelNumber(a) || !IsChannelNumber(b) || a == b) return;
    const Record ra = RecordOf(image, a);
    PutRecord(image, a, RecordOf(image, b));
    PutRecord(image, b, ra);
}

void CopyChannel(Image& image, int from, int to) {
    if (!IsChannelNumber(from) || !IsChannelNumber(to) || from == to) return;
    PutRecord(image, to, RecordOf(image, from));
}

bool InsertDropsData(const Image& image) {
    return ChannelHoldsData(image, kChannelCount);
}

bool InsertChannel(Image& image, int at) {
    if (!IsChannelNumber(at)) return false;
    const bool dropped = InsertDropsData(image);
    MoveChannel(image, kChannelCount, at);
    EmptyIfHoldingData(image, at);
    return dropped;
}

void DeleteChannel(Image& image, int at) {
    DeleteChannels(image, {at});
}

void DeleteChannels(Image& image, const ChannelSelection& channels) {
    const auto selected = Flags(channels);
    std::vector<int> order = Identity();
    std::stable_partition(order.begin(), order.end(),
                          [&](int ch) { return !selected[static_cast<std::size_t>(ch)]; });
    Permute(image, order);
    const int kept = kChannelCount - static_cast<int>(Selected(selected).size());
    for (int ch = kept + 1; ch <= kChannelCount; ++ch) EmptyIfHoldingData(image, ch);
}

ChannelSelection MoveChannelsUp(Image& image, const ChannelSelection& channels) {
    auto selected = Flags(channels);
    std::vector<int> order = Identity();
    // A selected channel moves up past an unselected one; a selected block against the top stays put.
    for (int ch = 2; ch <= kChannelCount; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        if (selected[i] && !selected[i - 1]) {
            std::swap(order[i - 1], order[i - 2]);
            std::swap(selected[i], selected[i - 1]);
        }
    }
    Permute(image, order);
    return Selected(selected);
}

ChannelSelection MoveChannelsDown(Image& image, const ChannelSelection& channels) {
    auto selected = Flags(channels);
    std::vector<int> order = Identity();
    for (int ch = kChannelCount - 1; ch >= 1; --ch) {
        const auto i = static_cast<std::size_t>(ch);
        if (selected[i] && !selected[i + 1]) {
            std::swap(order[i - 1], order[i]);
            std::swap(selected[i], selected[i + 1]);
        }
    }
    Permute(image, order);
    return Selected(selected);
}

void SortChannelsByReceive(Image& image) {
    struct Key {
        int kind;  // 0 receive frequency, 1 transmit only, 2 empty
        std::uint32_t units;
    };
    std::array<Key, kChannelCount + 1> keys{};
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        const auto r = ChannelRecord(image, ch);
        const bool rx = r[3] != 0x00 && r[3] != 0xFF;
        keys[static_cast<std::size_t>(ch)] = {rx ? 0 : (ChannelExists(r) ? 1 : 2),
                                              rx ? DecodeFrequencyUnits(&r[0]) : 0};
    }
    std::vector<int> order = Identity();
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Key& ka = keys[static_cast<std::size_t>(a)];
        const Key& kb = keys[static_cast<std::size_t>(b)];
        return ka.kind != kb.kind ? ka.kind < kb.kind : ka.units < kb.units;
    });
    Permute(image, order);
}

}  // namespace pm
