#include "core/image/file_access.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

namespace pm {
namespace {

namespace fs = std::filesystem;

std::string Describe(const fs::path& path, int error) {
    return DisplayName(path) + ": " + std::strerror(error);
}

FileOutcome SaveError(const fs::path& path, int error) {
    return {FileStatus::CannotWrite, "Cannot save file " + Describe(path, error)};
}

FileOutcome SaveRefused(const fs::path& path, const std::string& why) {
    return {FileStatus::CannotWrite, "Cannot save file " + DisplayName(path) + ": " + why};
}

/** Length of the UTF-8 sequence at text[i] that is printable, or 0. */
std::size_t PrintableSequence(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    // Overlong forms, surrogates and the C1 controls (which some terminals obey) are not printed raw.
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code < 0xA0)
        return 0;
    return length;
}

// ---- temporary files that a fatal signal must not leave behind -------------------------------------

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kSlots = 16;

/** Names of the temporary files being written, readable from a signal handler. */
struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a name to remove
    char name[PATH_MAX];
};
std::array<Slot, kSlots> g_slots;
std::mutex g_handlerMutex;
int g_saves = 0;
std::array<std::optional<struct sigaction>, 3> g_previous;

void RemoveTemporaryFilesAndDie(int signal) {
    for (Slot& slot : g_slots) {
        if (slot.state.load() == 2) ::unlink(slot.name);
    }
    // Only a signal that would have ended the process comes here: end it the same way.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

/** While one exists, a signal that would kill the process first removes the temporary files. */
class SignalCleanup {
  public:
    SignalCleanup() {
        const std::lock_guard lock(g_handlerMutex);
        if (g_saves++ > 0) return;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            struct sigaction old {};
            ::sigaction(kSignals[i], nullptr, &old);
            // A program that handles the signal itself (Ctrl+C as Cancel) is not ended by it.
            if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
            struct sigaction ours {};
            ours.sa_handler = RemoveTemporaryFilesAndDie;
            sigemptyset(&ours.sa_mask);
            for (const int s : kSignals) sigaddset(&ours.sa_mask, s);
            ::sigaction(kSignals[i], &ours, nullptr);
            g_previous[i] = old;
        }
    }
    ~SignalCleanup() {
        const std::lock_guard lock(g_handlerMutex);
        if (--g_saves > 0) return;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            if (!g_previous[i]) continue;
            struct sigaction now {};
            ::sigaction(kSignals[i], nullptr, &now);
            if (now.sa_handler == RemoveTemporaryFilesAndDie)
                ::sigaction(kSignals[i], &*g_previous[i], nullptr);
            g_previous[i].reset();
        }
    }
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
};

/** A temporary file in a folder, removed unless committed; its short name fits beside any target name. */
class TempFile {
  public:
    explicit TempFile(const fs::path& dir) {
        const std::string name = (dir / ".pm514rx-XXXXXX").string();
        if (name.size() >= PATH_MAX) {
            error_ = ENAMETOOLONG;
            return;
        }
        for (Slot& s : g_slots) {
            int expected = 0;
            if (s.state.compare_exchange_strong(expected, 1)) {
                slot_ = &s;
                break;
            }
        }
        if (slot_ == nullptr) {
            error_ = EAGAIN;  // more saves at once than anyone needs
            return;
        }
        std::memcpy(slot_->name, name.c_str(), name.size() + 1);
        // Marked before it exists: a signal during mkstemp removes at worst a name nobody holds.
        slot_->state.store(2);
        fd_ = ::mkostemp(slot_->name, O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            slot_->state.store(0);
            slot_ = nullptr;
        }
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (slot_ == nullptr) return;
        if (!committed_) ::unlink(slot_->name);
        slot_->state.store(0);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    [[nodiscard]] int Fd() const { return fd_; }
    [[nodiscard]] int Error() const { return error_; }
    /** Closes the file and renames it to target; errno value or 0. */
    int CommitAs(const fs::path& target) {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0) return errno;
        if (::rename(slot_->name, target.c_str()) != 0) return errno;
        committed_ = true;
        return 0;
    }

  private:
    Slot* slot_ = nullptr;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

// ---- where a save goes --------------------------------------------------------------------------------

/** What a save writes: the requested name with trusted links followed. */
struct Target {
    fs::path path;
    bool exists = false;
    struct stat info {};
    /** Reached only through a link the kernel makes up (/dev/stdout): written through the name asked for. */
    bool throughKernel = false;
};

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

/**
 * Follows links the way the kernel does in sticky world-writable folders: only a link that belongs to
 * the user or to the owner of its folder. Anything else could make us write where a stranger points.
 */
std::optional<FileOutcome> Resolve(const fs::path& requested, Target& target) {
    fs::path path = requested;
    for (int hops = 0;; ++hops) {
        if (hops > 40) return SaveError(requested, ELOOP);
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0) {
            if (errno != ENOENT) return SaveError(requested, errno);
            target.path = path;
            target.exists = false;
            break;
        }
        if (!S_ISLNK(link.st_mode)) {
            target.path = path;
            target.exists = true;
            target.info = link;
            break;
        }
        struct stat folder {};
        if (::stat(FolderOf(path).c_str(), &folder) != 0) return SaveError(requested, errno);
        if (link.st_uid != ::geteuid() && link.st_uid != folder.st_uid) {
            return SaveRefused(requested,
                               DisplayName(path) + " is a symbolic link of another user; it is not followed");
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) return SaveError(requested, ec.value());
        path = next.is_absolute() ? next : FolderOf(path) / next;
    }
    // The kernel may know better than the link's text: /dev/stdout leads to "pipe:[...]" or a terminal.
    struct stat real {};
    if (::stat(requested.c_str(), &real) == 0 &&
        (!target.exists || real.st_dev != target.info.st_dev || real.st_ino != target.info.st_ino)) {
        target.path = requested;
        target.exists = true;
        target.info = real;
        target.throughKernel = true;
    }
    return std::nullopt;
}

