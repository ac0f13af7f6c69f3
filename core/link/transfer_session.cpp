#include "core/link/transfer_session.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <array>
#include <chrono>
#include <thread>

#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/port_names.h"

namespace pm {
namespace {

constexpr int kWakeAttempts = 15;
// The confirmation byte is the one write whose failure is reported; after this many further
// tries we stop repeating it and treat the radio as unreachable.
constexpr int kConfirmRetries = 3;
constexpr std::size_t kWriteLimit = frame::kWriteBlocks * frame::kBlockSize;  // 0x7D8

void Pause(SerialPort& port, int ms) {
    port.Pause(std::chrono::milliseconds(ms));
}

#ifdef __linux__
/**
 * Narrows the calling thread's timer slack while an exchange runs: the protocol's pauses are 1 ms
 * and the default 50 us slack alone would add 5 % to them.
 */
class PreciseTimers {
  public:
    PreciseTimers() : old_(::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
        ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    }
    ~PreciseTimers() {
        if (old_ > 0) ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(old_), 0, 0, 0);
    }
    PreciseTimers(const PreciseTimers&) = delete;
    PreciseTimers& operator=(const PreciseTimers&) = delete;

  private:
    int old_;
};
#else
// Elsewhere (the browser) the port's own pauses decide how precise they are.
struct PreciseTimers {};
#endif

bool IsByte(const ReadResult& r, const std::uint8_t* buffer, std::uint8_t expected) {
    return r.ok && r.count == 1 && buffer[0] == expected;
}

}  // namespace

TransferSession::TransferSession(SerialPort& port, std::string portName, SessionHost& host)
    : port_(port), portName_(std::move(portName)), host_(host) {}

LinkOutcome TransferSession::Read(Image& image) {
    return Run(false, image);
}

LinkOutcome TransferSession::Write(const Image& image) {
    Image copy = image;
    return Run(true, copy);
}

Answer TransferSession::Show(const Message& message) {
    outcome_.shown.push_back(message);
    const Answer answer = host_.Ask(message);
    switch (message.buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return answer == Answer::Ok ? Answer::Ok : Answer::Cancel;
        case Buttons::RetryCancel:
            return answer == Answer::Retry ? Answer::Retry : Answer::Cancel;
    }
    return Answer::Cancel;
}

bool TransferSession::WaitSteps(int steps, int pauseMs) {
    for (int i = 0; i < steps; ++i) {
        if (host_.CancelRequested()) return false;
        if (pauseMs > 0) Pause(port_, pauseMs);
    }
    return !host_.CancelRequested();
}

void TransferSession::WriteByte(std::uint8_t byte) {
    // Only the confirmation looks at whether a write went through; elsewhere a lost byte shows up
    // as a missing answer.
    (void)port_.Write(std::span<const std::uint8_t>(&byte, 1));
}

LinkOutcome TransferSession::Run(bool write, Image& image) {
    outcome_ = LinkOutcome{};
    outcome_.device = DevicePathOfPort(portName_);
    checkModel_ = true;
    position_ = 0;

    if (const int error = port_.Open(portName_); error != 0) {
        outcome_.openError = error;
        Show(link::kOpenFailed);
        outcome_.result = LinkResult::Failed;
        return outcome_;
    }
    PortCloser closer(port_);
    [[maybe_unused]] PreciseTimers timers;
    // A setting the port refuses is not fatal here: it shows up as a radio that does not answer.
    (void)port_.Configure(kTransferTimeouts);
    host_.SetStatus(link::kStatusDetecting);

    for (;;) {
        const Identified id = Identify(write, image[kModelOffset]);
        if (id == Identified::Confirmed) break;
        if (id == Identified::Cancelled || id == Identified::Refused) {
            outcome_.result = LinkResult::Cancelled;
            return outcome_;
        }
        if (Show(link::kCommunicationError) != Answer::Retry) {
            outcome_.result = LinkResult::Failed;
            return outcome_;
        }
    }

    if (write) {
        if (!WriteBlocks(image)) return outcome_;
    } else {
        // Blocks collect in a copy that starts as the caller's image, so a failed or cancelled
        // read changes nothing and a short reply leaves the caller's bytes where data is missing.
        Image buffer = image;
        if (!ReadBlocks(buffer)) return outcome_;
        image = buffer;
    }
    port_.Close();
    host_.SetProgress(link::kProgressMax);
    outcome_.result = LinkResult::Done;
    return outcome_;
}

bool TransferSession::WakeUpAnswered() {
    port_.Purge(Purge::Full);
    for (const std::uint8_t b : frame::kWakeUp) {
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        WriteByte(b);
    }
    port_.Purge(Purge::Clear);
    host_.SetStatus(link::kStatusWaiting);
    std::uint8_t answer = 0;
    ReadResult r = port_.Read({&answer, 1});
    if (IsByte(r, &answer, frame::kAck)) return true;
    if (!r.ok) return false;
    // Some radios clear their line with one other byte first; the 0x06 follows.
    port_.Purge(Purge::Clear);
    r = port_.Read({&answer, 1});
    return IsByte(r, &answer, frame::kAck);
}

