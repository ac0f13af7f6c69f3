#include "core/report/report_input.h"

namespace pm {

ReportInput ReportInputFrom(const ChannelTable& table, const SettingLists& lists) {
    ReportInput input;
    for (int row = 0; row < kGridRows; ++row) {
        for (int c = 0; c < kReportColumns; ++c) {
            input.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(c)] = table.Text(row, c);
        }
    }
    input.txTotalTime = SelectedText(lists, Setting::TxTotalTime);
    input.warning = SelectedText(lists, Setting::Warning);
    input.squelch = SelectedText(lists, Setting::Squelch);
    input.txPowerRank = SelectedText(lists, Setting::TxPowerRank);
    return input;
}

}  // namespace pm
