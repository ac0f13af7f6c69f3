#include "core/image/file_access.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

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
    std::uint32_t code = 0;
    const std::size_t length = Utf8SequenceAt(text, i, code);
    // ASCII has its own rule; the C1 controls (which some terminals obey) are not printed raw.
    return length < 2 || code < 0xA0 ? 0 : length;
}

// ---- what a fatal signal must undo --------------------------------------------------------------------

/** The signals that end the program by default and can be caught. */
const std::vector<int>& FatalSignals() {
    static const std::vector<int> signals = [] {
        std::vector<int> s = {SIGHUP,  SIGINT,  SIGQUIT,   SIGTERM, SIGPIPE, SIGALRM,   SIGUSR1, SIGUSR2,
                              SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGSTKFLT, SIGPWR};
        for (int rt = SIGRTMIN; rt <= SIGRTMAX; ++rt) s.push_back(rt);
        return s;
    }();
    return signals;
}

constexpr std::size_t kSlots = 16;

/** A temporary file to remove, or a file written in place to cut back to its old length. */
struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 armed
    int dir = -1;
    char name[NAME_MAX + 1];  // the temporary file in dir, or ""
    int file = -1;            // the file written in place, or -1
    off_t length = 0;         // its length before
};
std::array<Slot, kSlots> g_slots;
std::mutex g_handlerMutex;
int g_saves = 0;
std::array<std::optional<struct sigaction>, NSIG> g_previous;
std::function<void(SaveStep)> g_hook;

void Step(SaveStep step) {
    if (g_hook) g_hook(step);
}

void UndoAndDie(int signal) {
    for (Slot& slot : g_slots) {
        if (slot.state.load() != 2) continue;
        if (slot.name[0] != '\0') ::unlinkat(slot.dir, slot.name, 0);
        if (slot.file >= 0 && ::ftruncate(slot.file, slot.length) == 0) ::fsync(slot.file);
    }
    // Only a signal that would have ended the process comes here: end it the same way.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

Slot* TakeSlot() {
    for (Slot& s : g_slots) {
        int expected = 0;
        if (s.state.compare_exchange_strong(expected, 1)) return &s;
    }
    return nullptr;
}

void FreeSlot(Slot*& slot) {
    if (slot == nullptr) return;
    slot->state.store(0);
    slot->name[0] = '\0';
    slot->file = -1;
    slot = nullptr;
}

/** While one exists, a signal that would kill the process first undoes what a save left half done. */
class SignalCleanup {
  public:
    SignalCleanup() {
        const std::lock_guard lock(g_handlerMutex);
        if (g_saves++ > 0) return;
        for (const int signal : FatalSignals()) {
            struct sigaction old {};
            ::sigaction(signal, nullptr, &old);
            // A program that handles the signal itself (Ctrl+C as Cancel) or ignores it is not ended by it.
            if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
            struct sigaction ours {};
            ours.sa_handler = UndoAndDie;
            sigfillset(&ours.sa_mask);
            ::sigaction(signal, &ours, nullptr);
            g_previous[static_cast<std::size_t>(signal)] = old;
        }
    }
    ~SignalCleanup() {
        const std::lock_guard lock(g_handlerMutex);
        if (--g_saves > 0) return;
        for (const int signal : FatalSignals()) {
            auto& previous = g_previous[static_cast<std::size_t>(signal)];
            if (!previous) continue;
            struct sigaction now {};
            ::sigaction(signal, nullptr, &now);
            if (now.sa_handler == UndoAndDie) ::sigaction(signal, &*previous, nullptr);
            previous.reset();
        }
    }
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
};

/** Holds the fatal signals back while a step that must not be cut in two runs. */
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : FatalSignals()) sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t old_;
};

/** A descriptor that closes itself. */
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    [[nodiscard]] int Get() const { return fd_; }
    [[nodiscard]] bool Valid() const { return fd_ >= 0; }
    int Close() {
        const int fd = std::exchange(fd_, -1);
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

  private:
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int fd_;
};

