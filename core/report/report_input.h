#pragma once
// What the printed report takes from the editor: the grid's texts and the selected texts of four lists.

#include <array>
#include <string>

#include "core/image/channel_table.h"
#include "core/image/setting_lists.h"

namespace pm {

/** Grid columns the report prints: the channel number and the seven data columns. */
inline constexpr int kReportColumns = col::kPower + 1;

/** A snapshot of the editor as it stands, unsaved edits included. */
struct ReportInput {
    /** Cell texts, rows 0 (headings) to 80, columns 0 to 7. */
    std::array<std::array<std::string, kReportColumns>, kGridRows> cells;
    /** Selected texts of "Tx total Time(s)", "Warning", "Squelch Level" and "TX Power rank". */
    std::string txTotalTime;
    std::string warning;
    std::string squelch;
    std::string txPowerRank;
};

/** Copies what the report prints out of the grid and the lists. */
[[nodiscard]] ReportInput ReportInputFrom(const ChannelTable& table, const SettingLists& lists);

}  // namespace pm
