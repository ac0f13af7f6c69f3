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

/** Whether PrepareBackupDir could succeed, without making anything: for before the radio is known to answer.
 */
[[nodiscard]] FileOutcome CheckBackupDir(const std::filesystem::path& dir);

/** Result of storing a backup: the file written, or why not. */
struct BackupOutcome {
    FileOutcome file;
    std::filesystem::path path;
};

/**
 * Stores image as DIR/radio-YYYYMMDD-HHMMSS[-TAG].sin (UTC), creating the folder. The file is created
 * only where the name is free (a numeric suffix, -2, -3 ..., takes the next free one), so backups made at
 * once by several threads or programs never share a file. Then removes the oldest backups of the folder
 * beyond kBackupsKept, by the time in their names; a name from the future counts as oldest, and neither
 * a file written in the last hour nor the one just stored is ever removed.
 * tag (e.g. the port's name) is kept whole in letters, digits, '-' and '_'; a very long one keeps its
 * start and a hash of the whole.
 */
[[nodiscard]] BackupOutcome StoreBackup(const std::filesystem::path& dir, const Image& image,
                                        std::chrono::system_clock::time_point when,
                                        const std::string& tag = "");

}  // namespace pm
