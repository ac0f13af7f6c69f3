#pragma once
// The channel file (*.sin): the 2048 image bytes in offset order, nothing around them.

#include <filesystem>
#include <span>
#include <string>

#include "core/image/file_access.h"
#include "core/image/memory_image.h"

namespace pm {

/** Takes the image from file bytes; fewer than 2048 bytes is an unexpected format and leaves image alone. */
[[nodiscard]] FileOutcome ImageFromBytes(std::span<const std::uint8_t> bytes, Image& image);

/** Loads a channel file into image; on any failure image keeps every byte it had. */
[[nodiscard]] FileOutcome LoadChannelFile(const std::filesystem::path& path, Image& image);

/** Stores image with SaveFileAtomically. */
[[nodiscard]] FileOutcome SaveChannelFile(const std::filesystem::path& path, const Image& image);

}  // namespace pm
