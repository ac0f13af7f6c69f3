// The program's side of the serial protocol against a radio that answers with whatever the input says:
// a read, a write and a Test Mode exchange over a port that plays the input back, with no time passing.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/image/memory_image.h"
#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/testmode_exchange.h"
#include "core/link/transfer_session.h"

namespace {

using namespace pm;

void Check(bool condition) {
    if (!condition) std::abort();
}

/** Takes bytes off the front of the fuzz input; zeros once it is used up. */
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return used_ < size_ ? data_[used_++] : 0; }
    [[nodiscard]] bool Empty() const { return used_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

/** What goes wrong besides the radio's answers: a busy port, a Cancel, writes that fail. */
struct Mishaps {
    bool busy = false;
    int cancelAt = 0;    // CancelRequested answers true from this call on; 0: never
    int failWrites = 0;  // write k fails when k % 64 == failWrites % 64; 0: none fails
};

/** A port whose far end is the input: each read takes a length byte, then that many bytes. */
class FuzzPort : public SerialPort {
  public:
    FuzzPort(Input& input, const Mishaps& mishaps) : input_(input), mishaps_(mishaps) {}
    int Open(std::string_view) override {
        Check(!open_);
        open_ = !mishaps_.busy;
        return open_ ? 0 : 16;
    }
    bool Configure(const Timeouts&) override { return open_; }
    void Purge(pm::Purge) override { Check(open_); }
    bool Write(std::span<const std::uint8_t> bytes) override {
        Check(open_ && !bytes.empty() && bytes.size() <= frame::kBlockSize);
        const int k = ++writes_;
        return mishaps_.failWrites == 0 || k % 64 != mishaps_.failWrites % 64;
    }
    ReadResult Read(std::span<std::uint8_t> buffer) override {
        Check(open_ && !buffer.empty());
        if (input_.Empty()) return {true, 0};  // the radio fell silent
        const std::uint8_t length = input_.Byte();
        if (length == 0xFF) return {false, 0};  // the line broke
        const std::size_t n = std::min<std::size_t>(length % 16, buffer.size());
        for (std::size_t i = 0; i < n; ++i) buffer[i] = input_.Byte();
        return {true, n};
    }
    void Close() override { open_ = false; }
    [[nodiscard]] bool IsOpen() const override { return open_; }
    void Pause(std::chrono::milliseconds) override {}

  private:
    Input& input_;
    const Mishaps& mishaps_;
    bool open_ = false;
    int writes_ = 0;
};

/** Answers questions from the input; Cancel once it is used up, so that every exchange ends. */
class FuzzHost : public SessionHost {
  public:
    FuzzHost(Input& input, const Mishaps& mishaps) : input_(input), mishaps_(mishaps) {}
    Answer Ask(const Message& message) override {
        if (input_.Empty()) return Answer::Cancel;
        const std::uint8_t b = input_.Byte();
        if (message.buttons == Buttons::RetryCancel) return b % 2 ? Answer::Retry : Answer::Cancel;
        return b % 2 ? Answer::Ok : Answer::Cancel;
    }
    bool CancelRequested() override { return mishaps_.cancelAt > 0 && ++checks_ >= mishaps_.cancelAt; }
    void SetProgress(int position) override { Check(position >= 0 && position <= link::kProgressMax); }
    void BlockDone(int done, int total) override { Check(done >= 1 && done <= total); }

  private:
    Input& input_;
    const Mishaps& mishaps_;
    int checks_ = 0;
};

void CheckOutcome(const LinkOutcome& outcome, const FuzzPort& port) {
    Check(!port.IsOpen());  // closed on every way out
    Check(outcome.result != LinkResult::Failed || !outcome.shown.empty());
    Check((outcome.openError != 0) == (!outcome.shown.empty() && outcome.shown.front() == link::kOpenFailed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const Mishaps mishaps{data[1] == 0xEE, data[2] * 16, data[3]};
    Input input(data + 4, size - 4);
    FuzzHost host(input, mishaps);
    FuzzPort port(input, mishaps);
    switch (data[0] % 3) {
        case 0: {
            Image image = NewDocumentImage();
            const Image before = image;
            const LinkOutcome outcome = TransferSession(port, "COM1", host).Read(image);
            CheckOutcome(outcome, port);
            // All or nothing: a read that did not end well leaves the image as it was.
            Check(outcome.result == LinkResult::Done ? outcome.blocks == frame::kReadBlocks
                                                     : image == before);
            break;
        }
        case 1: {
            const LinkOutcome outcome = TransferSession(port, "COM1", host).Write(NewDocumentImage());
            CheckOutcome(outcome, port);
            Check(outcome.blocks <= frame::kWriteBlocks);
            Check(outcome.result != LinkResult::Done || outcome.blocks == frame::kWriteBlocks);
            break;
        }
        default: {
            const TestModeRequest request{TestItem::TxPower, 47, "230.00000", "230.00000", "OFF", "88.5"};
            const LinkOutcome outcome = RunTestMode(port, "COM1", request, host);
            CheckOutcome(outcome, port);
            Check(outcome.result != LinkResult::Done || outcome.shown.back() == link::kTestModeDone);
            break;
        }
    }
    return 0;
}
