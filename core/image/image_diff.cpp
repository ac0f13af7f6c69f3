#include "core/image/image_diff.h"

#include <algorithm>
#include <cstdio>

#include "core/image/document.h"

namespace pm {

std::vector<int> ImageDiff::Channels() const {
    std::vector<int> channels;
    for (const auto& d : cells) {
        if (channels.empty() || channels.back() != d.channel) channels.push_back(d.channel);
    }
    return channels;
}

ImageDiff CompareImages(const Image& a, const Image& b, std::size_t length) {
    length = std::min(length, kImageSize);
    // Bytes beyond `length` must not show up as text differences: compare with b's tail copied into a.
    Image left = a;
    std::copy(b.begin() + static_cast<std::ptrdiff_t>(length), b.end(),
              left.begin() + static_cast<std::ptrdiff_t>(length));
    const EditorState sa = DecodeToState(left);
    const EditorState sb = DecodeToState(b);

    ImageDiff diff;
    std::vector<bool> channelCovered(kChannelCount + 1, false);
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        for (int c = col::kReceive; c <= col::kPower; ++c) {
            const std::string ta = sa.table.Text(ch, c);
            const std::string tb = sb.table.Text(ch, c);
            if (ta != tb) {
                diff.cells.push_back({ch, c, ta, tb});
                channelCovered[static_cast<std::size_t>(ch)] = true;
            }
        }
    }
    bool flagsCovered = false;
    std::array<bool, kRowSize> settingCovered{};
    for (Setting s : {Setting::Field, Setting::Squelch, Setting::NarrowWide, Setting::Warning,
                      Setting::TxTotalTime, Setting::TxPowerRank}) {
        const std::string ta = SelectedText(sa.lists, s);
        const std::string tb = SelectedText(sb.lists, s);
        if (ta == tb) continue;
        diff.settings.push_back({s, ta, tb});
        switch (s) {
            case Setting::Squelch:
                settingCovered[set::kSquelchLevel] = true;
                break;
            case Setting::TxTotalTime:
                settingCovered[set::kTxTotalTime] = true;
                break;
            case Setting::TxPowerRank:
                settingCovered[set::kTxPowerRank] = true;
                break;
            default:
                flagsCovered = true;
                break;
        }
    }
    settingCovered[set::kSettingFlags] = flagsCovered;
    for (std::size_t i = 0; i < length; ++i) {
        if (a[i] == b[i]) continue;
        const std::size_t row = i / kRowSize;
        const std::size_t column = i % kRowSize;
        bool covered = false;
        if (row >= 1 && row <= static_cast<std::size_t>(kChannelCount)) covered = channelCovered[row];
        if (row == static_cast<std::size_t>(kSettingsRow)) covered = settingCovered[column];
        if (!covered) {
            if (diff.otherBytes == 0) diff.firstOtherOffset = i;
            ++diff.otherBytes;
        }
    }
    return diff;
}

std::vector<std::string> DescribeDiff(const ImageDiff& diff) {
    std::vector<std::string> lines;
    auto shown = [](const std::string& t) { return t.empty() ? std::string("(empty)") : t; };
    for (const auto& d : diff.cells) {
        lines.push_back("CH " + std::to_string(d.channel) + " " + std::string(ColumnHeadings()[d.column]) +
                        ": " + shown(d.a) + " -> " + shown(d.b));
    }
    for (const auto& d : diff.settings) {
        lines.push_back(std::string(Info(d.setting).label) + ": " + shown(d.a) + " -> " + shown(d.b));
    }
    if (diff.otherBytes > 0) {
        char offset[16];
        std::snprintf(offset, sizeof offset, "0x%03zX", diff.firstOtherOffset);
        lines.push_back(std::to_string(diff.otherBytes) +
                        (diff.otherBytes == 1 ? " other byte differs" : " other bytes differ") +
                        " (first at offset " + offset + ")");
    }
    return lines;
}

}  // namespace pm