/** A temporary file in a folder, removed unless committed; its short name fits beside any target name. */
class TempFile {
  public:
    explicit TempFile(int dir) : dir_(dir) {
        slot_ = TakeSlot();
        if (slot_ == nullptr) {
            error_ = EAGAIN;  // more saves at once than anyone needs
            return;
        }
        slot_->dir = dir;
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            const unsigned mix = static_cast<unsigned>(::getpid()) * 2654435761u ^
                                 static_cast<unsigned>(std::time(nullptr)) ^ (counter++ * 40503u);
            std::snprintf(slot_->name, sizeof slot_->name, ".pm514rx-%06x", mix & 0xFFFFFFu);
            // Armed before it exists: a signal now removes at worst a name nobody holds.
            slot_->state.store(2);
            fd_ = ::openat(dir, slot_->name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd_ >= 0) return;
            error_ = errno;
            slot_->state.store(1);
            if (error_ != EEXIST) break;
        }
        FreeSlot(slot_);
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (slot_ == nullptr) return;
        if (!committed_) ::unlinkat(dir_, slot_->name, 0);
        FreeSlot(slot_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    [[nodiscard]] int Fd() const { return fd_; }
    [[nodiscard]] int Error() const { return error_; }
    /** Closes the file and renames it to leaf in the same folder; errno value or 0. */
    int CommitAs(const std::string& leaf) {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0) return errno;
        if (::renameat(dir_, slot_->name, dir_, leaf.c_str()) != 0) return errno;
        committed_ = true;
        return 0;
    }