bool ReadOnly(const fs::path& path, const struct stat& info) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS)) {
        return true;
    }
    // root may write anything; a file that nobody may write is still meant to stay as it is.
    return ::geteuid() == 0 && (info.st_mode & 0222) == 0;
}

/** The refusals that come before anything is written; nullopt when the target can be saved. */
std::optional<FileOutcome> Refusal(const fs::path& requested, const Target& target) {
    if (!target.exists) return std::nullopt;
    const mode_t type = target.info.st_mode & S_IFMT;
    if (type == S_IFDIR) return SaveError(requested, EISDIR);
    if (type != S_IFREG && type != S_IFCHR) return SaveRefused(requested, "not a regular file");
    if (type == S_IFREG && target.throughKernel) return SaveRefused(requested, "not a regular file");
    if (type == S_IFREG && ReadOnly(target.path, target.info)) {
        return FileOutcome{FileStatus::ReadOnly,
                           "Cannot save file " + DisplayName(requested) + ": the file is read-only"};
    }
    return std::nullopt;
}

int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

/** Writes into the existing node itself: a device, or a file whose folder is closed to us. */
FileOutcome WriteInPlace(const fs::path& requested, const Target& target,
                         std::span<const std::uint8_t> bytes) {
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | (target.throughKernel ? 0 : O_NOFOLLOW);
    const int fd = ::open(target.path.c_str(), flags);
    if (fd < 0) return SaveError(requested, errno);
    struct stat opened {};
    int error = ::fstat(fd, &opened) != 0 ? errno : 0;
    // The node must still be the one that was checked: no one swapped it in the meantime.
    if (error == 0 && (opened.st_dev != target.info.st_dev || opened.st_ino != target.info.st_ino))
        error = EAGAIN;
    const bool regular = S_ISREG(opened.st_mode);
    if (error == 0) error = WriteAll(fd, bytes);
    if (error == 0 && regular && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) error = errno;
    if (error == 0 && regular && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? FileOutcome{} : SaveError(requested, error);
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (const std::size_t n = c >= 0x80 ? PrintableSequence(text, i) : 0; n > 0) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        out += escaped;
        ++i;
    }
    return out;
}

std::string DisplayName(const fs::path& path) {
    return EscapeControls(path.native());
}

FileOutcome ReadRegularFile(const fs::path& path, std::size_t limit, std::string& bytes) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {FileStatus::CannotOpen, "Cannot open file " + Describe(path, errno)};
    struct stat info {};
    const int statError = ::fstat(fd, &info) != 0 ? errno : 0;
    if (statError != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        if (statError != 0 || S_ISDIR(info.st_mode)) {
            return {FileStatus::CannotOpen,
                    "Cannot open file " + Describe(path, statError ? statError : EISDIR)};
        }
        return {FileStatus::CannotOpen, "Cannot open file " + DisplayName(path) + ": not a regular file"};
    }
    std::string text(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd, text.data() + got, limit - got);
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
    text.resize(got);
    bytes = std::move(text);
    return {};
}

FileOutcome CheckSavable(const fs::path& requested) {
    Target target;
    if (auto failed = Resolve(requested, target)) return *failed;
    if (auto refused = Refusal(requested, target)) return *refused;
    if (target.exists && !S_ISREG(target.info.st_mode)) {
        if (::access(target.path.c_str(), W_OK) != 0) return SaveError(requested, errno);
        return {};
    }
    const SignalCleanup cleanup;
    const TempFile probe(FolderOf(target.path));
    if (probe.Fd() >= 0) return {};
    // A folder closed to us still lets us write a writable file in place.
    if (target.exists && (probe.Error() == EACCES || probe.Error() == EPERM)) return {};
    return SaveError(requested, probe.Error());
}

FileOutcome SaveFileAtomically(const fs::path& requested, std::span<const std::uint8_t> bytes) {
    Target target;
    if (auto failed = Resolve(requested, target)) return *failed;
    if (auto refused = Refusal(requested, target)) return *refused;
    if (target.exists && !S_ISREG(target.info.st_mode)) return WriteInPlace(requested, target, bytes);

    const SignalCleanup cleanup;
    TempFile temp(FolderOf(target.path));
    if (temp.Fd() < 0) {
        if (target.exists && (temp.Error() == EACCES || temp.Error() == EPERM)) {
            return WriteInPlace(requested, target, bytes);
        }
        return SaveError(requested, temp.Error());
    }
    if (target.exists) {
        const struct stat& old = target.info;
        // The file stays its owner's; where we may not give it back (or keep a group we are not in), the
        // file is written in place rather than handed over to us. The owner thus never changes, and a
        // set-id bit is kept only together with the owner it was set for.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(temp.Fd(), old.st_uid, old.st_gid) != 0) {
            return WriteInPlace(requested, target, bytes);
        }
        if (::fchmod(temp.Fd(), old.st_mode & 07777) != 0) return SaveError(requested, errno);
    } else if (::fchmod(temp.Fd(), NewFileMode()) != 0) {
        return SaveError(requested, errno);
    }
    if (const int error = WriteAll(temp.Fd(), bytes); error != 0) return SaveError(requested, error);
    if (::fsync(temp.Fd()) != 0) return SaveError(requested, errno);
    if (const int error = temp.CommitAs(target.path); error != 0) return SaveError(requested, error);
    return {};
}

}  // namespace pm
