#include "core/image/channel_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace pm {
namespace {

std::string Describe(const std::filesystem::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

std::string UnexpectedFormat(const std::filesystem::path& path) {
    return path.string() + "\nUnexpected file format.";
}

}  // namespace

FileOutcome ImageFromBytes(std::span<const std::uint8_t> bytes, Image& image) {
    if (bytes.size() < kImageSize) {
        return {FileStatus::UnexpectedFormat, "Unexpected file format."};
    }
    std::copy_n(bytes.begin(), kImageSize, image.begin());
    return {};
}

FileOutcome LoadChannelFile(const std::filesystem::path& path, Image& image) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {FileStatus::CannotOpen, "Cannot open file " + Describe(path, errno)};
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return {FileStatus::CannotOpen, "Cannot open file " + Describe(path, EISDIR)};
    }
    // Only the first 2048 bytes count; whatever follows in a longer file is ignored.
    std::vector<std::uint8_t> bytes(kImageSize);
    std::size_t got = 0;
    while (got < kImageSize) {
        const ssize_t n = ::read(fd, bytes.data() + got, kImageSize - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return {FileStatus::CannotOpen, "Cannot read file " + Describe(path, error)};
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got < kImageSize) {
        return {FileStatus::UnexpectedFormat, UnexpectedFormat(path)};
    }
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return {};
}

namespace {

FileOutcome WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {FileStatus::CannotWrite, "Cannot save file " + Describe(path, errno)};
        }
        done += static_cast<std::size_t>(n);
    }
    return {};
}

// A device or a pipe (/dev/null, a FIFO) is written in place: renaming over it would replace the node.
FileOutcome WriteInPlace(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {FileStatus::CannotWrite, "Cannot save file " + Describe(path, errno)};
    FileOutcome outcome = WriteAll(fd, bytes, path);
    ::close(fd);
    return outcome;
}

}  // namespace

FileOutcome SaveFileAtomically(const std::filesystem::path& requested, std::span<const std::uint8_t> bytes) {
    // Through a symbolic link the file it points to is replaced; the link stays a link.
    std::filesystem::path path = requested;
    std::error_code ec;
    if (std::filesystem::is_symlink(requested, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(requested, ec);
        if (!ec) path = resolved;
    }
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            return {FileStatus::CannotWrite, "Cannot save file " + Describe(requested, EISDIR)};
        }
        if (!S_ISREG(existing.st_mode)) return WriteInPlace(path, bytes);
    }
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string templ = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return {FileStatus::CannotWrite, "Cannot save file " + Describe(path, errno)};
    }
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(name.data());
        return FileOutcome{FileStatus::CannotWrite, "Cannot save file " + Describe(path, error)};
    };
    // Keep the permissions of a file we replace; a new one gets the usual 0666 less umask.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (const FileOutcome written = WriteAll(fd, bytes, path); !written.ok()) {
        ::close(fd);
        ::unlink(name.data());
        return written;
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.data());
        return {FileStatus::CannotWrite, "Cannot save file " + Describe(path, error)};
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(name.data());
        return {FileStatus::CannotWrite, "Cannot save file " + Describe(path, error)};
    }
    return {};
}

FileOutcome SaveChannelFile(const std::filesystem::path& path, const Image& image) {
    return SaveFileAtomically(path, std::span<const std::uint8_t>(image.data(), image.size()));
}

}  // namespace pm
