#pragma once
// A second line for a port that cannot be opened: why, and what the user can do about it.

#include <string>
#include <vector>

namespace pm {

/** Processes (pid and command name) that hold path open, found through /proc; may be empty. */
struct PortHolder {
    int pid;
    std::string command;
};
[[nodiscard]] std::vector<PortHolder> FindPortHolders(const std::string& devicePath);

/**
 * Explains an open failure of devicePath with errno error: no such device (and which serial devices
 * exist), permission denied (with the device's group and the command to join it), already in use (by
 * which process when that can be found). Empty when there is nothing useful to add.
 */
[[nodiscard]] std::string ExplainOpenFailure(const std::string& devicePath, int error);

/** Serial devices present on the machine: /dev/ttyUSB*, /dev/ttyACM*, and /dev/ttyS* that exist. */
[[nodiscard]] std::vector<std::string> ListSerialDevices();

}  // namespace pm
