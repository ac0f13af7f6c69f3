#include "core/image/channel_file.h"

#include <algorithm>

namespace pm {

FileOutcome ImageFromBytes(std::span<const std::uint8_t> bytes, Image& image) {
    if (bytes.size() < kImageSize) {
        return {FileStatus::UnexpectedFormat, "Unexpected file format."};
    }
    std::copy_n(bytes.begin(), kImageSize, image.begin());
    return {};
}

FileOutcome LoadChannelFile(const std::filesystem::path& path, Image& image) {
    // Only the first 2048 bytes count; whatever follows in a longer file is ignored.
    std::string bytes;
    if (FileOutcome read = ReadRegularFile(path, kImageSize, bytes); !read.ok()) return read;
    if (bytes.size() < kImageSize) {
        return {FileStatus::UnexpectedFormat, DisplayName(path) + "\nUnexpected file format."};
    }
    std::transform(bytes.begin(), bytes.end(), image.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    return {};
}

FileOutcome SaveChannelFile(const std::filesystem::path& path, const Image& image) {
    return SaveFileAtomically(path, std::span<const std::uint8_t>(image.data(), image.size()));
}

}  // namespace pm
