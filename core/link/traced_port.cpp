#include "core/link/traced_port.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/image/file_access.h"

namespace pm {

SerialTrace::SerialTrace() : start_(std::chrono::steady_clock::now()) {}

void SerialTrace::Note(std::string_view line) {
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(mutex_);
    if (text_.empty()) start_ = now;
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count();
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%8lld ms  ", static_cast<long long>(since));
    text_ += stamp;
    text_ += line;
    text_ += '\n';
}

std::string SerialTrace::Text() const {
    const std::lock_guard lock(mutex_);
    return text_;
}

void SerialTrace::Clear() {
    const std::lock_guard lock(mutex_);
    text_.clear();
    start_ = std::chrono::steady_clock::now();
}

std::string TraceBytes(std::span<const std::uint8_t> bytes) {
    // Sixteen bytes a line, so that a long write stays readable; the lines after the first are indented.
    constexpr std::size_t kPerLine = 16;
    std::string text;
    for (std::size_t start = 0; start < bytes.size(); start += kPerLine) {
        const auto row = bytes.subspan(start, std::min(kPerLine, bytes.size() - start));
        std::string hex;
        std::string shown;
        char b[4];
        for (const std::uint8_t x : row) {
            std::snprintf(b, sizeof b, "%02X", x);
            if (!hex.empty()) hex += ' ';
            hex += b;
            shown += x >= 0x20 && x < 0x7F ? static_cast<char>(x) : '.';
        }
        if (start > 0) text += "\n                 ";
        text += hex;
        if (bytes.size() > kPerLine) text.append((kPerLine - row.size()) * 3, ' ');
        text += "  " + shown;
    }
    return text;
}

int TracedPort::Open(std::string_view name) {
    const int error = port_.Open(name);
    trace_.Note("open " + EscapeControls(name) +
                (error == 0 ? std::string(": ok") : ": " + std::string(std::strerror(error))));
    return error;
}

bool TracedPort::Configure(const Timeouts& t) {
    const bool ok = port_.Configure(t);
    trace_.Note("settings 9600 baud 8N1, read interval " + std::to_string(t.readIntervalMs) + " ms, read " +
                std::to_string(t.readMultiplierMs) + " ms/byte + " + std::to_string(t.readConstantMs) +
                " ms, write " + std::to_string(t.writeMultiplierMs) + " ms/byte + " +
                std::to_string(t.writeConstantMs) + " ms" + (ok ? "" : " (refused)"));
    return ok;
}

void TracedPort::Purge(pm::Purge kind) {
    port_.Purge(kind);
    trace_.Note(kind == pm::Purge::Full ? "purge input and output" : "purge input");
}

bool TracedPort::Write(std::span<const std::uint8_t> bytes) {
    const bool ok = port_.Write(bytes);
    trace_.Note("-> " + TraceBytes(bytes) + (ok ? "" : "  (not sent)"));
    return ok;
}

ReadResult TracedPort::Read(std::span<std::uint8_t> buffer) {
    const ReadResult r = port_.Read(buffer);
    if (!r.ok) {
        trace_.Note("<- read failed");
    } else if (r.count < buffer.size()) {
        const std::string got = r.count == 0 ? "" : TraceBytes(buffer.first(r.count)) + "  ";
        trace_.Note("<- " + got + "(time-out: " + std::to_string(r.count) + " of " +
                    std::to_string(buffer.size()) + " bytes)");
    } else {
        trace_.Note("<- " + TraceBytes(buffer.first(r.count)));
    }
    return r;
}

void TracedPort::Close() {
    const bool wasOpen = port_.IsOpen();
    port_.Close();
    if (wasOpen) trace_.Note("close");
}

}  // namespace pm
