// A USB adapter's latency timer between the virtual radio and the PC, on our own clock.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/adapter_latency.h"

namespace pm::sim {
namespace {

using namespace std::chrono_literals;
using Clock = AdapterLatency::Clock;

/** Push count bytes one character apart from at (ms), or Release at at and expect count bytes. */
struct Step {
    bool push;
    double at;
    int count;
};
struct Row {
    const char* name;
    int latencyMs;
    std::vector<Step> steps;
};

const Row kRows[] = {
    // One answer of 13 bytes: nothing reaches the host before the timer runs out, then all of it.
    {"HeldUntilTheTimerRunsOut", 16, {{true, 0, 13}, {false, 15.9, 0}, {false, 16, 13}, {false, 40, 0}}},
    // With a long timer, 62 bytes fill a packet, which leaves at once; the 63rd starts the next.
    {"FullPacketLeavesAtOnce", 100, {{true, 0, 63}, {false, 65.6, 62}, {false, 164.5, 0}, {false, 164.7, 1}}},
    // The timer ran out between two bytes: the first left alone, the second waits its own 16 ms.
    {"ByteAfterTheTimerStartsAnotherPacket",
     16,
     {{true, 0, 1}, {true, 20, 1}, {false, 20, 1}, {false, 36, 1}}},
    {"NoTimerPassesEveryByteOn", 0, {{true, 0, 3}, {false, 2.1, 3}}},
};

class Holder : public ::testing::TestWithParam<Row> {};

TEST_P(Holder, ReleasesWhenItShould) {
    const Row& row = GetParam();
    AdapterLatency adapter{std::chrono::milliseconds(row.latencyMs)};
    const Clock::time_point t0{};
    auto ms = [&](double v) { return t0 + std::chrono::duration_cast<Clock::duration>(v * 1ms); };
    std::uint8_t next = 0, expected = 0;
    for (const Step& s : row.steps) {
        if (s.push) {
            for (int i = 0; i < s.count; ++i) adapter.Push(next++, ms(s.at + 1.0417 * i));
            continue;
        }
        const auto got = adapter.Release(ms(s.at));
        ASSERT_EQ(got.size(), static_cast<std::size_t>(s.count)) << "release at " << s.at << " ms";
        for (const std::uint8_t b : got) EXPECT_EQ(b, expected++);  // in order, none twice
        // Whatever is still held names the moment it is due, so the host can sleep until then.
        EXPECT_GT(adapter.NextRelease().value_or(Clock::time_point::max()), ms(s.at));
    }
    EXPECT_EQ(expected, next);
}

INSTANTIATE_TEST_SUITE_P(Rows, Holder, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pm::sim
