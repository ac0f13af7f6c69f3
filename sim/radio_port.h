#pragma once
// A serial port wired straight to a virtual radio in the same process: no terminal, same timing rules.

#include <chrono>
#include <cstdint>
#include <deque>

#include "core/link/serial_port.h"
#include "sim/virtual_radio.h"

namespace pm::sim {

/**
 * The in-memory twin of a serial port with a radio at its far end. Answers become readable after
 * the radio's turnaround, purges drop only what has already arrived, and reads keep the time-outs.
 */
class VirtualRadioPort : public SerialPort {
  public:
    /** A port whose far end is radio (which must outlive the port). */
    explicit VirtualRadioPort(VirtualRadio& radio,
                              std::chrono::microseconds turnaround = std::chrono::milliseconds(10));

    [[nodiscard]] int Open(std::string_view name) override;
    bool Configure(const Timeouts& timeouts) override;
    void Purge(pm::Purge kind) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] ReadResult Read(std::span<std::uint8_t> buffer) override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return open_; }

  private:
    using Clock = std::chrono::steady_clock;
    struct Timed {
        std::uint8_t byte;
        Clock::time_point due;
    };

    VirtualRadio& radio_;
    std::chrono::microseconds turnaround_;
    Timeouts timeouts_{};
    std::deque<Timed> pending_;
    Clock::time_point lineFree_{};
    bool open_ = false;
    bool dropped_ = false;
};

}  // namespace pm::sim
