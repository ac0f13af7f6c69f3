#include "gui/app/features.h"

namespace pm {

void InstallFeatures(MainWindow& frame) {
    InstallCsvCommands(frame);
    InstallReportCommands(frame);
    InstallTransferCommands(frame);
    InstallTestModeCommand(frame);
}

}  // namespace pm
