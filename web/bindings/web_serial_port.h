#pragma once
// A serial port in the browser: the page's link object (Web Serial, or the virtual radio behind the same
// stream interface) awaited through Asyncify, so the transfer session runs as on the desktop.

#include "core/link/serial_port.h"

namespace pm::web {

class WebSerialPort : public SerialPort {
  public:
    [[nodiscard]] int Open(std::string_view name) override;
    bool Configure(const Timeouts& timeouts) override;
    void Purge(pm::Purge kind) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] ReadResult Read(std::span<std::uint8_t> buffer) override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return open_; }
    /** Yields to the browser instead of blocking its only thread. */
    void Pause(std::chrono::milliseconds duration) override;

  private:
    Timeouts timeouts_{};
    bool open_ = false;
};

}  // namespace pm::web
