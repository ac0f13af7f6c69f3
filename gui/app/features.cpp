#include "gui/app/features.h"

namespace pm {

void InstallFeatures(CMainFrame& frame) {
    InstallReportCommands(frame);
}

}  // namespace pm
