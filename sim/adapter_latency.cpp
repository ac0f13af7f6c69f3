#include "sim/adapter_latency.h"

#include <utility>

namespace pm::sim {

void AdapterLatency::Push(std::uint8_t byte, Clock::time_point at) {
    // The timer ran out before this byte came: what was held left in a packet of its own.
    if (!held_.empty() && at >= firstHeld_ + latency_) Send();
    if (held_.empty()) firstHeld_ = at;
    held_.push_back(byte);
    if (held_.size() >= kPacketBytes || latency_ <= std::chrono::microseconds::zero()) Send();
}

std::vector<std::uint8_t> AdapterLatency::Release(Clock::time_point now) {
    if (!held_.empty() && now >= firstHeld_ + latency_) Send();
    return std::exchange(sent_, {});
}

std::optional<AdapterLatency::Clock::time_point> AdapterLatency::NextRelease() const {
    if (!sent_.empty()) return firstHeld_;  // already due
    if (held_.empty()) return std::nullopt;
    return firstHeld_ + latency_;
}

void AdapterLatency::Clear() {
    held_.clear();
    sent_.clear();
}

void AdapterLatency::Send() {
    sent_.insert(sent_.end(), held_.begin(), held_.end());
    held_.clear();
}

}  // namespace pm::sim
