#include "core/safety/backup_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <ctime>
#include <mutex>
#include <span>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace pm {
namespace {

constexpr std::string_view kPrefix = "radio-";

bool IsBackupName(const std::string& name) {
    return name.size() > kPrefix.size() + 4 && name.compare(0, kPrefix.size(), kPrefix) == 0 &&
           name.compare(name.size() - 4, 4, ".sin") == 0;
}

/**
 * The port's whole name in letters, digits, '-' and '_'. Names of one make (/dev/serial/by-id/usb-...)
 * differ only at their end, so a name too long for a file keeps its start and a hash of the whole.
 */
std::string CleanTag(const std::string& tag) {
    std::string out;
    for (char c : tag) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '_';
        if (keep)
            out += c;
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.front() == '_') out.erase(out.begin());
    constexpr std::size_t kLongest = 100;
    if (out.size() > kLongest) {
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (const char c : tag) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", hash);
        out = out.substr(0, kLongest - 9) + "-" + hex;
    }
    return out;
}

std::string Stamp(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    return stamp;
}

/** The time stamp of a backup's name ("YYYYMMDD-HHMMSS"), or "" for a name we did not give. */
std::string StampOf(const std::string& name) {
    if (!IsBackupName(name) || name.size() < kPrefix.size() + 15 + 4) return {};
    const std::string stamp = name.substr(kPrefix.size(), 15);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (i == 8 ? stamp[i] != '-' : !digit) return {};
    }
    return stamp;
}

/**
 * Removes the oldest backups beyond kBackupsKept, oldest by the time in their names. A name from the
 * future counts as the oldest (a clock set wrong, or planted), and a file written in the last hour is
 * never removed, nor the one just stored: names alone cannot make real backups prune each other.
 */
void Prune(const std::filesystem::path& dir, const std::filesystem::path& newest,
           std::chrono::system_clock::time_point when) {
    struct Backup {
        bool future;
        std::string stamp;
        std::filesystem::path path;
    };
    const std::string latest = Stamp(when + std::chrono::hours(24));
    const std::time_t recent = std::time(nullptr) - 3600;
    std::error_code ec;
    std::vector<Backup> backups;
    std::size_t kept = 0;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string stamp = StampOf(name);
        struct stat info {};
        if (stamp.empty() || ::lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (it->path().filename() == newest.filename() || info.st_mtime >= recent) {
            ++kept;
            continue;
        }
        backups.push_back({stamp > latest, stamp, it->path()});
    }
    if (backups.size() + kept <= kBackupsKept) return;
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        return std::tie(b.future, a.stamp, a.path) < std::tie(a.future, b.stamp, b.path);
    });
    const std::size_t surplus = std::min(backups.size(), backups.size() + kept - kBackupsKept);
    for (std::size_t i = 0; i < surplus; ++i) std::filesystem::remove(backups[i].path, ec);
}

/** The user's home folder: $HOME, else the account's; empty when neither is an existing folder. */
std::filesystem::path HomeFolder() {
    std::error_code ec;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/' && std::filesystem::is_directory(home, ec)) return home;
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        pw.pw_dir != nullptr && *pw.pw_dir == '/' && std::filesystem::is_directory(pw.pw_dir, ec)) {
        return pw.pw_dir;
    }
    return {};
}

/** mkdir -p with mode 0700 for every folder made: backups are nobody else's business. */
int MakeFolders(const std::filesystem::path& dir) {
    std::filesystem::path path;
    for (const auto& part : dir) {
        path /= part;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

}  // namespace

std::filesystem::path DefaultBackupDir() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/') return std::filesystem::path(data) / "pm514rx" / "backups";
    const std::filesystem::path home = HomeFolder();
    if (home.empty()) return {};
    return home / ".local" / "share" / "pm514rx" / "backups";
}

FileOutcome PrepareBackupDir(const std::filesystem::path& dir) {
    if (FileOutcome possible = CheckBackupDir(dir); !possible.ok()) return possible;
    if (const int error = MakeFolders(dir); error != 0) {
        return {FileStatus::CannotWrite,
                "Cannot create backup folder " + DisplayName(dir) + ": " + std::strerror(error)};
    }
    return CheckBackupDir(dir);
}

FileOutcome CheckBackupDir(const std::filesystem::path& dir) {
    if (dir.empty()) {
        return {FileStatus::CannotWrite,
                "No home folder to keep backups in: set HOME or XDG_DATA_HOME, or name a backup folder."};
    }
    const std::string name = DisplayName(dir);
    // The folder, or the nearest folder above it that exists, which will hold the ones to make.
    std::filesystem::path existing = dir;
    struct stat info {};
    while (::stat(existing.c_str(), &info) != 0) {
        const int error = errno;
        const std::filesystem::path parent = existing.parent_path();
        if (error != ENOENT || parent == existing || existing == ".") {
            return {FileStatus::CannotWrite,
                    "Cannot create backup folder " + name + ": " + std::strerror(error)};
        }
        existing = parent.empty() ? std::filesystem::path(".") : parent;
    }
    if (!S_ISDIR(info.st_mode)) {
        return {FileStatus::CannotWrite, "Cannot create backup folder " + name + ": not a folder"};
    }
    if (::access(existing.c_str(), W_OK | X_OK) != 0) {
        const char* doing =
            existing == dir ? "Cannot write into backup folder " : "Cannot create backup folder ";
        return {FileStatus::CannotWrite, doing + name + ": " + std::strerror(errno)};
    }
    return {};
}

BackupOutcome StoreBackup(const std::filesystem::path& dir, const Image& image,
                          std::chrono::system_clock::time_point when, const std::string& tag) {
    // Radios programmed side by side back up into one folder: choosing a free name and pruning
    // must not interleave.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    if (FileOutcome ready = PrepareBackupDir(dir); !ready.ok()) return {std::move(ready), {}};
    std::string base = std::string(kPrefix) + Stamp(when);
    const std::string cleaned = CleanTag(tag);
    if (!cleaned.empty()) base += "-" + cleaned;
    // Created only where the name is free, so that another program backing up a radio at the same
    // second never gets the same file: the next number is tried instead.
    for (int n = 1; n < 1000; ++n) {
        const std::filesystem::path path = dir / (base + (n == 1 ? "" : "-" + std::to_string(n)) + ".sin");
        bool taken = false;
        BackupOutcome outcome{
            CreateNewFile(path, std::span<const std::uint8_t>(image.data(), image.size()), taken), path};
        if (taken) continue;
        if (outcome.file.ok()) Prune(dir, path, when);
        return outcome;
    }
    return {{FileStatus::CannotWrite,
             "Cannot save file " + DisplayName(dir / (base + ".sin")) + ": " + std::strerror(EEXIST)},
            {}};
}

}  // namespace pm
