#pragma once
// The receive side of a USB serial adapter: bytes wait in the chip until its latency timer runs out
// or a packet is full, and only then reach the host.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pm::sim {

/**
 * Holds bytes as an adapter's latency timer does: everything held goes to the host once latency has
 * passed since the first held byte arrived, or at once when a packet's worth is waiting. Time is given
 * by the caller, so that the rule can be driven without a clock.
 */
class AdapterLatency {
  public:
    using Clock = std::chrono::steady_clock;
    /** Data bytes of one 64-byte USB packet after the two status bytes. */
    static constexpr std::size_t kPacketBytes = 62;

    /** A holder with the given timer; zero passes every byte on as it arrives. */
    explicit AdapterLatency(std::chrono::microseconds latency) : latency_(latency) {}

    /** A byte reaches the adapter from the line at time at (not earlier than the previous one). */
    void Push(std::uint8_t byte, Clock::time_point at);
    /** The bytes the host has received by now, oldest first; they are handed over once. */
    [[nodiscard]] std::vector<std::uint8_t> Release(Clock::time_point now);
    /** When the held bytes are due; nothing when none are held. */
    [[nodiscard]] std::optional<Clock::time_point> NextRelease() const;
    /** Forgets everything, as when the line is dropped. */
    void Clear();

  private:
    /** The held bytes go to the host in one packet. */
    void Send();

    std::chrono::microseconds latency_;
    std::vector<std::uint8_t> held_;
    Clock::time_point firstHeld_{};
    std::vector<std::uint8_t> sent_;  // sent to the host, not yet taken by Release
};

}  // namespace pm::sim
