// Attaches Read From Radio, Write To Radio and the Port menu's devices to the main frame.

#include "gui/link/transfer_commands.h"

namespace pm {

void InstallTransferCommands(MainWindow& frame) {
    // Owned by the frame: it goes, with the virtual radio, when the window goes.
    new TransferCommands(frame);
}

}  // namespace pm
