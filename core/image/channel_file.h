#pragma once
// The channel file (*.sin): the 2048 image bytes in offset order, nothing around them.

#include <filesystem>
#include <span>
#include <string>

#include "core/image/memory_image.h"

namespace pm {

/** How loading or saving a channel file ended. */
enum class FileStatus { Ok, CannotOpen, UnexpectedFormat, CannotWrite };

/** The outcome of a load or save, with the text to show when it failed. */
struct FileOutcome {
    FileStatus status = FileStatus::Ok;
    std::string message;
    [[nodiscard]] bool ok() const { return status == FileStatus::Ok; }
};

/** Takes the image from file bytes; fewer than 2048 bytes is an unexpected format and leaves image alone. */
[[nodiscard]] FileOutcome ImageFromBytes(std::span<const std::uint8_t> bytes, Image& image);

/** Loads a channel file into image; on any failure image keeps every byte it had. */
[[nodiscard]] FileOutcome LoadChannelFile(const std::filesystem::path& path, Image& image);

/** Stores image atomically: a temporary file beside the target, flushed, then renamed over it. */
[[nodiscard]] FileOutcome SaveChannelFile(const std::filesystem::path& path, const Image& image);

/** Writes any bytes atomically the same way; for the other files we produce (CSV, backups). */
[[nodiscard]] FileOutcome SaveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace pm
