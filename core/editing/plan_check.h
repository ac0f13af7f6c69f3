#pragma once
// The plan check: channels that are probably mistakes. It only reads; each finding names the channel
// and the cell to go to, and says what is wrong in words.

#include <string>
#include <vector>

#include "core/image/channel_table.h"
#include "core/image/memory_image.h"

namespace pm {

enum class FindingKind { Duplicate, TransmitWithoutReceive, BusyWithoutTone, OutsideBand, OneSidedTone };

struct Finding {
    FindingKind kind = FindingKind::Duplicate;
    int channel = 0;
    int column = 0;  // the cell to go to
    std::string text;
};

/** Findings of table with band (0 or 1) in force, by channel, then in the order of FindingKind. */
[[nodiscard]] std::vector<Finding> CheckPlan(const ChannelTable& table, int band);

/** CheckPlan of a decoded image with its own band. */
[[nodiscard]] std::vector<Finding> CheckPlan(const Image& image);

/** One line per finding ("channel 3: ..."), then a summary line. */
[[nodiscard]] std::string FormatFindings(const std::vector<Finding>& findings);

}  // namespace pm
