#include "core/link/port_holders.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace pm {
namespace {

namespace fs = std::filesystem;

/** The pseudo-terminal index of a /dev/pts/N path, or -1. */
int PtsIndex(const fs::path& path) {
    if (path.parent_path() != "/dev/pts") return -1;
    const std::string name = path.filename().string();
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(name);
}

/** True when the descriptor fd of process dir is the master side of pseudo-terminal index. */
bool IsMasterOf(const fs::path& procDir, const std::string& fd, int index) {
    std::ifstream in(procDir / "fdinfo" / fd);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("tty-index:", 0) == 0) {
            const std::string value = line.substr(10);
            const auto digits = value.find_first_of("0123456789");
            if (digits == std::string::npos) return false;
            const std::string number =
                value.substr(digits, value.find_first_not_of("0123456789", digits) - digits);
            return number.size() <= 9 && std::stoi(number) == index;
        }
    }
    return false;
}

}  // namespace

std::vector<PortHolder> FindPortHolders(const std::string& devicePath, const fs::path& procRoot) {
    std::vector<PortHolder> holders;
    std::error_code ec;
    const auto target = fs::weakly_canonical(devicePath, ec);
    if (ec) return holders;
    const int ptsIndex = PtsIndex(target);
    // Processes come and go while we look: every step tolerates a directory that vanished.
    for (fs::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& proc = *it;
        const std::string name = proc.path().filename().string();
        if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        bool holds = false;
        bool farEnd = false;
        std::error_code e2;
        for (fs::directory_iterator fds(proc.path() / "fd", e2), last; !e2 && fds != last;
             fds.increment(e2)) {
            const fs::directory_entry& fd = *fds;
            std::error_code e3;
            const auto link = fs::read_symlink(fd.path(), e3);
            if (e3) continue;
            if (link == target) holds = true;
            // A virtual radio holds its terminal's slave side open too; it is the far end, not a rival.
            if (ptsIndex >= 0 && link.filename() == "ptmx" &&
                IsMasterOf(proc.path(), fd.path().filename().string(), ptsIndex)) {
                farEnd = true;
            }
        }
        if (!holds || farEnd) continue;
        std::string command;
        std::getline(std::ifstream(proc.path() / "comm"), command);
        holders.push_back({std::stoi(name), command});
    }
    return holders;
}

std::vector<PortHolder> OtherPortHolders(const std::string& devicePath) {
    std::vector<PortHolder> holders = FindPortHolders(devicePath);
    std::erase_if(holders, [](const PortHolder& h) { return h.pid == ::getpid(); });
    return holders;
}

}  // namespace pm
