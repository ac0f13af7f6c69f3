#pragma once
// The radio end of the link tests: a virtual radio on a pseudo-terminal, a bare terminal the test plays
// itself, a scripted front end, a port decorator that records what the session did, and waiting for a
// condition instead of sleeping.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

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

// Rows and options name only the fields they change; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pm::test {

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
    /**
     * A longer turnaround than the radio's default: an answer must come after the purge that follows
     * the PC's last byte, even when a loaded machine keeps the test from running for a while.
     */
    static sim::HostOptions Options() {
        sim::HostOptions options;
        options.turnaround = std::chrono::milliseconds(25);
        return options;
    }
    [[nodiscard]] std::string Path() const { return host_->Path(); }
    [[nodiscard]] sim::PtyHost& Host() { return *host_; }
    /** Events of one kind, in order. */
    [[nodiscard]] std::vector<sim::RadioEvent> Events(sim::RadioEvent::Kind kind) const {
        std::vector<sim::RadioEvent> out;
        for (const auto& e : host_->Events()) {
            if (e.kind == kind) out.push_back(e);
        }
        return out;
    }

  private:
    std::unique_ptr<sim::PtyHost> host_;
};

/** Answers from a script: Ok for OK-only boxes, the next scripted answer otherwise (Cancel when none is
 * left). */
class ScriptedHost : public SessionHost {
  public:
    explicit ScriptedHost(std::vector<Answer> answers = {}) : answers_(answers.begin(), answers.end()) {}
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    void SetProgress(int position) override { progress.push_back(position); }
    void BlockDone(int done, int total) override {
        blocksDone = done;
        blockTotal = total;
    }
    Answer Ask(const Message& message) override {
        asked.push_back(message);
        if (message.buttons == Buttons::Ok || answers_.empty()) {
            return message.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        }
        const Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    bool CancelRequested() override {
        ++cancelChecks;
        return cancelAfterBlocks >= 0 && blocksDone >= cancelAfterBlocks;
    }

    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<Message> asked;
    int blocksDone = 0;
    int blockTotal = 0;
    int cancelAfterBlocks = -1;  // ask to cancel once this many blocks went through
    int cancelChecks = 0;

  private:
    std::deque<Answer> answers_;
};

/** One call the session made on its port. */
struct PortCall {
    enum class Kind { Open, Configure, ClearPurge, FullPurge, Write, Read, Close } kind;
    std::vector<std::uint8_t> bytes;  // Write: the bytes; Read: what arrived
    std::size_t asked = 0;            // Read: bytes asked for
};

/**
 * The real POSIX port with a log of every call. Time-outs can be shortened for tests of a radio
 * that stays silent, and the single-byte writes of 0x06 can be made to fail.
 */
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
    [[nodiscard]] std::vector<PortCall> Calls(PortCall::Kind kind) const {
        std::vector<PortCall> out;
        for (const auto& c : calls) {
            if (c.kind == kind) out.push_back(c);
        }
        return out;
    }

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
    /** Opens a raw pseudo-terminal pair; throws when the system has none. */
    RawPeer() {
        master_ = ::open("/dev/ptmx", O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        path_ = name;
        keep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        ::tcgetattr(keep_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(keep_, TCSANOW, &tio);
    }
    ~RawPeer() {
        if (master_ >= 0) ::close(master_);
        if (keep_ >= 0) ::close(keep_);
    }
    /** The terminal's path, for the port under test. */
    [[nodiscard]] const std::string& Path() const { return path_; }
    /** Sends bytes as the far end. */
    void Send(std::vector<std::uint8_t> bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    /** Closes the far end, as a cable pulled out. */
    void HangUp() {
        ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    int keep_ = -1;
    std::string path_;
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
