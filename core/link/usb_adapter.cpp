#include "core/link/usb_adapter.h"

#include <fcntl.h>
#if __has_include(<linux/serial.h>)
#include <linux/serial.h>
#define PM_HAVE_SERIAL_FLAGS 1
#endif
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <utility>

namespace pm {
namespace {

namespace fs = std::filesystem;

/** The drivers a user meets behind a radio cable, by the name the kernel gives them. */
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kKinds = {{
    {"ftdi_sio", "FTDI USB serial adapter"},
    {"ch341", "CH340/CH341 USB serial adapter"},
    {"ch341-uart", "CH340/CH341 USB serial adapter"},
    {"pl2303", "PL2303 USB serial adapter"},
    {"cp210x", "CP210x USB serial adapter"},
    {"cdc_acm", "USB modem-class (CDC ACM) serial device"},
    {"serial8250", "built-in serial port"},
    {"port", "built-in serial port"},  // the 8250 ports' driver on newer kernels
}};

/** A latency timer file's value in ms (the kernel keeps 0..255); -1 when absent or not a number. */
int ReadTimer(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!in || !std::getline(in, text)) return -1;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < 0 || value > 255)
        return -1;
    return value;
}

bool WriteTimer(const fs::path& file, int value) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string text = std::to_string(value) + "\n";
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

#ifdef PM_HAVE_SERIAL_FLAGS
/** The serial info of the port on fd; false when there is none (a pseudo-terminal, some drivers). */
bool ReadFlags(int fd, serial_struct& serial) {
    serial = {};
    return fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &serial) == 0;
}
#endif

}  // namespace

std::string TtyNameOf(const std::string& devicePath) {
    std::error_code ec;
    fs::path target = fs::weakly_canonical(devicePath, ec);
    if (ec) target = devicePath;
    return target.filename().string();
}

AdapterInfo FindAdapter(const std::string& devicePath, const fs::path& sysRoot) {
    AdapterInfo info;
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(devicePath, ec);
    info.tty = TtyNameOf(devicePath);
    info.pseudoTerminal = !ec && (target.parent_path() == "/dev/pts" || target == "/dev/ptmx");
    if (info.tty.empty() || info.tty == "." || info.tty == "..") return info;
    const fs::path device = sysRoot / "class" / "tty" / info.tty / "device";
    const fs::path driver = fs::read_symlink(device / "driver", ec);
    if (!ec) info.driver = driver.filename().string();
    if (fs::is_regular_file(device / "latency_timer", ec)) {
        info.timerFile = device / "latency_timer";
        info.latencyTimerMs = ReadTimer(info.timerFile);
        if (info.latencyTimerMs >= 0)
            info.mode = info.latencyTimerMs <= 1 ? LatencyMode::Low : LatencyMode::Default;
    }
    return info;
}

AdapterInfo RequestLowLatency(int fd, const std::string& devicePath, const fs::path& sysRoot) {
    AdapterInfo info = FindAdapter(devicePath, sysRoot);
    const int before = info.latencyTimerMs;
    bool flagOn = false;
#ifdef PM_HAVE_SERIAL_FLAGS
    // The flag is what an ordinary user may set; the FTDI driver answers it with a 1 ms timer.
    serial_struct serial{};
    if (ReadFlags(fd, serial) && (serial.flags & ASYNC_LOW_LATENCY) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        info.flagSet = ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
    }
    flagOn = ReadFlags(fd, serial) && (serial.flags & ASYNC_LOW_LATENCY) != 0;
#else
    (void)fd;  // a system without serial flags leaves the timer alone
#endif
    if (!info.timerFile.empty()) {
        // Where the flag did not reach the timer, write it ourselves (root, or a udev rule's group).
        info.latencyTimerMs = ReadTimer(info.timerFile);
        if (info.latencyTimerMs > 1 && WriteTimer(info.timerFile, 1)) info.previousTimerMs = before;
        info.latencyTimerMs = ReadTimer(info.timerFile);
    }
    if (info.latencyTimerMs >= 0)
        info.mode = info.latencyTimerMs <= 1 ? LatencyMode::Low : LatencyMode::Default;
    else
        info.mode = flagOn ? LatencyMode::Low : LatencyMode::None;
    return info;
}

void RestoreLatency(int fd, const AdapterInfo& info) {
#ifdef PM_HAVE_SERIAL_FLAGS
    serial_struct serial{};
    if (info.flagSet && ReadFlags(fd, serial)) {
        serial.flags &= ~static_cast<decltype(serial.flags)>(ASYNC_LOW_LATENCY);
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    (void)fd;
#endif
    if (info.previousTimerMs > 0 && !info.timerFile.empty()) WriteTimer(info.timerFile, info.previousTimerMs);
}

std::string AdapterName(const AdapterInfo& info) {
    if (info.pseudoTerminal) return "pseudo-terminal";
    if (info.driver.empty()) return "serial device (no driver found in sysfs)";
    for (const auto& [driver, kind] : kKinds) {
        if (driver == info.driver) return std::string(kind) + " (" + info.driver + ")";
    }
    return "serial device (driver " + info.driver + ")";
}

std::string LatencyText(const AdapterInfo& info) {
    if (info.latencyTimerMs >= 0) {
        const std::string text = "latency timer " + std::to_string(info.latencyTimerMs) + " ms";
        return info.mode == LatencyMode::Default ? text + " (could not be lowered)" : text;
    }
    return info.mode == LatencyMode::Low ? "low latency" : "";
}

std::string LatencyAdvice(const AdapterInfo& info) {
    if (info.mode != LatencyMode::Default) return "";
    return "Every answer of the radio waits up to " + std::to_string(info.latencyTimerMs) +
           " ms in the adapter, so reading and writing take seconds longer. A timer of 1 ms needs write "
           "access to " +
           info.timerFile.string() +
           ". The package's udev rules (60-pm514rx.rules) set it when the cable is plugged in; without them, "
           "run once as root or add such a rule (see the user guide).";
}

std::string DescribeAdapter(const AdapterInfo& info) {
    const std::string latency = LatencyText(info);
    return latency.empty() ? AdapterName(info) : AdapterName(info) + ", " + latency;
}

}  // namespace pm
