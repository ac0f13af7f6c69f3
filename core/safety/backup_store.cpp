#include "core/safety/backup_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <system_error>
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

void Prune(const std::filesystem::path& dir) {
    std::error_code ec;
    std::vector<std::filesystem::directory_entry> backups;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (it->is_regular_file(e2) && IsBackupName(it->path().filename().string())) backups.push_back(*it);
    }
    if (backups.size() <= kBackupsKept) return;
    // Names carry the time stamp first, so name order is age order within one folder.
    std::sort(backups.begin(), backups.end(), [](const auto& a, const auto& b) {
        std::error_code e1, e2;
        const auto ta = a.last_write_time(e1);
        const auto tb = b.last_write_time(e2);
        if (ta != tb) return ta < tb;
        return a.path().filename() < b.path().filename();
    });
    for (std::size_t i = 0; i + kBackupsKept < backups.size(); ++i)
        std::filesystem::remove(backups[i].path(), ec);
}

}  // namespace

std::filesystem::path DefaultBackupDir() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "share";
    }
    return base / "pm514rx" / "backups";
}

FileOutcome PrepareBackupDir(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return {FileStatus::CannotWrite, "Cannot create backup folder " + dir.string() + ": " + ec.message()};
    if (!std::filesystem::is_directory(dir, ec)) {
        return {FileStatus::CannotWrite, "Cannot create backup folder " + dir.string() + ": not a folder"};
    }
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        return {FileStatus::CannotWrite, "Cannot write into backup folder " + dir.string() + ": " +
                                             std::error_code(errno, std::generic_category()).message()};
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
    if (outcome.file.ok()) Prune(dir);
    return outcome;
}

}  // namespace pm
