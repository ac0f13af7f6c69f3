#pragma once
// A second line for a port that cannot be opened: why, and what the user can do about it.

#include <filesystem>
#include <string>
#include <vector>

#include "core/link/port_holders.h"
#include "core/link/session_host.h"

namespace pm {

/**
 * Explains an open failure of devicePath with errno error: no such device (and which serial devices
 * exist), permission denied (with the device's group and the command to join it), already in use (by
 * which process when that can be found), not a serial port; then the adapter, as sysfs under sysRoot
 * names it. Empty when there is nothing useful to add.
 */
[[nodiscard]] std::string ExplainOpenFailure(const std::string& devicePath, int error,
                                             const std::filesystem::path& sysRoot = "/sys");

/** The explanation for an exchange that ended because its port did not open; empty otherwise. */
[[nodiscard]] std::string OpenFailureHelp(const LinkOutcome& outcome);

}  // namespace pm
