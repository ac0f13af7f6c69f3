#pragma once
// What the benchmarks share: a realtime virtual radio in a process of its own, and a median.

#include <csignal>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "core/image/memory_image.h"
#include "sim/demo_image.h"
#include "sim/pty_host.h"

namespace pm::bench {

/**
 * Starts a --realtime virtual radio with the demonstration plan in a child process, so that neither its
 * pacing nor its CPU counts as the client's; path gets its terminal. Stop it with SIGTERM. A non-zero
 * adapterLatency puts a USB adapter's latency timer between the radio and the client.
 */
inline pid_t StartRadio(std::string& path, std::chrono::microseconds adapterLatency = {}) {
    int pipe[2];
    if (::pipe(pipe) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stop, nullptr);
        sim::HostOptions options;
        options.realtime = true;
        options.adapterLatency = adapterLatency;
        std::string error;
        auto host = sim::PtyHost::Create(sim::VirtualRadio(sim::DemoImage(), kDefaultModel), options, error);
        if (!host) _exit(1);
        const std::string p = host->Path() + "\n";
        if (::write(pipe[1], p.data(), p.size()) != static_cast<ssize_t>(p.size())) _exit(1);
        ::close(pipe[1]);
        host->Start();
        int signal = 0;
        sigwait(&stop, &signal);
        host.reset();
        _exit(0);
    }
    ::close(pipe[1]);
    char c;
    while (::read(pipe[0], &c, 1) == 1 && c != '\n') path += c;
    ::close(pipe[0]);
    return pid;
}

/** The median of v (the mean of the middle two for an even count). */
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace pm::bench
