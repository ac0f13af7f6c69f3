#pragma once
// Time-stamped copies of a radio's memory, kept before it is overwritten.

#include <chrono>
#include <filesystem>
#include <string>

#include "core/image/channel_file.h"
#include "core/image/memory_image.h"

namespace pm {

/** How many backups a folder keeps; the oldest go first. */
inline constexpr std::size_t kBackupsKept = 50;

/**
 * $XDG_DATA_HOME/pm514rx/backups, else ~/.local/share/pm514rx/backups (the desktop's data folder); empty
 * when there is no home folder to put it in (never a shared folder such as /tmp).
 */
[[nodiscard]] std::filesystem::path DefaultBackupDir();

/** Creates dir (0700) when missing; fails when it is empty or cannot hold backups, so nothing is read in
 * vain. */
[[nodiscard]] FileOutcome PrepareBackupDir(const std::filesystem::path& dir);

/** Result of storing a backup: the file written, or why not. */
struct BackupOutcome {
    FileOutcome file;
    std::filesystem::path path;
};

/**
 * Stores image as DIR/radio-YYYYMMDD-HHMMSS[-TAG].sin (UTC; a numeric suffix keeps names unique),
 * creating the folder, then removes all but the newest kBackupsKept backups of the folder (by the time in
 * their names; the one just stored is always kept).
 * tag (e.g. the port's name) is reduced to letters, digits, '-' and '_'. Safe from several threads.
 */
[[nodiscard]] BackupOutcome StoreBackup(const std::filesystem::path& dir, const Image& image,
                                        std::chrono::system_clock::time_point when,
                                        const std::string& tag = "");

}  // namespace pm
