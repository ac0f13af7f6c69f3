#include "sim/pty_host.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <optional>

#include "sim/adapter_latency.h"

namespace pm::sim {
namespace {

using Clock = std::chrono::steady_clock;

struct Timed {
    std::uint8_t byte;
    Clock::time_point due;
};

constexpr auto kStaleCheckInterval = std::chrono::seconds(1);

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

timespec ToTimespec(Clock::duration d) {
    if (d < Clock::duration::zero()) d = Clock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace

PtyHost::PtyHost(VirtualRadio radio, HostOptions options)
    : radio_(std::move(radio)), options_(std::move(options)) {}

std::unique_ptr<PtyHost> PtyHost::Create(VirtualRadio radio, HostOptions options, std::string& error) {
    std::unique_ptr<PtyHost> host(new PtyHost(std::move(radio), std::move(options)));
    if (::pipe2(host->stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = Errno("pipe");
        return nullptr;
    }
    if (!host->OpenTerminal(error) || !host->UpdateLink(error)) return nullptr;
    return host;
}

PtyHost::~PtyHost() {
    Stop();
    if (thread_.joinable()) thread_.join();
    if (!options_.linkPath.empty()) {
        // Remove the link only while it still points at our terminal.
        char target[256] = {};
        const ssize_t n = ::readlink(options_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path_)
            ::unlink(options_.linkPath.c_str());
    }
    CloseTerminal();
    for (int& fd : stopPipe_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool PtyHost::OpenTerminal(std::string& error) {
    const int master = ::open("/dev/ptmx", O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        error = Errno("/dev/ptmx");
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        error = Errno("pseudo-terminal");
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        error = Errno(name);
        ::close(master);
        return false;
    }
    // Raw from the start: an echoing terminal would hand the radio its own answers.
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(slave, TCSANOW, &tio);
    std::lock_guard lock(mutex_);
    master_ = master;
    slave_ = slave;
    path_ = name;
    return true;
}

void PtyHost::CloseTerminal() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = -1;
    slave_ = -1;
}

bool PtyHost::UpdateLink(std::string& error) {
    const std::string& link = options_.linkPath;
    if (link.empty()) return true;
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = link + ": exists and is not a symbolic link; not replaced";
        return false;
    }
    // A new link beside the old one, renamed over it, so that the name never points nowhere.
    const std::string temp = link + ".new" + std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(path_.c_str(), temp.c_str()) != 0) {
        error = Errno(link);
        return false;
    }
    if (::rename(temp.c_str(), link.c_str()) != 0) {
        error = Errno(link);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string PtyHost::Path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

void PtyHost::OnEvent(std::function<void(const RadioEvent&)> callback) {
    onEvent_ = std::move(callback);
}

void PtyHost::OnNewPath(std::function<void(const std::string&)> callback) {
    onNewPath_ = std::move(callback);
}

Image PtyHost::Memory() const {
    std::lock_guard lock(mutex_);
    return radio_.Memory();
}

std::vector<RadioEvent> PtyHost::Events() const {
    std::lock_guard lock(mutex_);
    return radio_.Events();
}

std::vector<TestRecord> PtyHost::TestRecords() const {
    std::lock_guard lock(mutex_);
    return radio_.TestRecords();
}

void PtyHost::Start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void PtyHost::Stop() {
    if (stopPipe_[1] >= 0) {
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(stopPipe_[1], &b, 1);
    }
}

void PtyHost::Run() {
    // Pacing at 1.04 ms a character wants wake-ups more precise than the default 50 us slack.
    if (options_.realtime) ::prctl(PR_SET_TIMERSLACK, 10000UL, 0, 0, 0);
    std::deque<Timed> in;
    std::deque<Timed> out;
    AdapterLatency adapter(options_.adapterLatency);
    std::vector<std::uint8_t> ready;  // released by the adapter, not yet taken by the terminal
    Clock::time_point inLineFree{};
    Clock::time_point outLineFree{};
    Clock::duration lag{};
    bool answeredSinceInput = true;
    Clock::time_point lastInput = Clock::now();
    bool outputBlocked = false;
    // A client that dies without closing the port cleanly leaves the terminal's exclusive flag set,
    // and since we keep the terminal open, no one but root could open it again. After activity, look
    // now and then: flag set but nobody holding the port's lock means the flag is stale.
    constexpr auto kNever = Clock::time_point::max();
    Clock::time_point staleCheck = kNever;

    auto schedule = [&](const Reaction& r, Clock::time_point at) {
        Clock::time_point t = std::max(at, outLineFree);
        for (const Segment& s : r.segments) {
            if (s.turnaround) t += options_.turnaround;
            for (const std::uint8_t b : s.bytes) {
                if (options_.realtime) t += kCharTime;  // a character is there once its stop bit is
                out.push_back({b, t});
            }
        }
        outLineFree = t;
    };

    auto drop = [&] {
        std::string error;
        {
            std::lock_guard lock(mutex_);
            CloseTerminal();
        }
        in.clear();
        out.clear();
        adapter.Clear();
        ready.clear();
        ++drops_;
        if (OpenTerminal(error) && UpdateLink(error) && onNewPath_) onNewPath_(Path());
    };

    for (;;) {
        auto now = Clock::now();
        while (!in.empty() && in.front().due <= now) {
            const Timed t = in.front();
            in.pop_front();
            Reaction r;
            std::vector<RadioEvent> fresh;
            {
                std::lock_guard lock(mutex_);
                const std::size_t before = radio_.Events().size();
                r = radio_.OnByte(t.byte);
                if (onEvent_)
                    fresh.assign(radio_.Events().begin() + static_cast<std::ptrdiff_t>(before),
                                 radio_.Events().end());
            }
            for (const RadioEvent& e : fresh) onEvent_(e);
            if (r.dropLine) {
                drop();
                break;
            }
            schedule(r, t.due);
        }
        while (!out.empty() && out.front().due <= now) {
            adapter.Push(out.front().byte, out.front().due);
            out.pop_front();
        }
        const std::vector<std::uint8_t> released = adapter.Release(now);
        ready.insert(ready.end(), released.begin(), released.end());
        outputBlocked = false;
        while (master_ >= 0 && !ready.empty()) {
            const ssize_t n = ::write(master_, ready.data(), ready.size());
            if (n > 0) {
                ready.erase(ready.begin(), ready.begin() + n);
                answeredSinceInput = true;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            outputBlocked = n < 0 && errno == EAGAIN;
            if (!outputBlocked) ready.clear();  // nobody to hear it
            break;
        }
        {
            std::lock_guard lock(mutex_);
            if (in.empty() && radio_.InFrame() && now - lastInput >= options_.idleReset) radio_.OnLineIdle();
        }
        if (now >= staleCheck) {
            staleCheck = kNever;
            int exclusive = 0;
            if (slave_ >= 0 && ::ioctl(slave_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
                if (::flock(slave_, LOCK_EX | LOCK_NB) == 0) {
                    ::ioctl(slave_, TIOCNXCL);
                    ::flock(slave_, LOCK_UN);
                } else {
                    staleCheck = now + kStaleCheckInterval;
                }
            }
        }

        std::optional<Clock::time_point> wake;
        auto earliest = [&](Clock::time_point t) { wake = wake ? std::min(*wake, t) : t; };
        if (!in.empty()) earliest(in.front().due);
        if (!out.empty()) earliest(out.front().due);
        if (const auto due = adapter.NextRelease()) earliest(*due);
        if (staleCheck != kNever) earliest(staleCheck);
        {
            std::lock_guard lock(mutex_);
            if (in.empty() && radio_.InFrame()) earliest(lastInput + options_.idleReset);
        }
        pollfd fds[2] = {{stopPipe_[0], POLLIN, 0},
                         {master_, static_cast<short>(POLLIN | (outputBlocked ? POLLOUT : 0)), 0}};
        timespec ts{};
        const timespec* timeout = nullptr;
        if (wake) {
            ts = ToTimespec(*wake - Clock::now());
            timeout = &ts;
        }
        if (::ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) break;
        if ((fds[0].revents & POLLIN) != 0) break;
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint8_t buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                now = Clock::now();
                lastInput = now;
                staleCheck = now + kStaleCheckInterval;
                if (options_.realtime) {
                    // Over a pseudo-terminal a write returns at once; on a cable the PC would have
                    // waited for its bytes to leave before its next step. Carry that lost time as a
                    // lag until an answer of ours brings both sides back in step.
                    if (answeredSinceInput) lag = Clock::duration::zero();
                    answeredSinceInput = false;
                    Clock::time_point t = std::max(now + lag, inLineFree);
                    for (ssize_t i = 0; i < n; ++i) {
                        t += kCharTime;
                        in.push_back({buffer[i], t});
                    }
                    inLineFree = t;
                    lag = t - now;
                } else {
                    for (ssize_t i = 0; i < n; ++i) in.push_back({buffer[i], now});
                }
            }
        }
    }
}

}  // namespace pm::sim
