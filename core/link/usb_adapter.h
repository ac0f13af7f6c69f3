#pragma once
// Which driver serves a serial device (USB serial adapters above all), and asking it for low latency.
//
// An FTDI adapter holds received bytes for its latency timer, 16 ms by default, before it hands a short
// packet to the host. Our protocol is one request and one short answer per block, so every answer
// would wait that long; at 1 ms the cable is as quick as the line.

#include <filesystem>
#include <string>

namespace pm {

/** How long the device behind a port may sit on received bytes. */
enum class LatencyMode {
    None,     // nothing to tune: a pseudo-terminal, or a driver that ignores the request
    Low,      // low latency is in effect (the flag, or a latency timer of 1 ms)
    Default,  // the adapter keeps a longer timer: the driver or the permissions refused a lower one
};

/** What was found about the device behind a port and what was done to its latency. */
struct AdapterInfo {
    std::string tty;              // kernel name of the tty, e.g. "ttyUSB0"; "" when unresolved
    std::string driver;           // e.g. "ftdi_sio", "ch341-uart"; "" without a sysfs entry
    bool pseudoTerminal = false;  // a /dev/pts device (the virtual radio)
    int latencyTimerMs = -1;      // the adapter's timer as sysfs shows it; -1 where it has none
    bool timerWritable = false;   // writing the timer file was allowed
    LatencyMode mode = LatencyMode::None;
    // What RestoreLatency undoes.
    bool flagSet = false;             // ASYNC_LOW_LATENCY was clear and we set it
    int previousTimerMs = -1;         // the timer before we wrote 1; -1 when we did not write it
    std::filesystem::path timerFile;  // .../device/latency_timer ("" when there is none)
};

/** The kernel's tty name of devicePath after following symbolic links (/dev/serial/by-id/...). */
[[nodiscard]] std::string TtyNameOf(const std::string& devicePath);

/** The driver and latency timer of devicePath as sysfs under sysRoot shows them; changes nothing. */
[[nodiscard]] AdapterInfo FindAdapter(const std::string& devicePath,
                                      const std::filesystem::path& sysRoot = "/sys");

/**
 * Asks the device open on fd for low latency: the ASYNC_LOW_LATENCY flag, and a latency timer of 1 ms
 * where sysRoot shows a writable one. Never fails; what was refused keeps its setting.
 */
[[nodiscard]] AdapterInfo RequestLowLatency(int fd, const std::string& devicePath,
                                            const std::filesystem::path& sysRoot = "/sys");

/** Puts back what RequestLowLatency changed, so that the next program finds the device as we did. */
void RestoreLatency(int fd, const AdapterInfo& info);

/** The kind of device in a few words: "FTDI USB serial adapter (ftdi_sio)", "pseudo-terminal". */
[[nodiscard]] std::string AdapterName(const AdapterInfo& info);

/** The latency in a few words: "latency timer 1 ms", "latency timer 16 ms (could not be lowered)". */
[[nodiscard]] std::string LatencyText(const AdapterInfo& info);

/**
 * What a slow adapter costs and how to lift it, for a timer that could not be lowered; "" otherwise.
 */
[[nodiscard]] std::string LatencyAdvice(const AdapterInfo& info);

/** One line for --verbose and a status bar: the adapter's name, then its latency when there is one. */
[[nodiscard]] std::string DescribeAdapter(const AdapterInfo& info);

}  // namespace pm
