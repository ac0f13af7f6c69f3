#include "sim/radio_port.h"

#include <cerrno>
#include <algorithm>
#include <thread>

namespace pm::sim {

VirtualRadioPort::VirtualRadioPort(VirtualRadio& radio, std::chrono::microseconds turnaround)
    : radio_(radio), turnaround_(turnaround) {}

int VirtualRadioPort::Open(std::string_view name) {
    (void)name;
    if (open_) return EBUSY;
    if (dropped_) return ENODEV;
    open_ = true;
    pending_.clear();
    return 0;
}

bool VirtualRadioPort::Configure(const Timeouts& timeouts) {
    timeouts_ = timeouts;
    return open_;
}

void VirtualRadioPort::Purge(pm::Purge kind) {
    (void)kind;
    const auto now = Clock::now();
    while (!pending_.empty() && pending_.front().due <= now) pending_.pop_front();
}

bool VirtualRadioPort::Write(std::span<const std::uint8_t> bytes) {
    if (!open_ || dropped_) return false;
    for (const std::uint8_t b : bytes) {
        const Reaction r = radio_.OnByte(b);
        if (r.dropLine) {
            dropped_ = true;
            pending_.clear();
            return false;
        }
        auto t = std::max(Clock::now(), lineFree_);
        for (const Segment& s : r.segments) {
            if (s.turnaround) t += turnaround_;
            for (const std::uint8_t out : s.bytes) pending_.push_back({out, t});
        }
        lineFree_ = t;
    }
    return true;
}

ReadResult VirtualRadioPort::Read(std::span<std::uint8_t> buffer) {
    if (!open_ || dropped_) return {false, 0};
    const auto start = Clock::now();
    const auto total =
        start + std::chrono::milliseconds(timeouts_.readMultiplierMs * static_cast<long long>(buffer.size()) +
                                          timeouts_.readConstantMs);
    std::size_t got = 0;
    Clock::time_point last{};
    while (got < buffer.size()) {
        auto deadline = total;
        if (got > 0)
            deadline = std::min(deadline, last + std::chrono::milliseconds(timeouts_.readIntervalMs));
        if (pending_.empty() || pending_.front().due > deadline) {
            std::this_thread::sleep_until(deadline);
            break;
        }
        std::this_thread::sleep_until(pending_.front().due);
        buffer[got++] = pending_.front().byte;
        pending_.pop_front();
        last = Clock::now();
    }
    return {true, got};
}

void VirtualRadioPort::Close() {
    open_ = false;
    pending_.clear();
}

}  // namespace pm::sim