  private:
    int dir_;
    Slot* slot_ = nullptr;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

// ---- where a name leads -------------------------------------------------------------------------------

/** A user's name resolved once: the folder that holds the last part, and what that part is. */
struct Resolved {
    Fd dir;
    std::string leaf;
    bool exists = false;
    struct stat info {};
    /** The last part is a link the kernel makes up (/dev/stdout, /proc/self/fd/1): only it may follow. */
    bool kernelLink = false;
};

/** Why a name could not be resolved: an errno value, or the link of another user met on the way. */
struct Unresolved {
    int error = 0;
    fs::path strangersLink;
};

std::vector<std::string> Parts(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // "folder/" names the folder itself.
    if (!text.empty() && text.back() == '/') parts.emplace_back(".");
    return parts;
}

bool OnProcFs(int dir) {
    // linux/magic.h's PROC_SUPER_MAGIC, spelt out: the core also builds where that header is missing.
    constexpr unsigned long kProcSuperMagic = 0x9fa0;
    struct statfs fs {};
    return ::fstatfs(dir, &fs) == 0 && static_cast<unsigned long>(fs.f_type) == kProcSuperMagic;
}

/**
 * Walks the name part by part from a folder's descriptor, never letting the system follow a link: a link
 * is followed here, and only when it belongs to the user or to the owner of its folder (the kernel's rule
 * for sticky world-writable folders, applied to every part). What was checked is then what is written.
 */
std::optional<Unresolved> Resolve(const fs::path& requested, Resolved& out) {
    const std::string& text = requested.native();
    if (text.empty()) return Unresolved{ENOENT, {}};
    std::deque<std::string> pending;
    for (std::string& part : Parts(text)) pending.push_back(std::move(part));
    if (pending.empty()) pending.emplace_back(".");  // "/"
    Fd dir(::open(text.front() == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) return Unresolved{errno, {}};
    fs::path walked = text.front() == '/' ? fs::path("/") : fs::path();
    int links = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.front());
        pending.pop_front();
        const bool last = pending.empty();
        if (part == "." && !last) continue;
        Fd node(::openat(dir.Get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!node.Valid()) {
            if (errno == ENOENT && last) {
                out.dir = std::move(dir);
                out.leaf = part;
                out.exists = false;
                return std::nullopt;
            }
            return Unresolved{errno, {}};
        }
        struct stat info {};
        if (::fstat(node.Get(), &info) != 0) return Unresolved{errno, {}};
        if (S_ISLNK(info.st_mode)) {
            struct stat folder {};
            if (::fstat(dir.Get(), &folder) != 0) return Unresolved{errno, {}};
            if (info.st_uid != ::geteuid() && info.st_uid != folder.st_uid)
                return Unresolved{0, walked / part};
            if (++links > 40) return Unresolved{ELOOP, {}};
            if (last && OnProcFs(dir.Get())) {
                // Its text ("pipe:[12]", a deleted file) may lead nowhere: the kernel knows where it goes.
                if (::fstatat(dir.Get(), part.c_str(), &info, 0) != 0) return Unresolved{errno, {}};
                out.dir = std::move(dir);
                out.leaf = part;
                out.exists = true;
                out.info = info;
                out.kernelLink = true;
                return std::nullopt;
            }
            std::string target(PATH_MAX, '\0');
            const ssize_t n = ::readlinkat(node.Get(), "", target.data(), target.size());
            if (n < 0) return Unresolved{errno, {}};
            if (n == 0 || static_cast<std::size_t>(n) >= target.size()) return Unresolved{ENOENT, {}};
            target.resize(static_cast<std::size_t>(n));
            std::vector<std::string> spliced = Parts(target);
            if (spliced.empty()) spliced.emplace_back(".");
            pending.insert(pending.begin(), spliced.begin(), spliced.end());
            if (target.front() == '/') {
                dir = Fd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (!dir.Valid()) return Unresolved{errno, {}};
                walked = "/";
            }
            continue;
        }
        if (last) {
            out.dir = std::move(dir);
            out.leaf = part;
            out.exists = true;
            out.info = info;
            return std::nullopt;
        }
        if (!S_ISDIR(info.st_mode)) return Unresolved{ENOTDIR, {}};
        dir = std::move(node);
        walked /= part;
    }
    return Unresolved{ENOENT, {}};
}

/** The message for a name that could not be resolved: lead is "Cannot save file" or "Cannot open file". */
FileOutcome Failed(FileStatus status, const char* lead, const fs::path& requested, const Unresolved& why) {
    if (why.error != 0) return {status, std::string(lead) + " " + Describe(requested, why.error)};
    return {status, std::string(lead) + " " + DisplayName(requested) + ": " + DisplayName(why.strangersLink) +
                        " is a symbolic link of another user; it is not followed"};
}

bool ReadOnly(const Resolved& target) {
    if (::faccessat(target.dir.Get(), target.leaf.c_str(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS)) {
        return true;
    }
    // root may write anything; a file that nobody may write is still meant to stay as it is.
    return ::geteuid() == 0 && (target.info.st_mode & 0222) == 0;
}

/** The refusals that come before anything is written; nullopt when the target can be saved. */
std::optional<FileOutcome> Refusal(const fs::path& requested, const Resolved& target) {
    if (!target.exists) return std::nullopt;
    const mode_t type = target.info.st_mode & S_IFMT;
    if (type == S_IFDIR) return SaveError(requested, EISDIR);
    if (type != S_IFREG && type != S_IFCHR) return SaveRefused(requested, "not a regular file");
    if (type == S_IFREG && target.kernelLink) return SaveRefused(requested, "not a regular file");
    if (type == S_IFREG && ReadOnly(target)) {
        return FileOutcome{FileStatus::ReadOnly,
                           "Cannot save file " + DisplayName(requested) + ": the file is read-only"};
    }
    return std::nullopt;
}

int WriteAllAt(int fd, std::span<const std::uint8_t> bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
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

bool SameNode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT);
}

/** Opens the checked node itself, never a link planted since; -1 with errno otherwise. */
Fd OpenChecked(const Resolved& target, int flags) {
    Fd fd(::openat(target.dir.Get(), target.leaf.c_str(),
                   flags | O_CLOEXEC | O_NOCTTY | (target.kernelLink ? 0 : O_NOFOLLOW)));
    if (!fd.Valid()) return fd;
    struct stat opened {};
    if (::fstat(fd.Get(), &opened) != 0) return Fd();
    // Someone swapped the name since it was checked.
    if (!SameNode(opened, target.info)) {
        errno = EAGAIN;
        return Fd();
    }
    return fd;
}

/** Writes a character device (/dev/null, a terminal) that the name led to when it was checked. */
FileOutcome WriteDevice(const fs::path& requested, const Resolved& target,
                        std::span<const std::uint8_t> bytes) {
    Fd fd = OpenChecked(target, O_WRONLY);
    if (!fd.Valid()) return SaveError(requested, errno);
    int error = WriteAll(fd.Get(), bytes);
    if (const int closed = fd.Close(); error == 0) error = closed;
    return error == 0 ? FileOutcome{} : SaveError(requested, error);
}

/**
 * Writes a file whose folder takes nothing new. The new bytes go after the old ones first; only once they
 * are all on disk are they moved to the front and the old ones cut off, with the fatal signals held back.
 * A full disk or a signal before that leaves the old file as it was.
 */
FileOutcome WriteInPlace(const fs::path& requested, const Resolved& target,
                         std::span<const std::uint8_t> bytes) {
    Fd fd = OpenChecked(target, O_WRONLY);
    if (!fd.Valid()) return SaveError(requested, errno);
    struct stat now {};
    if (::fstat(fd.Get(), &now) != 0) return SaveError(requested, errno);
    const off_t old = now.st_size;
    Slot* slot = TakeSlot();
    if (slot == nullptr) return SaveError(requested, EAGAIN);
    slot->file = fd.Get();
    slot->length = old;
    slot->state.store(2);
    int error = WriteAllAt(fd.Get(), bytes, old);
    if (error == 0 && ::fsync(fd.Get()) != 0) error = errno;
    if (error == 0) Step(SaveStep::Written);
    if (error != 0) {
        const int cut = ::ftruncate(fd.Get(), old);
        FreeSlot(slot);
        if (cut == 0) ::fsync(fd.Get());
        return SaveError(requested, error);
    }
    {
        const SignalsHeld held;
        FreeSlot(slot);
        error = WriteAllAt(fd.Get(), bytes, 0);
        if (error == 0 && ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) != 0) error = errno;
        if (error == 0 && ::fsync(fd.Get()) != 0) error = errno;
    }
    if (const int closed = fd.Close(); error == 0) error = closed;
    return error == 0 ? FileOutcome{} : SaveError(requested, error);
}

