// Full read and full write against the virtual radio paced like a 9600-baud cable: measured time
// against the protocol's floor (its pauses plus the wire time of every byte), and the client's CPU;
// optionally behind the latency timer of a USB serial adapter.

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/link/frames.h"
#include "core/link/posix_serial_port.h"
#include "core/link/transfer_session.h"
#include "bench/radio_process.h"

namespace {

using namespace pm;
using bench::Median;
using bench::StartRadio;

// The frame table of one transfer: per stage, the pauses the protocol mandates (ms) and the bytes
// each way, and how often the stage runs.
struct Stage {
    const char* what;
    double pauseMs;
    int bytesOut;
    int bytesIn;
    int times;
};

constexpr Stage kIdentification[] = {
    {"pump steps before the attempt", 7, 0, 0, 1},
    {"wake-up, a pause before each byte", 7, 7, 0, 1},
    {"wake-up answer", 0, 0, 1, 1},
    {"identification request, a pause before each byte", 2, 2, 0, 1},
    {"identification record", 0, 0, 8, 1},
    {"confirmation and its answer", 0, 1, 1, 1},
};
constexpr Stage kWriteBlock = {"write block: command, 1 ms, data, answer, 1 ms", 2, 12, 1,
                               frame::kWriteBlocks};
constexpr Stage kReadBlock = {"read block: command, reply, 15 ms, 0x06, answer, 5 ms", 20, 5, 13,
                              frame::kReadBlocks};

double FloorSeconds(bool write) {
    const double charMs = std::chrono::duration<double, std::milli>(sim::kCharTime).count();
    double ms = 0;
    auto add = [&](const Stage& s) { ms += s.times * (s.pauseMs + (s.bytesOut + s.bytesIn) * charMs); };
    for (const Stage& s : kIdentification) add(s);
    add(write ? kWriteBlock : kReadBlock);
    return ms / 1000;
}

class Quiet : public SessionHost {
  public:
    Answer Ask(const Message& m) override {
        std::fprintf(stderr, "unexpected message: %.*s\n", static_cast<int>(m.text.size()), m.text.data());
        return Answer::Cancel;
    }
};

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double wall;
    double cpu;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    // Latency timers of a USB adapter between radio and client, in ms; none by default.
    std::vector<int> latencies;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        if (std::strcmp(argv[i], "--adapter-latency") == 0 && i + 1 < argc)
            latencies.push_back(std::clamp(std::atoi(argv[++i]), 0, 255));
    }
    if (latencies.empty()) latencies.push_back(0);

    std::printf("Transfer against the virtual radio at 9600 baud 8N1 (--realtime), median of %d runs\n\n",
                runs);
    std::printf("%-8s %-6s %10s %10s %7s %11s\n", "adapter", "", "measured", "floor", "ratio", "client CPU");
    int status = 0;
    for (const int latency : latencies) {
        std::string path;
        const pid_t radio = StartRadio(path, std::chrono::milliseconds(latency));
        if (radio <= 0 || path.empty()) {
            std::fprintf(stderr, "could not start the virtual radio\n");
            return 1;
        }
        const std::string adapter = latency > 0 ? std::to_string(latency) + " ms" : "none";
        for (const bool write : {false, true}) {
            std::vector<double> walls;
            std::vector<double> shares;
            for (int r = 0; r < runs; ++r) {
                PosixSerialPort port;
                Quiet host;
                Image image = write ? sim::DemoImage() : NewDocumentImage();
                const double cpu0 = CpuSeconds();
                const auto t0 = std::chrono::steady_clock::now();
                TransferSession session(port, path, host);
                const LinkOutcome out = write ? session.Write(image) : session.Read(image);
                const double wall =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                const double cpu = CpuSeconds() - cpu0;
                if (out.result != LinkResult::Done) {
                    std::fprintf(stderr, "%s did not complete\n", write ? "write" : "read");
                    status = 1;
                }
                walls.push_back(wall);
                shares.push_back(cpu / wall);
            }
            const double floor = FloorSeconds(write);
            const double wall = Median(walls);
            std::printf("%-8s %-6s %9.3fs %9.3fs %7.3f %10.2f%%\n", adapter.c_str(), write ? "write" : "read",
                        wall, floor, wall / floor, 100 * Median(shares));
        }
        ::kill(radio, SIGTERM);
        ::waitpid(radio, nullptr, 0);
    }
    std::printf("\nfloor: the pauses the protocol mandates plus %.4f ms of wire time per byte\n",
                std::chrono::duration<double, std::milli>(sim::kCharTime).count());
    std::printf(
        "adapter: the latency timer of a USB serial adapter between radio and client "
        "(--adapter-latency MS, repeatable)\n");
    return status;
}
