#pragma once
// The serial port on Linux: termios for the line, poll() deadlines for the time-outs.

#include <chrono>
#include <string>

#include "core/link/serial_port.h"
#include "core/link/usb_adapter.h"

namespace pm {

/** A tty device opened exclusively (flock and TIOCEXCL), non-blocking, with time-outs built on poll(). */
class PosixSerialPort : public SerialPort {
  public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    [[nodiscard]] int Open(std::string_view name) override;
    bool Configure(const Timeouts& timeouts) override;
    void Purge(pm::Purge kind) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] ReadResult Read(std::span<std::uint8_t> buffer) override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return fd_ >= 0; }

    /** Device path of the open port ("" when closed). */
    [[nodiscard]] const std::string& DevicePath() const { return path_; }
    /** The device behind the port and its latency, as Open found and set them (kept after Close). */
    [[nodiscard]] const AdapterInfo& Adapter() const { return adapter_; }

  private:
    /** Waits until the kernel's output queue has gone out on the line, or until deadline. */
    bool Drain(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    std::string path_;
    Timeouts timeouts_{};
    bool unsentOutput_ = false;  // a write timed out with bytes still queued
    AdapterInfo adapter_;
};

}  // namespace pm
