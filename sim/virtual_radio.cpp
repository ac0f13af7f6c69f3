#include "sim/virtual_radio.h"

#include <algorithm>

#include "core/link/frames.h"

namespace pm::sim {
namespace {

constexpr std::uint8_t kNak = 0x15;

Reaction Answer(bool turnaround, std::vector<std::uint8_t> bytes) {
    Reaction r;
    r.segments.push_back({turnaround, std::move(bytes)});
    return r;
}

bool IsTestItem(std::uint8_t letter) {
    return letter >= 'q' && letter <= 't';
}

}  // namespace

std::vector<std::uint8_t> Reaction::Bytes() const {
    std::vector<std::uint8_t> all;
    for (const auto& s : segments) all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

std::array<std::uint8_t, 8> IdentificationRecord(std::uint8_t model) {
    return {'P', '5', '1', '4', model, 'R', 'X', 0x00};
}

VirtualRadio::VirtualRadio(const Image& memory, std::uint8_t model, Faults faults)
    : memory_(memory), model_(model), faults_(std::move(faults)), testFaultsLeft_(faults_.testSilentTimes) {}

Reaction VirtualRadio::OnBytes(std::span<const std::uint8_t> bytes) {
    Reaction all;
    for (const std::uint8_t b : bytes) {
        Reaction r = OnByte(b);
        all.segments.insert(all.segments.end(), r.segments.begin(), r.segments.end());
        all.dropLine = all.dropLine || r.dropLine;
    }
    return all;
}

bool VirtualRadio::InFrame() const {
    return collect_ != Collect::None || wakeIndex_ > 0;
}

void VirtualRadio::OnLineIdle() {
    collect_ = Collect::None;
    frame_.clear();
    wakeIndex_ = 0;
}

void VirtualRadio::Start(Collect what, std::size_t bytes) {
    collect_ = what;
    need_ = bytes;
    frame_.clear();
}

const BlockFault* VirtualRadio::FaultAt(int block, std::initializer_list<BlockFaultKind> kinds) const {
    for (const auto& f : faults_.blocks) {
        if (f.block == block && std::find(kinds.begin(), kinds.end(), f.kind) != kinds.end()) return &f;
    }
    return nullptr;
}

Reaction VirtualRadio::OnByte(std::uint8_t byte) {
    Reaction r = Take(byte);
    if (faults_.noise) {
        for (Segment& s : r.segments) {
            if (s.bytes.empty()) continue;
            noiseSeed_ = noiseSeed_ * 1103515245u + 12345u;
            // Never a byte an answer or the PC's frames could be mistaken for.
            const auto stray = static_cast<std::uint8_t>(0x80 | ((noiseSeed_ >> 16) & 0x7F));
            const std::size_t at = (noiseSeed_ >> 8) % (s.bytes.size() + 1);
            s.bytes.insert(s.bytes.begin() + static_cast<std::ptrdiff_t>(at), stray);
        }
    }
    if (faults_.echo) r.segments.insert(r.segments.begin(), Segment{false, {byte}});
    return r;
}

Reaction VirtualRadio::Take(std::uint8_t byte) {
    if (collect_ != Collect::None) {
        frame_.push_back(byte);
        if (frame_.size() < need_) return {};
        return OnFrameComplete();
    }
    if (wakeIndex_ > 0) {
        if (byte == frame::kWakeUp[wakeIndex_]) {
            if (++wakeIndex_ < frame::kWakeUp.size()) return {};
            wakeIndex_ = 0;
            return OnWakeUp();
        }
        wakeIndex_ = 0;  // not a wake-up after all: the byte counts on its own
    }
    // Right after 'M' a 0x02 completes the identification request; anywhere else it may begin a
    // wake-up, which the radio accepts in every state so that the PC can always start over.
    if (byte == frame::kWakeUp[0] && state_ != State::GotM) {
        wakeIndex_ = 1;
        return {};
    }
    return Dispatch(byte);
}

Reaction VirtualRadio::OnWakeUp() {
    ++wakeUps_;
    collect_ = Collect::None;
    pendingReadAck_.reset();
    const bool ignored = faults_.silent || wakeUps_ <= faults_.ignoreWakeUps;
    events_.push_back({RadioEvent::Kind::WakeUp, 0, !ignored});
    if (ignored) {
        state_ = State::Idle;
        return {};
    }
    state_ = State::Woken;
    Reaction r;
    for (const std::uint8_t b : faults_.wakeAnswer) r.segments.push_back({true, {b}});
    return r;
}

Reaction VirtualRadio::Dispatch(std::uint8_t byte) {
    switch (state_) {
        case State::Idle:
            return {};
        case State::Woken:
            if (byte == frame::kIdentify[0]) state_ = State::GotM;
            return {};
        case State::GotM: {
            if (byte != frame::kIdentify[1]) {
                state_ = byte == frame::kIdentify[0] ? State::GotM : State::Woken;
                return {};
            }
            events_.push_back({RadioEvent::Kind::Identify, 0, true});
            state_ = State::Identified;
            if (faults_.dropOnIdentify) {
                Reaction r;
                r.dropLine = true;
                return r;
            }
            const auto record = IdentificationRecord(model_);
            const std::size_t n = std::min(faults_.idLength, record.size());
            return Answer(true, {record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n)});
        }
        case State::Identified: {
            if (byte != frame::kAck) return {};
            ++confirmations_;
            const bool ignored = confirmations_ <= faults_.ignoreConfirmations || !faults_.confirmAnswer;
            const bool good = !ignored && *faults_.confirmAnswer == frame::kAck;
            events_.push_back({RadioEvent::Kind::Confirm, 0, good});
            if (ignored) return {};
            if (good) state_ = State::Programming;
            return Answer(true, {*faults_.confirmAnswer});
        }
        case State::Programming:
            break;
    }
    switch (byte) {
        case frame::kReadCommand:
            Start(Collect::ReadCommand, 3);
            return {};
        case frame::kWriteCommand:
            Start(Collect::WriteCommand, 3);
            return {};
        case frame::kTestCommand:
            Start(Collect::TestItem, 3);
            return {};
        case frame::kAck: {
            if (!pendingReadAck_) return {};
            const int block = *pendingReadAck_;
            pendingReadAck_.reset();
            const BlockFault* f = FaultAt(block, {BlockFaultKind::ReadNoAck, BlockFaultKind::ReadNak});
            events_.push_back({RadioEvent::Kind::ReadAck, static_cast<std::size_t>(block) * 8, f == nullptr});
            if (f == nullptr) return Answer(false, {frame::kAck});
            if (f->kind == BlockFaultKind::ReadNak) return Answer(false, {kNak});
            return {};
        }
        default:
            return {};
    }
}

Reaction VirtualRadio::TestAck(TestFrame frame) {
    if (faults_.testSilentAfter == frame && testFaultsLeft_ != 0) {
        if (testFaultsLeft_ > 0) --testFaultsLeft_;
        events_.back().answered = false;
        // The radio did not take the frame: it waits for a new command, not for the next frame.
        collect_ = Collect::None;
        return {};
    }
    return Answer(true, {frame::kTestAck});
}

Reaction VirtualRadio::OnFrameComplete() {
    const std::vector<std::uint8_t> f = frame_;
    const Collect what = collect_;
    collect_ = Collect::None;
    frame_.clear();
    switch (what) {
        case Collect::None:
            return {};
        case Collect::ReadCommand:
        case Collect::WriteCommand: {
            const std::size_t address = (static_cast<std::size_t>(f[0]) << 8) | f[1];
            // Anything but an 8-byte block inside the memory is not a command this radio knows.
            if (f[2] != frame::kBlockSize || address % frame::kBlockSize != 0 ||
                address + frame::kBlockSize > kImageSize) {
                return {};
            }
            const int block = static_cast<int>(address / frame::kBlockSize);
            const bool read = what == Collect::ReadCommand;
            pendingReadAck_.reset();
            if (FaultAt(block, {BlockFaultKind::DropLine}) != nullptr) {
                events_.push_back({read ? RadioEvent::Kind::Read : RadioEvent::Kind::Write, address, false});
                Reaction r;
                r.dropLine = true;
                return r;
            }
            if (!read) {
                address_ = address;
                Start(Collect::WriteData, frame::kBlockSize);
                return {};
            }
            std::vector<std::uint8_t> reply = {frame::kWriteCommand, f[0], f[1], f[2]};
            reply.insert(reply.end(), memory_.begin() + static_cast<std::ptrdiff_t>(address),
                         memory_.begin() + static_cast<std::ptrdiff_t>(address + frame::kBlockSize));
            bool whole = true;
            if (const BlockFault* s = FaultAt(block, {BlockFaultKind::ShortReply})) {
                reply.resize(std::min(reply.size(), s->length));
                whole = false;
            }
            events_.push_back({RadioEvent::Kind::Read, address, whole});
            pendingReadAck_ = block;
            return Answer(false, std::move(reply));
        }
        case Collect::WriteData: {
            const int block = static_cast<int>(address_ / frame::kBlockSize);
            const BlockFault* fault = FaultAt(
                block, {BlockFaultKind::WriteNoAck, BlockFaultKind::WriteNak, BlockFaultKind::CorruptWrite});
            const bool stored = fault == nullptr || fault->kind == BlockFaultKind::CorruptWrite;
            events_.push_back({RadioEvent::Kind::Write, address_, fault == nullptr});
            if (stored) {
                const std::uint8_t mask = fault == nullptr ? 0x00 : 0xFF;
                for (std::size_t i = 0; i < frame::kBlockSize; ++i) {
                    memory_[address_ + i] = static_cast<std::uint8_t>(f[i] ^ mask);
                }
                return Answer(false, {frame::kAck});
            }
            if (fault->kind == BlockFaultKind::WriteNak) return Answer(false, {kNak});
            return {};
        }
        case Collect::TestItem: {
            const bool valid = IsTestItem(f[0]) && f[1] == f[0] && f[2] == frame::kBlockSize;
            events_.push_back({RadioEvent::Kind::TestItem, 0, valid});
            if (!valid) return {};
            test_ = TestRecord{};
            test_.item = f[0];
            Start(Collect::TestFrequency, frame::kTestFrameSize);
            return TestAck(TestFrame::Item);
        }
        case Collect::TestFrequency: {
            std::copy(f.begin(), f.end(), test_.frequency.begin());
            events_.push_back({RadioEvent::Kind::TestFrequency, 0, true});
            Start(Collect::TestValue, frame::kTestFrameSize);
            return TestAck(TestFrame::Frequency);
        }
        case Collect::TestValue: {
            std::copy(f.begin(), f.end(), test_.value.begin());
            events_.push_back({RadioEvent::Kind::TestValue, 0, true});
            testRecords_.push_back(test_);
            state_ = State::Idle;
            return TestAck(TestFrame::Value);
        }
    }
    return {};
}

}  // namespace pm::sim
