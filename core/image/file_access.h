#pragma once
// Files the user names: read only when they are plain files, saved without following a stranger's link,
// without changing whose file it is, and named in messages without raw control characters.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace pm {

/** How loading or saving a file ended. */
enum class FileStatus {
    Ok,
    CannotOpen,        // missing, unreadable, or not a regular file
    UnexpectedFormat,  // read, but not what the reader expects
    CannotWrite,       // the save failed; the old file is as it was
    ReadOnly,          // the file exists and is read-only: nothing was written (offer Save As)
};

/** The outcome of a load or save, with the text to show when it failed. */
struct FileOutcome {
    FileStatus status = FileStatus::Ok;
    std::string message;
    [[nodiscard]] bool ok() const { return status == FileStatus::Ok; }
};

/** text with control characters and bytes that are not UTF-8 written as \xNN, safe to print anywhere. */
[[nodiscard]] std::string EscapeControls(std::string_view text);

/** A path as messages name it: EscapeControls of its bytes. */
[[nodiscard]] std::string DisplayName(const std::filesystem::path& path);

/**
 * Reads at most limit bytes of a regular file into bytes. Whatever else the name leads to (a FIFO, a
 * device, a socket, a folder) is refused at once and never waited on. Every reader of a user's file uses it.
 */
[[nodiscard]] FileOutcome ReadRegularFile(const std::filesystem::path& path, std::size_t limit,
                                          std::string& bytes);

/** Whether path could be saved now (the checks of SaveFileAtomically), without changing anything. */
[[nodiscard]] FileOutcome CheckSavable(const std::filesystem::path& path);

/**
 * Stores bytes at path. A symbolic link is followed only when it belongs to the user or to the owner of
 * its folder. A regular file is replaced through a temporary file beside it, keeping its mode, owner and
 * group, or written in place when the folder cannot take the temporary file or the owner could not be
 * kept; a character device (/dev/null, a terminal) is written in place; anything else is refused, and so
 * is a read-only file (FileStatus::ReadOnly). No temporary file outlives a failed or interrupted save.
 */
[[nodiscard]] FileOutcome SaveFileAtomically(const std::filesystem::path& path,
                                             std::span<const std::uint8_t> bytes);

}  // namespace pm
