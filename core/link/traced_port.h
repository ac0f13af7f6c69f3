#pragma once
// A serial port that writes down everything that passes through it, for a user to attach to a report.
//
//   PosixSerialPort serial;
//   SerialTrace trace;
//   TracedPort port(serial, trace);
//   TransferSession(port, "COM1", host).Read(image);   // trace.Text() now holds every byte

#include <chrono>
#include <mutex>
#include <string>

#include "core/link/serial_port.h"

namespace pm {

/** The trace's text, one event a line, each stamped with milliseconds since the trace began. */
class SerialTrace {
  public:
    SerialTrace();
    /** Adds one line, stamped now. */
    void Note(std::string_view line);
    /** The lines so far. */
    [[nodiscard]] std::string Text() const;
    /** Forgets the lines and starts the clock again. */
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::chrono::steady_clock::time_point start_;
    std::string text_;
};

/** Passes every call on to port and notes it in trace: port settings, purges, bytes each way, time-outs. */
class TracedPort : public SerialPort {
  public:
    TracedPort(SerialPort& port, SerialTrace& trace) : port_(port), trace_(trace) {}

    [[nodiscard]] int Open(std::string_view name) override;
    bool Configure(const Timeouts& timeouts) override;
    void Purge(pm::Purge kind) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] ReadResult Read(std::span<std::uint8_t> buffer) override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return port_.IsOpen(); }
    void Pause(std::chrono::milliseconds duration) override { port_.Pause(duration); }

  private:
    SerialPort& port_;
    SerialTrace& trace_;
};

/** Bytes as hexadecimal pairs with the printable ones shown after: "02 50 52  .PR". */
[[nodiscard]] std::string TraceBytes(std::span<const std::uint8_t> bytes);

}  // namespace pm
