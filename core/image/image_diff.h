#pragma once
// Differences between two images as the user sees them: cell texts, setting texts, other bytes.

#include <cstddef>
#include <string>
#include <vector>

#include "core/image/memory_image.h"
#include "core/image/setting_lists.h"

namespace pm {

/** A channel cell whose display text differs. */
struct CellDifference {
    int channel;  // 1..80
    int column;   // 1..7
    std::string a;
    std::string b;
};

/** A Function Setting whose selected text differs. */
struct SettingDifference {
    Setting setting;
    std::string a;
    std::string b;
};

/** Everything that differs between two images. */
struct ImageDiff {
    std::vector<CellDifference> cells;
    std::vector<SettingDifference> settings;
    std::size_t otherBytes = 0;        // differing bytes that no cell or setting difference explains
    std::size_t firstOtherOffset = 0;  // meaningful when otherBytes > 0
    [[nodiscard]] bool Equal() const { return cells.empty() && settings.empty() && otherBytes == 0; }
    /** Channels with at least one differing cell, ascending. */
    [[nodiscard]] std::vector<int> Channels() const;
};

/** Compares the first `length` bytes of a and b (the whole image by default). */
[[nodiscard]] ImageDiff CompareImages(const Image& a, const Image& b, std::size_t length = kImageSize);

/** The differences as lines of text, "CH 3 Receive(MHz): 145.52500 -> 146.00000" and so on. */
[[nodiscard]] std::vector<std::string> DescribeDiff(const ImageDiff& diff);

}  // namespace pm
