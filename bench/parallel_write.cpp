// Several radios written at once against one radio alone, each virtual radio paced like a 9600-baud
// cable: with one thread and one port per radio the batch should take about as long as one write.

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/safety/safe_write.h"
#include "bench/radio_process.h"

namespace {

using namespace pm;
using bench::Median;
using bench::StartRadio;

class Quiet : public SafeWriteHost {
  public:
    Answer Ask(const Message& m) override {
        std::fprintf(stderr, "unexpected message: %.*s\n", static_cast<int>(m.text.size()), m.text.data());
        return Answer::Cancel;
    }
};

/** Writes the radios of ports at once; the wall time of the whole batch, or a negative time on failure. */
double Batch(const std::vector<std::string>& ports, const SafeWriteOptions& options) {
    std::vector<Quiet> hosts(ports.size());
    std::vector<RadioJob> jobs;
    for (std::size_t i = 0; i < ports.size(); ++i) jobs.push_back({ports[i], &hosts[i]});
    const auto t0 = std::chrono::steady_clock::now();
    const auto outcomes = SafeWriteMany(jobs, sim::DemoImage(), options);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!outcomes[i].ok()) {
            std::fprintf(stderr, "%s: %s\n", ports[i].c_str(), SummaryText(outcomes[i]).c_str());
            return -1;
        }
    }
    return wall;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    int radios = 4;
    bool verify = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--radios") == 0 && i + 1 < argc) {
            radios = std::clamp(std::atoi(argv[++i]), 2, 16);
        } else if (std::strcmp(argv[i], "--verify") == 0) {
            verify = true;
        } else {
            std::fprintf(stderr, "usage: bench_parallel_write [--runs N] [--radios N] [--verify]\n");
            return 2;
        }
    }
    std::vector<pid_t> pids;
    std::vector<std::string> ports;
    for (int i = 0; i < radios; ++i) {
        std::string path;
        const pid_t pid = StartRadio(path);
        if (pid <= 0 || path.empty()) {
            std::fprintf(stderr, "could not start virtual radio %d\n", i + 1);
            for (const pid_t p : pids) ::kill(p, SIGTERM);
            return 1;
        }
        pids.push_back(pid);
        ports.push_back(path);
    }

    const SafeWriteOptions options{std::nullopt, verify};
    std::printf(
        "%s of the demonstration plan, virtual radios at 9600 baud 8N1 (--realtime), median of %d runs\n\n",
        verify ? "Write and verify" : "Write", runs);
    int status = 0;
    std::vector<double> one;
    std::vector<double> many;
    for (int r = 0; r < runs; ++r) {
        // Alternate so that a change in the machine's load hits both alike.
        const double a = Batch({ports[0]}, options);
        const double b = Batch(ports, options);
        if (a < 0 || b < 0) status = 1;
        one.push_back(a);
        many.push_back(b);
    }
    const double m1 = Median(one);
    const double mn = Median(many);
    char label[32];
    std::snprintf(label, sizeof label, "%d radios at once", radios);
    std::printf("%-20s %9.3f s\n", "one radio", m1);
    std::printf("%-20s %9.3f s\n", label, mn);
    std::printf("%-20s %9.3f   (target at most 1.3)\n", "ratio", mn / m1);
    for (const pid_t p : pids) ::kill(p, SIGTERM);
    for (const pid_t p : pids) ::waitpid(p, nullptr, 0);
    return status;
}
