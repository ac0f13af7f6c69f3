#pragma once
// Channel plans the editor could have saved, drawn at random: the material of the property tests.

#include <random>

#include "core/editing/cell_rules.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"

namespace pm::test {

/** Random bytes everywhere. */
inline Image RandomBytes(std::mt19937& rng) {
    Image image;
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    return image;
}

/** base with fillPercent % of its channels random but valid, the rest emptied; crowded: five frequencies. */
inline Image RandomPlan(std::mt19937& rng, const Image& base, int fillPercent, bool crowded = false) {
    EditorState state = DecodeToState(base);
    const BandLimits band = BandTable()[state.lists.Selected(Setting::Field) == 1 ? 1 : 0];
    auto frequency = [&] {
        if (crowded) return FormatFrequency(band.lowest + 625 * static_cast<std::uint32_t>(rng() % 5));
        const std::uint32_t step = rng() % 2 ? 500 : 625;
        const std::uint32_t first = (band.lowest + step - 1) / step;
        return FormatFrequency((first + rng() % (band.highest / step - first + 1)) * step);
    };
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        for (int c = col::kReceive; c <= col::kPower; ++c) state.table.SetText(ch, c, "");
        if (static_cast<int>(rng() % 100) >= fillPercent) continue;
        const int shape = static_cast<int>(rng() % 6);  // 0 receive only, 1 transmit only, 5 both the same
        if (shape != 1) state.table.SetText(ch, col::kReceive, frequency());
        if (shape != 0)
            state.table.SetText(ch, col::kTransmit, shape == 5 ? state.table.Text(ch, 1) : frequency());
        for (int c = col::kRxTone; c <= col::kPower; ++c) {
            const auto& entries = EditorEntries(EditorForColumn(c));
            state.table.SetText(ch, c, entries[rng() % entries.size()]);
        }
        if (rng() % 3 == 0) state.table.SetText(ch, col::kTxTone, state.table.Text(ch, col::kRxTone));
    }
    Image image = base;
    EncodeImage(state.table, state.lists, image);
    return image;
}

}  // namespace pm::test