bool TransferSession::Confirm() {
    const std::uint8_t ack = frame::kAck;
    int failures = 0;
    for (;;) {
        port_.Purge(Purge::Clear);
        if (port_.Write({&ack, 1})) return true;
        if (++failures > kConfirmRetries) return false;
        Show(link::kSendOrderError);
    }
}

TransferSession::Identified TransferSession::Identify(bool write, std::uint8_t imageModel) {
    int attempt = 1;
    for (;;) {
        if (!WaitSteps(7, 1)) return Identified::Cancelled;
        if (!WakeUpAnswered()) {
            Pause(port_, 2);
            if (++attempt <= kWakeAttempts) continue;
            return Identified::CommunicationError;
        }
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        WriteByte(frame::kIdentify[0]);
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        WriteByte(frame::kIdentify[1]);
        port_.Purge(Purge::Clear);
        std::array<std::uint8_t, frame::kIdRecordSize> record{};
        const ReadResult id = port_.Read(record);
        if (!id.ok) return Identified::CommunicationError;

        if (write && checkModel_) {
            // A record too short to hold a model code proves nothing about the radio: ask.
            const bool known = id.count > frame::kIdModelIndex;
            const std::uint8_t model = record[frame::kIdModelIndex];
            if (!known || (model != frame::kAnyModel && model != imageModel)) {
                if (Show(link::kModelMismatch) != Answer::Ok) return Identified::Refused;
                checkModel_ = false;
                // Give the radio time to drop the half-finished identification before waking it again.
                if (!WaitSteps(351, 1)) return Identified::Cancelled;
                attempt = 1;
                continue;
            }
        }

        if (!Confirm()) return Identified::CommunicationError;
        port_.Purge(Purge::Clear);
        std::uint8_t answer = 0;
        const ReadResult r = port_.Read({&answer, 1});
        if (IsByte(r, &answer, frame::kAck)) return Identified::Confirmed;
        if (!r.ok) return Identified::CommunicationError;
        if (!WaitSteps(601, 1)) return Identified::Cancelled;
        return Identified::CommunicationError;
    }
}

void TransferSession::StepProgress(int limit) {
    if (position_ > limit) return;
    ++position_;
    host_.SetProgress(position_);
    host_.SetStatus(std::to_string(position_));
}

bool TransferSession::WriteBlocks(const Image& image) {
    for (int k = 0; k < frame::kWriteBlocks; ++k) {
        const std::size_t address = static_cast<std::size_t>(k) * frame::kBlockSize;
        port_.Purge(Purge::Clear);
        const auto command = frame::BlockCommand(frame::kWriteCommand, address);
        (void)port_.Write(command);
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        static_assert(kWriteLimit <= kImageSize);
        const bool sent =
            port_.Write(std::span<const std::uint8_t>(image.data() + address, frame::kBlockSize));
        std::uint8_t answer = 0;
        const ReadResult r = port_.Read({&answer, 1});
        if (!IsByte(r, &answer, frame::kAck)) {
            // A block refused outright, never sent whole or cut off by a dropped line is not stored; one
            // left unanswered on a live line may be.
            outcome_.blockUnanswered = sent && r.ok && !IsByte(r, &answer, frame::kNak);
            Show(link::kProgramInterrupt);
            outcome_.result = LinkResult::Failed;
            return false;
        }
        outcome_.blocks = k + 1;
        StepProgress(link::kProgressMax - 2);
        host_.BlockDone(k + 1, frame::kWriteBlocks);
        if (host_.CancelRequested()) {
            outcome_.result = LinkResult::Cancelled;
            return false;
        }
        Pause(port_, 1);
    }
    return true;
}

bool TransferSession::ReadBlocks(Image& buffer) {
    for (int k = 0; k < frame::kReadBlocks; ++k) {
        const std::size_t address = static_cast<std::size_t>(k) * frame::kBlockSize;
        port_.Purge(Purge::Clear);
        (void)port_.Write(frame::BlockCommand(frame::kReadCommand, address));
        std::array<std::uint8_t, frame::kReplySize> reply{};
        const ReadResult r = port_.Read(reply);
        // A reply short of a whole block is no block: storing part of it would leave stale bytes.
        if (!r.ok || r.count < frame::kReplySize) {
            Show(link::kNotEnoughBytes);
            outcome_.result = LinkResult::Failed;
            return false;
        }
        port_.Purge(Purge::Clear);
        for (std::size_t i = frame::kReplyHeaderSize; i < frame::kReplySize; ++i) {
            buffer[address + i - frame::kReplyHeaderSize] = reply[i];
        }
        StepProgress(link::kProgressMax - 1);
        Pause(port_, 15);
        port_.Purge(Purge::Clear);
        WriteByte(frame::kAck);
        std::uint8_t answer = 0;
        const ReadResult a = port_.Read({&answer, 1});
        if (!IsByte(a, &answer, frame::kAck)) {
            Show(link::kReadAckError);
            outcome_.result = LinkResult::Failed;
            return false;
        }
        outcome_.blocks = k + 1;
        host_.BlockDone(k + 1, frame::kReadBlocks);
        if (host_.CancelRequested()) {
            outcome_.result = LinkResult::Cancelled;
            return false;
        }
        Pause(port_, 5);
    }
    return true;
}

}  // namespace pm