/** The names of fd's extended attributes; nullopt when they cannot be listed. */
std::optional<std::vector<std::string>> AttributeNames(int fd) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) {
        if (errno == ENOTSUP) return std::vector<std::string>{};
        return std::nullopt;
    }
    std::string list(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got < 0) return std::nullopt;
    list.resize(static_cast<std::size_t>(got));
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = list.find('\0', at);
        names.push_back(list.substr(at, end - at));
        at = end == std::string::npos ? list.size() : end + 1;
    }
    return names;
}

std::optional<std::string> Attribute(int fd, const std::string& name) {
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    if (size < 0) return std::nullopt;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (got < 0) return std::nullopt;
    value.resize(static_cast<std::size_t>(got));
    return value;
}

/**
 * Gives the replacement the extended attributes of the old file, the access control list among them,
 * and none it inherited from its folder; false when that cannot be done.
 */
bool CopyAttributes(const Resolved& target, int temp) {
    const Fd old = OpenChecked(target, O_RDONLY | O_NONBLOCK);
    if (!old.Valid()) return false;
    const auto wanted = AttributeNames(old.Get());
    const auto inherited = AttributeNames(temp);
    if (!wanted || !inherited) return false;
    for (const std::string& name : *inherited) {
        if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() &&
            ::fremovexattr(temp, name.c_str()) != 0 && errno != ENODATA) {
            return false;
        }
    }
    for (const std::string& name : *wanted) {
        const auto value = Attribute(old.Get(), name);
        if (!value) return false;
        if (Attribute(temp, name) == value) continue;
        if (::fsetxattr(temp, name.c_str(), value->data(), value->size(), 0) != 0) return false;
    }
    return true;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void SetSaveHookForTest(std::function<void(SaveStep)> hook) {
    g_hook = std::move(hook);
}

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
    Resolved target;
    if (auto failed = Resolve(path, target))
        return Failed(FileStatus::CannotOpen, "Cannot open file", path, *failed);
    if (!target.exists) return {FileStatus::CannotOpen, "Cannot open file " + Describe(path, ENOENT)};
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const Fd fd(
        ::openat(target.dir.Get(), target.leaf.c_str(),
                 O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (target.kernelLink ? 0 : O_NOFOLLOW)));
    if (!fd.Valid()) return {FileStatus::CannotOpen, "Cannot open file " + Describe(path, errno)};
    struct stat info {};
    const int statError = ::fstat(fd.Get(), &info) != 0 ? errno : 0;
    if (statError != 0 || !S_ISREG(info.st_mode)) {
        if (statError != 0 || S_ISDIR(info.st_mode)) {
            return {FileStatus::CannotOpen,
                    "Cannot open file " + Describe(path, statError ? statError : EISDIR)};
        }
        return {FileStatus::CannotOpen, "Cannot open file " + DisplayName(path) + ": not a regular file"};
    }
    std::string text(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd.Get(), text.data() + got, limit - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {FileStatus::CannotOpen, "Cannot read file " + Describe(path, errno)};
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    bytes = std::move(text);
    return {};
}

