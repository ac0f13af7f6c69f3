#pragma once
// Files the user names: read only when they are plain files, saved without following a stranger's link
// anywhere in the path, without changing whose file it is or who may read it, and named in messages
// without raw control characters. A name is resolved once, part by part from a folder's descriptor; what
// is checked is what is written.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
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

/** Length of the well-formed UTF-8 sequence at text[i] (1 for ASCII), its code point in code; 0 when the
 * bytes there are not UTF-8 (overlong forms and surrogates included). */
[[nodiscard]] std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, std::uint32_t& code);

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
 * Stores bytes at path. A symbolic link, in any part of the path, is followed only when it belongs to the
 * user or to the owner of its folder. A regular file is replaced through a temporary file beside it,
 * keeping its mode, owner, group, access control list and extended attributes; where the folder cannot
 * take the temporary file or any of these cannot be kept, the file is written in place, its old bytes
 * kept until the new ones are all on disk. A character device (/dev/null, a terminal) is written in
 * place, only when the name still leads to the device that was checked; anything else is refused, and so
 * is a read-only file (FileStatus::ReadOnly). A failed or interrupted save (a full disk, a fatal signal)
 * leaves the old file as it was and no temporary file behind.
 */
[[nodiscard]] FileOutcome SaveFileAtomically(const std::filesystem::path& path,
                                             std::span<const std::uint8_t> bytes);

/**
 * Creates path with bytes (mode 0600) only when the name is free: two callers never get the same file.
 * taken tells that the name exists already.
 */
[[nodiscard]] FileOutcome CreateNewFile(const std::filesystem::path& path,
                                        std::span<const std::uint8_t> bytes, bool& taken);

/** Where a save stands when the test hook is called. */
enum class SaveStep {
    Checked,  // the name was resolved and checked; nothing written yet
    Written,  // the new bytes are on disk (in a temporary file, or in place after the old ones), not yet
              // in the file's place
};
/** Lets a test change the world at the worst moment of every save (a swapped name, a signal). */
void SetSaveHookForTest(std::function<void(SaveStep)> hook);

}  // namespace pm
