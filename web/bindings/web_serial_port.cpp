#include "web/bindings/web_serial_port.h"

#include <emscripten.h>

#include <cerrno>

namespace pm::web {
namespace {

// globalThis.pmLink is the page's port: open/read/write/purge/close/pause over the port's streams.
EM_ASYNC_JS(int, LinkOpen, (), { return await globalThis.pmLink.open(); });
EM_ASYNC_JS(int, LinkWrite, (const std::uint8_t* data, int size),
            { return (await globalThis.pmLink.write(HEAPU8.slice(data, data + size))) ? 1 : 0; });
// Bytes read (fewer on a time-out), or -1 when the port is gone.
EM_ASYNC_JS(int, LinkRead, (std::uint8_t * data, int size, int intervalMs, int totalMs), {
    const got = await globalThis.pmLink.read(size, intervalMs, totalMs);
    if (got == = null) return -1;
    HEAPU8.set(got, data);
    return got.length;
});
EM_JS(void, LinkPurge, (), { globalThis.pmLink.purge(); });
EM_ASYNC_JS(void, LinkClose, (), { await globalThis.pmLink.close(); });
EM_ASYNC_JS(void, LinkPause, (int ms), { await globalThis.pmLink.pause(ms); });

}  // namespace

int WebSerialPort::Open(std::string_view name) {
    (void)name;  // the page chose the port before the transfer began
    if (open_) return EBUSY;
    const int error = LinkOpen();
    open_ = error == 0;
    return error;
}

bool WebSerialPort::Configure(const Timeouts& timeouts) {
    // 9600 8N1 without flow control was set when the page opened the port.
    timeouts_ = timeouts;
    return open_;
}

void WebSerialPort::Purge(pm::Purge kind) {
    (void)kind;  // writes are awaited until sent, so only unread input is left to drop
    if (open_) LinkPurge();
}

bool WebSerialPort::Write(std::span<const std::uint8_t> bytes) {
    if (!open_) return false;
    return LinkWrite(bytes.data(), static_cast<int>(bytes.size())) == 1;
}

ReadResult WebSerialPort::Read(std::span<std::uint8_t> buffer) {
    if (!open_) return {false, 0};
    const int size = static_cast<int>(buffer.size());
    const int total = timeouts_.readMultiplierMs * size + timeouts_.readConstantMs;
    const int got = LinkRead(buffer.data(), size, timeouts_.readIntervalMs, total);
    if (got < 0) return {false, 0};
    return {true, static_cast<std::size_t>(got)};
}

void WebSerialPort::Close() {
    if (!open_) return;
    open_ = false;
    LinkClose();
}

void WebSerialPort::Pause(std::chrono::milliseconds duration) {
    LinkPause(static_cast<int>(duration.count()));
}

}  // namespace pm::web
