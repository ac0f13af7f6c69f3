#include "core/safety/port_diagnosis.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/image/file_access.h"
#include "core/link/port_holders.h"
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

std::string ExplainPermission(const std::string& devicePath, const std::string& shown) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0) return JoinAdvice(shown, "dialout");
    // A pseudo-terminal opens for its owner only; no group helps there.
    if (S_ISCHR(info.st_mode) && major(info.st_rdev) >= 136 && major(info.st_rdev) <= 143) {
        passwd* owner = nullptr;
        std::vector<char> buffer(16384);
        passwd pw{};
        const bool named = getpwuid_r(info.st_uid, &pw, buffer.data(), buffer.size(), &owner) == 0 && owner;
        return "Permission denied on " + shown + ": it is a pseudo-terminal of " +
               (named ? std::string("user '") + owner->pw_name + "'"
                      : "user " + std::to_string(info.st_uid)) +
               ", and only its owner may open it.";
    }
    const auto group = GroupOf(info.st_gid);
    // A device of group root says nothing about which group serial ports have here; dialout is the rule.
    if (!group || info.st_gid == 0) return JoinAdvice(shown, "dialout");
    if (ProcessHasGroup(info.st_gid)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return "Permission denied on " + shown + " although this program runs in its group '" + group->name +
               "': the device's mode " + mode +
               " does not let the group read and write it (sudo chmod g+rw " + shown + ").";
    }
    const std::string user = UserName();
    if (!user.empty() &&
        std::find(group->members.begin(), group->members.end(), user) != group->members.end()) {
        // The most common trap: usermod done, but this login still has the old group list.
        return "Permission denied on " + shown + ": you were added to the group '" + group->name +
               "' after this login started; log out and in again (or start a shell with: newgrp " +
               group->name + ").";
    }
    return JoinAdvice(shown, group->name);
}

std::string ExplainMissing(const std::string& first) {
    const auto devices = ListSerialDevices();
    std::string text = first;
    text += devices.empty() ? " No serial device was found on this machine."
                            : " Serial devices here: " + Join(devices) + ".";
    return text;
}

std::string ExplainCause(const std::string& devicePath, int error) {
    // A device name can hold anything, terminal escapes included.
    const std::string shown = EscapeControls(devicePath);
    switch (error) {
        case 0:
            return {};
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return ExplainMissing("No such device: " + shown + ". Check that the cable is plugged in.");
        case EIO:
            // What COM1..COM4 give on a machine whose only serial port is a USB adapter.
            return ExplainMissing(shown + " has no serial port behind it.");
        case ENOTTY:
            return shown + " is not a serial port.";
        case EACCES:
        case EPERM:
            return ExplainPermission(devicePath, shown);
        case EBUSY:
        case EWOULDBLOCK: {
            const auto holders = FindPortHolders(devicePath);
            std::string text = shown + " is already in use";
            if (!holders.empty()) {
                std::vector<std::string> who;
                for (const auto& h : holders) {
                    const std::string command =
                        h.pid == ::getpid() ? "this program" : EscapeControls(h.command);
                    who.push_back(command + " (process " + std::to_string(h.pid) + ")");
                }
                text += " by " + Join(who);
            } else {
                text += " by another program";
            }
            return text + ". Close it and try again.";
        }
        default:
            return shown + ": " + std::error_code(error, std::generic_category()).message();
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
