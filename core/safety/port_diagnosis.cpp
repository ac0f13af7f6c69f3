#include "core/safety/port_diagnosis.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace pm {
namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

}  // namespace

std::vector<std::string> ListSerialDevices() {
    std::vector<std::string> devices;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
        const std::string name = entry.path().filename().string();
        if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM")) devices.push_back(entry.path().string());
    }
    // Every machine has /dev/ttyS0..31 nodes; only those with a driver behind them are real ports.
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/tty", ec)) {
        const std::string name = entry.path().filename().string();
        if (!StartsWith(name, "ttyS")) continue;
        std::error_code e2;
        const auto type = entry.path() / "type";
        std::ifstream in(type);
        int value = 0;
        if (in >> value && value != 0 && std::filesystem::exists("/dev/" + name, e2)) devices.push_back("/dev/" + name);
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

std::vector<PortHolder> FindPortHolders(const std::string& devicePath) {
    std::vector<PortHolder> holders;
    std::error_code ec;
    const auto target = std::filesystem::weakly_canonical(devicePath, ec);
    if (ec) return holders;
    for (const auto& proc : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = proc.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code e2;
        for (const auto& fd : std::filesystem::directory_iterator(proc.path() / "fd", e2)) {
            std::error_code e3;
            const auto link = std::filesystem::read_symlink(fd.path(), e3);
            if (!e3 && link == target) {
                std::string command;
                std::ifstream(proc.path() / "comm") >> command;
                holders.push_back({std::stoi(name), command});
                break;
            }
        }
    }
    return holders;
}

std::string ExplainOpenFailure(const std::string& devicePath, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO: {
            const auto devices = ListSerialDevices();
            std::string text = "No such device: " + devicePath + ". Check that the cable is plugged in.";
            text += devices.empty() ? " No serial device was found on this machine."
                                    : " Serial devices here: " + Join(devices) + ".";
            return text;
        }
        case EACCES:
        case EPERM: {
            struct stat info {};
            std::string groupName;
            if (::stat(devicePath.c_str(), &info) == 0) {
                if (const struct group* g = ::getgrgid(info.st_gid)) groupName = g->gr_name;
            }
            if (groupName.empty() || groupName == "root") groupName = "dialout";
            return "Permission denied on " + devicePath + ": join the group '" + groupName +
                   "' (sudo usermod -aG " + groupName + " $USER), then log out and in again.";
        }
        case EBUSY:
        case EWOULDBLOCK: {
            const auto holders = FindPortHolders(devicePath);
            std::string text = devicePath + " is already in use";
            if (!holders.empty()) {
                std::vector<std::string> who;
                for (const auto& h : holders) who.push_back(h.command + " (process " + std::to_string(h.pid) + ")");
                text += " by " + Join(who);
            } else {
                text += " by another program";
            }
            return text + ". Close it and try again.";
        }
        default:
            return devicePath + ": " + std::strerror(error);
    }
}

}  // namespace pm
