#pragma once
// The radio end of the link tests: a virtual radio or a bare terminal on a pseudo-terminal, a scripted
// front end, a port that records what the session did, and waiting for a condition instead of sleeping.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "core/link/posix_serial_port.h"
#include "core/link/session_host.h"
#include "sim/pty_host.h"
#include "tests/support/process.h"

// Rows and options name only the fields they change; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pm::test {

/** The entries of one kind, in order. */
template <typename T, typename Kind>
std::vector<T> OfKind(const std::vector<T>& all, Kind kind) {
    std::vector<T> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [kind](const T& t) { return t.kind == kind; });
    return out;
}

/** A virtual radio served on its own pseudo-terminal for the length of a test. */
class RadioOnPty {
  public:
    explicit RadioOnPty(const Image& memory, std::uint8_t model = kDefaultModel, sim::Faults faults = {},
                        sim::HostOptions options = Options()) {
        std::string error;
        host_ = sim::PtyHost::Create(sim::VirtualRadio(memory, model, std::move(faults)), std::move(options),
                                     error);
        if (!host_) throw std::runtime_error(error);
        host_->Start();
    }
    /** A longer turnaround: an answer must follow the PC's purge even on a loaded machine. */
    static sim::HostOptions Options() {
        sim::HostOptions options;
        options.turnaround = std::chrono::milliseconds(25);
        return options;
    }
    [[nodiscard]] std::string Path() const { return host_->Path(); }
    [[nodiscard]] sim::PtyHost& Host() { return *host_; }
    /** Events of one kind, in order. */
    [[nodiscard]] std::vector<sim::RadioEvent> Events(sim::RadioEvent::Kind kind) const {
        return OfKind(host_->Events(), kind);
    }

  private:
    std::unique_ptr<sim::PtyHost> host_;
};

/** Answers Ok to OK-only boxes, else the next scripted answer (Cancel when none is left). */
class ScriptedHost : public SessionHost {
  public:
    explicit ScriptedHost(std::vector<Answer> answers = {}) : answers_(answers.begin(), answers.end()) {}
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    void SetProgress(int position) override { progress.push_back(position); }
    void BlockDone(int done, int) override { blocksDone = done; }
    Answer Ask(const Message& message) override {
        asked.push_back(message);
        if (message.buttons == Buttons::Ok || answers_.empty()) {
            return message.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        }
        const Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    bool CancelRequested() override { return cancelAfterBlocks >= 0 && blocksDone >= cancelAfterBlocks; }

    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<Message> asked;
    int blocksDone = 0;
    int cancelAfterBlocks = -1;  // ask to cancel once this many blocks went through

  private:
    std::deque<Answer> answers_;
};

/** One call the session made on its port. */
struct PortCall {
    enum class Kind { Open, Configure, ClearPurge, FullPurge, Write, Read, Close } kind;
    std::vector<std::uint8_t> bytes;  // Write: the bytes; Read: what arrived
    std::size_t asked = 0;            // Read: bytes asked for
};

/** The real POSIX port with a log of every call; shorter time-outs and failing 0x06 writes on request. */
class RecordingPort : public SerialPort {
  public:
    int Open(std::string_view name) override {
        calls.push_back({PortCall::Kind::Open, {}, 0});
        return port_.Open(name);
    }
    bool Configure(const Timeouts& t) override {
        calls.push_back({PortCall::Kind::Configure, {}, 0});
        configured.push_back(t);
        Timeouts scaled = t;
        if (divisor > 1) {
            scaled.readIntervalMs = std::max(3, t.readIntervalMs / divisor);
            scaled.readMultiplierMs = t.readMultiplierMs / divisor;
            scaled.readConstantMs = t.readConstantMs / divisor;
        }
        return port_.Configure(scaled);
    }
    void Purge(pm::Purge kind) override {
        calls.push_back(
            {kind == pm::Purge::Clear ? PortCall::Kind::ClearPurge : PortCall::Kind::FullPurge, {}, 0});
        port_.Purge(kind);
    }
    bool Write(std::span<const std::uint8_t> bytes) override {
        calls.push_back({PortCall::Kind::Write, {bytes.begin(), bytes.end()}, 0});
        if (failAckWrites && bytes.size() == 1 && bytes[0] == 0x06) return false;
        return port_.Write(bytes);
    }
    ReadResult Read(std::span<std::uint8_t> buffer) override {
        const ReadResult r = port_.Read(buffer);
        calls.push_back({PortCall::Kind::Read,
                         {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(r.count)},
                         buffer.size()});
        return r;
    }
    void Close() override {
        if (port_.IsOpen()) calls.push_back({PortCall::Kind::Close, {}, 0});
        port_.Close();
    }
    bool IsOpen() const override { return port_.IsOpen(); }

    /** The calls of one kind, in order. */
    [[nodiscard]] std::vector<PortCall> Calls(PortCall::Kind kind) const { return OfKind(calls, kind); }

    std::vector<PortCall> calls;
    std::vector<Timeouts> configured;
    int divisor = 1;             // read time-outs divided by this (silent-radio tests)
    bool failAckWrites = false;  // every single-byte write of 0x06 fails

  private:
    PosixSerialPort port_;
};

/** A pseudo-terminal whose far end the test plays itself, or leaves silent. */
class RawPeer {
  public:
    /** The terminal's path, for the port under test. */
    [[nodiscard]] const std::string& Path() const { return pty_.path; }
    /** Sends bytes as the far end. */
    void Send(std::vector<std::uint8_t> bytes) {
        ASSERT_EQ(::write(pty_.master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    /** Closes the far end, as a cable pulled out. */
    void HangUp() {
        ::close(pty_.master);
        pty_.master = -1;
    }

  private:
    RawPty pty_;
};

/** Waits until condition holds or a generous deadline passes; the condition's last answer. */
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // a polling step, not a guess of timing
    }
    return true;
}

/** An image with a distinct byte at every offset, so that misplaced bytes show. */
inline Image PatternImage(std::uint8_t seed, std::uint8_t model = kDefaultModel) {
    Image image;
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 31 + seed + (i >> 8));
    image[kModelOffset] = model;
    return image;
}

}  // namespace pm::test
