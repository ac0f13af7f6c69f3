#include "core/link/posix_serial_port.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "core/link/port_holders.h"
#include "core/link/port_names.h"

namespace pm {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// One character at 9600 baud, 8N1: ten bits.
constexpr auto kCharTime = std::chrono::microseconds(1042);

/** Milliseconds until deadline for poll(), rounded up so that we never wake just before it. */
int PollTimeout(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    const auto ms = std::chrono::ceil<milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

/** A program that takes no lock (a terminal program, a stray cat) would share the line with us. */
bool HeldByAnotherProgram(const std::string& path) {
    return !OtherPortHolders(path).empty();
}

}  // namespace

PosixSerialPort::~PosixSerialPort() {
    Close();
}

int PosixSerialPort::Open(std::string_view name) {
    Close();
    adapter_ = {};
    const std::string path = DevicePathOfPort(name);
    if (path.empty()) return ENOENT;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    // Protocol bytes must never end up in a plain file or a pipe.
    if (!::isatty(fd)) {
        ::close(fd);
        return ENOTTY;
    }
    // flock guards against a second opener in this process too (it holds another open file
    // description); TIOCEXCL also keeps out programs that do not take the lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return error;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    if (HeldByAnotherProgram(path)) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return EBUSY;
    }
    fd_ = fd;
    path_ = path;
    unsentOutput_ = false;
    // A USB adapter would hold every short answer for its latency timer.
    adapter_ = RequestLowLatency(fd_, path_);
    return 0;
}

bool PosixSerialPort::Configure(const Timeouts& timeouts) {
    if (fd_ < 0) return false;
    timeouts_ = timeouts;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return false;
    // Binary: no line editing, echo, signals, character translation or software flow control, which
    // would swallow 0x11 and 0x13 in image data. Hardware flow control stays as the port has it.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

void PosixSerialPort::Purge(pm::Purge kind) {
    if (fd_ < 0) return;
    // Every write has drained before it returned, so there is normally nothing to abort on the
    // transmit side; flushing it anyway would, on a pseudo-terminal, destroy bytes the peer has
    // not read yet. Only output stuck behind a timed-out write is thrown away.
    (void)kind;
    const int queue = unsentOutput_ ? TCIOFLUSH : TCIFLUSH;
    ::tcflush(fd_, queue);
    unsentOutput_ = false;
}

bool PosixSerialPort::Drain(Clock::time_point deadline) {
    // tcdrain has no time-out; with hardware flow control held off it would wait for ever. Sleep
    // for the wire time of what is queued until the queue is empty, then let tcdrain wait for the
    // last character's stop bit.
    for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        const auto now = Clock::now();
        if (now >= deadline) return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(kCharTime * queued, deadline - now));
    }
    while (::tcdrain(fd_) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool PosixSerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) return false;
    const auto deadline =
        Clock::now() + milliseconds(timeouts_.writeMultiplierMs * static_cast<long long>(bytes.size()) +
                                    timeouts_.writeConstantMs);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        const int wait = PollTimeout(deadline);
        if (wait == 0) {
            unsentOutput_ = sent > 0;
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, wait) < 0 && errno != EINTR) return false;
        if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    }
    if (!Drain(deadline)) {
        unsentOutput_ = true;
        return false;
    }
    return true;
}

ReadResult PosixSerialPort::Read(std::span<std::uint8_t> buffer) {
    if (fd_ < 0) return {false, 0};
    const auto start = Clock::now();
    const auto total =
        start + milliseconds(timeouts_.readMultiplierMs * static_cast<long long>(buffer.size()) +
                             timeouts_.readConstantMs);
    const auto interval = milliseconds(timeouts_.readIntervalMs);
    std::size_t got = 0;
    Clock::time_point lastByte{};
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            continue;
        }
        if (n == 0) return {false, got};  // the other end hung up
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return {false, got};
        auto deadline = total;
        if (got > 0 && timeouts_.readIntervalMs > 0) deadline = std::min(deadline, lastByte + interval);
        const int wait = PollTimeout(deadline);
        if (wait == 0) break;
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno != EINTR) return {false, got};
        if (ready > 0 && (p.revents & POLLIN) == 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return {false, got};
        }
    }
    return {true, got};
}

void PosixSerialPort::Close() {
    if (fd_ < 0) return;
    // The exclusive flag belongs to the tty, not to our descriptor: a pseudo-terminal whose other
    // side stays open would keep refusing openers after we are gone.
    ::ioctl(fd_, TIOCNXCL);
    RestoreLatency(fd_, adapter_);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    path_.clear();
    unsentOutput_ = false;
}

}  // namespace pm
