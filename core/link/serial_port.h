#pragma once
// The one way the program talks to a serial port: open by name, configure, purge, write, read, close.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <thread>

namespace pm {

/** Read and write time-outs in milliseconds; a read of n bytes gives up after multiplier * n + constant. */
struct Timeouts {
    int readIntervalMs = 0;  // counted only once the first byte has arrived
    int readMultiplierMs = 0;
    int readConstantMs = 0;
    int writeMultiplierMs = 0;
    int writeConstantMs = 0;
    friend bool operator==(const Timeouts&, const Timeouts&) = default;
};

/** Profile of the read and write transfer: a 1-byte read gives up after 590 ms. */
inline constexpr Timeouts kTransferTimeouts{30, 500, 90, 50, 50};
/** Profile of the Test Mode exchange: a 1-byte read gives up after 100 ms. */
inline constexpr Timeouts kTestModeTimeouts{10, 50, 50, 50, 50};

/** Clear purge drops unread input; full purge also aborts whatever is still being sent. */
enum class Purge { Clear, Full };

/** How a read ended: ok with count bytes (fewer than asked on a time-out), or failed outright. */
struct ReadResult {
    bool ok = false;
    std::size_t count = 0;
};

/** A serial port; one object serves one exchange at a time and is not shared between threads. */
class SerialPort {
  public:
    virtual ~SerialPort() = default;
    /** Opens the port by name exclusively; 0 on success, otherwise the errno that explains why not. */
    [[nodiscard]] virtual int Open(std::string_view name) = 0;
    /** Sets 9600 baud 8N1 binary and the time-outs; false when the port refused a setting. */
    virtual bool Configure(const Timeouts& timeouts) = 0;
    /** Discards unread input (and, for a full purge, unsent output). */
    virtual void Purge(Purge kind) = 0;
    /** Sends bytes and waits until they have left; false when they could not all be sent. */
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    /** Reads up to buffer.size() bytes within the configured time-outs. */
    [[nodiscard]] virtual ReadResult Read(std::span<std::uint8_t> buffer) = 0;
    /** Closes the port; harmless when it is not open. */
    virtual void Close() = 0;
    /** True between a successful Open and Close. */
    [[nodiscard]] virtual bool IsOpen() const = 0;
    /** The protocol's pauses between steps; a port without a real line behind it may skip them. */
    virtual void Pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
};

/** Closes a port when it goes out of scope, on every way out of an exchange. */
class PortCloser {
  public:
    explicit PortCloser(SerialPort& port) : port_(port) {}
    ~PortCloser() { port_.Close(); }
    PortCloser(const PortCloser&) = delete;
    PortCloser& operator=(const PortCloser&) = delete;

  private:
    SerialPort& port_;
};

}  // namespace pm
