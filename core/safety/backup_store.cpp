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
#include <unistd.h>
#include <vector>

namespace pm {
namespace {

constexpr std::string_view kPrefix = "radio-";

bool IsBackupName(const std::string& name) {
    return name.size() > kPrefix.size() + 4 && name.compare(0, kPrefix.size(), kPrefix) == 0 &&
           name.compare(name.size() - 4, 4, ".sin") == 0;
}

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
    if (out.size() > 40) out.resize(40);
    return out;
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

/** Removes the oldest backups beyond kBackupsKept; the one just written is always kept. */
void Prune(const std::filesystem::path& dir, const std::filesystem::path& newest) {
    struct Backup {
        std::string stamp;
        std::filesystem::file_time_type written;
        std::filesystem::path path;
    };
    std::error_code ec;
    std::vector<Backup> backups;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        const std::string name = it->path().filename().string();
        const std::string stamp = StampOf(name);
        if (stamp.empty() || !it->is_regular_file(e2) || it->path().filename() == newest.filename()) continue;
        backups.push_back({stamp, it->last_write_time(e2), it->path()});
    }
    if (backups.size() < kBackupsKept) return;
    // The name tells when the radio was read; a file's time can be anything (a copy, a clock set wrong).
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        if (a.stamp != b.stamp) return a.stamp < b.stamp;
        if (a.written != b.written) return a.written < b.written;
        return a.path.filename() < b.path.filename();
    });
    for (std::size_t i = 0; i + kBackupsKept - 1 < backups.size(); ++i)
        std::filesystem::remove(backups[i].path, ec);
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
    if (dir.empty()) {
        return {FileStatus::CannotWrite,
                "No home folder to keep backups in: set HOME or XDG_DATA_HOME, or name a backup folder."};
    }
    const std::string name = DisplayName(dir);
    if (const int error = MakeFolders(dir); error != 0) {
        return {FileStatus::CannotWrite, "Cannot create backup folder " + name + ": " + std::strerror(error)};
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        return {FileStatus::CannotWrite, "Cannot create backup folder " + name + ": not a folder"};
    }
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        return {FileStatus::CannotWrite,
                "Cannot write into backup folder " + name + ": " + std::strerror(errno)};
    }
    return {};
}

BackupOutcome StoreBackup(const std::filesystem::path& dir, const Image& image,
                          std::chrono::system_clock::time_point when, const std::string& tag) {
    // Radios programmed side by side back up into one folder: choosing a free name and pruning
    // must not interleave.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::error_code ec;
    if (FileOutcome ready = PrepareBackupDir(dir); !ready.ok()) return {std::move(ready), {}};
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    std::string base = std::string(kPrefix) + stamp;
    const std::string cleaned = CleanTag(tag);
    if (!cleaned.empty()) base += "-" + cleaned;
    std::filesystem::path path = dir / (base + ".sin");
    for (int n = 2; std::filesystem::exists(path, ec); ++n)
        path = dir / (base + "-" + std::to_string(n) + ".sin");
    BackupOutcome outcome{SaveChannelFile(path, image), path};
    if (outcome.file.ok()) Prune(dir, path);
    return outcome;
}

}  // namespace pm
