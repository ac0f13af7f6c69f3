#include "gui/desktop.h"

#include "gui/app/help.h"
#include "gui/bulk/bulk_commands.h"
#include "gui/csv/csv_commands.h"
#include "gui/link/transfer_commands.h"
#include "gui/print/report_commands.h"
#include "gui/testmode/testmode_command.h"

namespace pm {

void InstallFeatures(MainWindow& window) {
    InstallCsvCommands(window);
    InstallBulkCommands(window);
    InstallReportCommands(window);
    InstallTransferCommands(window);
    InstallTestModeCommand(window);
    // Last, so that Help stays the last menu.
    InstallHelpMenu(window);
    InstallSerialTraceItem(window);
}

}  // namespace pm
