#pragma once
// Serves a virtual radio on a pseudo-terminal, optionally at the pace of a real 9600-baud line.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/virtual_radio.h"

namespace pm::sim {

/** How the host serves the radio. */
struct HostOptions {
    /** Pace every byte at 9600 baud 8N1, both ways, so transfers take as long as on a cable. */
    bool realtime = false;
    /** Pause between the last byte received and an answer of the identification or Test Mode stage. */
    std::chrono::microseconds turnaround{10000};
    /** A frame left unfinished this long is forgotten. */
    std::chrono::milliseconds idleReset{500};
    /** The latency timer of a USB adapter between the radio and the PC: answers wait this long (0: none). */
    std::chrono::microseconds adapterLatency{0};
    /** A symbolic link to keep pointing at the terminal ("" for none). */
    std::string linkPath;
};

/** The wire time of one character at 9600 baud, 8N1. */
inline constexpr std::chrono::nanoseconds kCharTime{1041667};

/** A pseudo-terminal whose far end is a virtual radio; programs open Path() like a serial port. */
class PtyHost {
  public:
    /** Creates the terminal (and the link); nullptr with error set when that fails. */
    static std::unique_ptr<PtyHost> Create(VirtualRadio radio, HostOptions options, std::string& error);
    ~PtyHost();
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    /** Device path of the terminal (a new one after the line was dropped). */
    [[nodiscard]] std::string Path() const;
    /** Serves on a thread of its own until Stop or destruction. */
    void Start();
    /** Serves on the calling thread until Stop. */
    void Run();
    /** Ends Run; safe from any thread and from a signal handler. */
    void Stop();
    /** Called on the serving thread with the new path after a dropped line was replaced. */
    void OnNewPath(std::function<void(const std::string&)> callback);

    /** Called on the serving thread for every frame the radio takes in. */
    void OnEvent(std::function<void(const RadioEvent&)> callback);

    /** The radio's memory now. */
    [[nodiscard]] Image Memory() const;
    /** The frames the radio took in so far. */
    [[nodiscard]] std::vector<RadioEvent> Events() const;
    /** The Test Mode exchanges the radio completed so far. */
    [[nodiscard]] std::vector<TestRecord> TestRecords() const;
    /** How often the line was dropped. */
    [[nodiscard]] int Drops() const { return drops_.load(); }

  private:
    PtyHost(VirtualRadio radio, HostOptions options);
    bool OpenTerminal(std::string& error);
    void CloseTerminal();
    bool UpdateLink(std::string& error);

    VirtualRadio radio_;
    HostOptions options_;
    mutable std::mutex mutex_;  // guards radio_ and path_
    std::string path_;
    int master_ = -1;
    int slave_ = -1;  // held open so that the terminal survives clients closing it
    int stopPipe_[2] = {-1, -1};
    std::atomic<int> drops_{0};
    std::function<void(const std::string&)> onNewPath_;
    std::function<void(const RadioEvent&)> onEvent_;
    std::thread thread_;
};

}  // namespace pm::sim
