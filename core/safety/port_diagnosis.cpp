#include "core/safety/port_diagnosis.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "core/link/port_names.h"
#include "core/link/usb_adapter.h"

namespace pm {
namespace {

namespace fs = std::filesystem;

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

/** The group's name and members; getgrgid_r because several transfers may explain at once. */
struct GroupInfo {
    std::string name;
    std::vector<std::string> members;
};

std::optional<GroupInfo> GroupOf(gid_t gid) {
    std::vector<char> buffer(16384);
    group g{};
    group* found = nullptr;
    while (getgrgid_r(gid, &g, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr) return std::nullopt;
    GroupInfo info{g.gr_name, {}};
    for (char** m = g.gr_mem; m != nullptr && *m != nullptr; ++m) info.members.emplace_back(*m);
    return info;
}

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return pw.pw_name;
}

bool ProcessHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int n = ::getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(n));
    const int got = ::getgroups(n, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

std::string JoinAdvice(const std::string& devicePath, const std::string& group) {
    return "Permission denied on " + devicePath + ": join the group '" + group + "' (sudo usermod -aG " +
           group + " $USER), then log out and in again.";
}

std::string ExplainPermission(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0) return JoinAdvice(devicePath, "dialout");
    const auto group = GroupOf(info.st_gid);
    // A device of group root says nothing about which group serial ports have here; dialout is the rule.
    if (!group || info.st_gid == 0) return JoinAdvice(devicePath, "dialout");
    if (ProcessHasGroup(info.st_gid)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return "Permission denied on " + devicePath + " although this program runs in its group '" +
               group->name + "': the device's mode " + mode +
               " does not let the group read and write it (sudo chmod g+rw " + devicePath + ").";
    }
    const std::string user = UserName();
    if (!user.empty() &&
        std::find(group->members.begin(), group->members.end(), user) != group->members.end()) {
        // The most common trap: usermod done, but this login still has the old group list.
        return "Permission denied on " + devicePath + ": you were added to the group '" + group->name +
               "' after this login started; log out and in again (or start a shell with: newgrp " +
               group->name + ").";
    }
    return JoinAdvice(devicePath, group->name);
}

std::string ExplainMissing(const std::string& first) {
    const auto devices = ListSerialDevices();
    std::string text = first;
    text += devices.empty() ? " No serial device was found on this machine."
                            : " Serial devices here: " + Join(devices) + ".";
    return text;
}

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

std::vector<PortHolder> FindPortHolders(const std::string& devicePath) {
    std::vector<PortHolder> holders;
    std::error_code ec;
    const auto target = fs::weakly_canonical(devicePath, ec);
    if (ec) return holders;
    const int ptsIndex = PtsIndex(target);
    // Processes come and go while we look: every step tolerates a directory that vanished.
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
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

namespace {

std::string ExplainCause(const std::string& devicePath, int error) {
    switch (error) {
        case 0:
            return {};
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return ExplainMissing("No such device: " + devicePath + ". Check that the cable is plugged in.");
        case EIO:
            // What COM1..COM4 give on a machine whose only serial port is a USB adapter.
            return ExplainMissing(devicePath + " has no serial port behind it.");
        case ENOTTY:
            return devicePath + " is not a serial port.";
        case EACCES:
        case EPERM:
            return ExplainPermission(devicePath);
        case EBUSY:
        case EWOULDBLOCK: {
            const auto holders = FindPortHolders(devicePath);
            std::string text = devicePath + " is already in use";
            if (!holders.empty()) {
                std::vector<std::string> who;
                for (const auto& h : holders) {
                    const std::string command = h.pid == ::getpid() ? "this program" : h.command;
                    who.push_back(command + " (process " + std::to_string(h.pid) + ")");
                }
                text += " by " + Join(who);
            } else {
                text += " by another program";
            }
            return text + ". Close it and try again.";
        }
        default:
            return devicePath + ": " + std::error_code(error, std::generic_category()).message();
    }
}

}  // namespace

std::string ExplainOpenFailure(const std::string& devicePath, int error, const fs::path& sysRoot) {
    std::string text = ExplainCause(devicePath, error);
    // With two cables plugged in, the driver's name tells which one this is. EIO is a built-in port
    // with no hardware behind it: naming its driver would only confuse.
    if (text.empty() || error == EIO) return text;
    const AdapterInfo adapter = FindAdapter(devicePath, sysRoot);
    if (!adapter.driver.empty()) text += " Device: " + AdapterName(adapter) + ".";
    return text;
}

std::string OpenFailureHelp(const LinkOutcome& outcome) {
    if (outcome.openError == 0) return {};
    return ExplainOpenFailure(outcome.device, outcome.openError);
}

}  // namespace pm
