#pragma once
// Who else has a serial device open: programs that take no lock (a terminal program, a stray cat) would
// share the line with a transfer and break it.

#include <filesystem>
#include <string>
#include <vector>

namespace pm {

/** A process (pid and command name) that holds a device open. */
struct PortHolder {
    int pid;
    std::string command;
};

/**
 * Processes that hold devicePath open, found through /proc; may be empty. The far end of a pseudo-terminal
 * (the process holding its master side, such as the virtual radio) does not count. Processes whose
 * descriptors we may not see (another user's, unless we are root) are not found.
 */
[[nodiscard]] std::vector<PortHolder> FindPortHolders(const std::string& devicePath,
                                                      const std::filesystem::path& procRoot = "/proc");

/** FindPortHolders without this process: within it every opener goes through the port's lock. */
[[nodiscard]] std::vector<PortHolder> OtherPortHolders(const std::string& devicePath);

}  // namespace pm