FileOutcome CheckSavable(const fs::path& requested) {
    Resolved target;
    if (auto failed = Resolve(requested, target))
        return Failed(FileStatus::CannotWrite, "Cannot save file", requested, *failed);
    if (auto refused = Refusal(requested, target)) return *refused;
    if (target.exists && !S_ISREG(target.info.st_mode)) {
        if (::faccessat(target.dir.Get(), target.leaf.c_str(), W_OK, AT_EACCESS) != 0)
            return SaveError(requested, errno);
        return {};
    }
    const SignalCleanup cleanup;
    const TempFile probe(target.dir.Get());
    if (probe.Fd() >= 0) return {};
    // A folder closed to us still lets us write a writable file in place.
    if (target.exists && (probe.Error() == EACCES || probe.Error() == EPERM)) return {};
    return SaveError(requested, probe.Error());
}

FileOutcome SaveFileAtomically(const fs::path& requested, std::span<const std::uint8_t> bytes) {
    Resolved target;
    if (auto failed = Resolve(requested, target))
        return Failed(FileStatus::CannotWrite, "Cannot save file", requested, *failed);
    if (auto refused = Refusal(requested, target)) return *refused;
    Step(SaveStep::Checked);
    if (target.exists && !S_ISREG(target.info.st_mode)) return WriteDevice(requested, target, bytes);

    const SignalCleanup cleanup;
    TempFile temp(target.dir.Get());
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
        // What the file's attributes allow must stay as it was; where they cannot be carried over, the
        // file itself is written.
        struct stat made {};
        if (!CopyAttributes(target, temp.Fd()) || ::fstat(temp.Fd(), &made) != 0 ||
            (made.st_mode & 07777 & ~old.st_mode) != 0) {
            return WriteInPlace(requested, target, bytes);
        }
    } else if (::fchmod(temp.Fd(), NewFileMode()) != 0) {
        return SaveError(requested, errno);
    }
    if (const int error = WriteAll(temp.Fd(), bytes); error != 0) return SaveError(requested, error);
    if (::fsync(temp.Fd()) != 0) return SaveError(requested, errno);
    Step(SaveStep::Written);
    if (const int error = temp.CommitAs(target.leaf); error != 0) return SaveError(requested, error);
    return {};
}

FileOutcome CreateNewFile(const fs::path& requested, std::span<const std::uint8_t> bytes, bool& taken) {
    taken = false;
    Resolved target;
    if (auto failed = Resolve(requested, target))
        return Failed(FileStatus::CannotWrite, "Cannot save file", requested, *failed);
    if (target.exists) {
        taken = true;
        return SaveError(requested, EEXIST);
    }
    const SignalCleanup cleanup;
    Slot* slot = TakeSlot();
    if (slot == nullptr) return SaveError(requested, EAGAIN);
    std::snprintf(slot->name, sizeof slot->name, "%s", target.leaf.c_str());
    slot->dir = target.dir.Get();
    Fd fd(::openat(target.dir.Get(), target.leaf.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (!fd.Valid()) {
        const int error = errno;
        FreeSlot(slot);
        taken = error == EEXIST;
        return SaveError(requested, error);
    }
    slot->state.store(2);
    int error = WriteAll(fd.Get(), bytes);
    if (error == 0 && ::fsync(fd.Get()) != 0) error = errno;
    if (const int closed = fd.Close(); error == 0) error = closed;
    if (error != 0) ::unlinkat(target.dir.Get(), target.leaf.c_str(), 0);
    FreeSlot(slot);
    return error == 0 ? FileOutcome{} : SaveError(requested, error);
}

std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, std::uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    code = lead;
    if (lead < 0x80) return 1;
    std::size_t length = 0;
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
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace pm
