#pragma once
// The radio's side of the serial protocol as a state machine: bytes in, answers out, no clock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/image/memory_image.h"

namespace pm::sim {

/** Faults that strike one block of a transfer (block k is address 8 * k). */
enum class BlockFaultKind {
    WriteNoAck,    // a write block is not acknowledged (and not stored)
    WriteNak,      // a write block is answered with 0x15 instead of 0x06 (and not stored)
    CorruptWrite,  // a write block is acknowledged but stored with every bit inverted
    ShortReply,    // a read reply is cut to `length` bytes
    ReadNoAck,     // the PC's 0x06 after a read block gets no answer
    ReadNak,       // the PC's 0x06 after a read block is answered with 0x15
    DropLine,      // the line drops when the block's command arrives
};

/** One block fault. */
struct BlockFault {
    BlockFaultKind kind = BlockFaultKind::WriteNoAck;
    int block = 0;
    std::size_t length = 0;  // ShortReply only
};

/** Test Mode frames after which the radio may stay silent. */
enum class TestFrame { Item, Frequency, Value };

/** Everything the radio can do wrong; the defaults make a well-behaved radio. */
struct Faults {
    bool silent = false;                               // answers nothing at all
    int ignoreWakeUps = 0;                             // the first n wake-ups get no answer
    std::vector<std::uint8_t> wakeAnswer = {0x06};     // bytes sent for a wake-up, each after a turnaround
    std::size_t idLength = 8;                          // bytes of the identification record sent (0..8)
    bool dropOnIdentify = false;                       // the line drops at the identification request
    std::optional<std::uint8_t> confirmAnswer = 0x06;  // answer to the confirmation; none: silence
    int ignoreConfirmations = 0;                       // the first n confirmations get no answer
    std::vector<BlockFault> blocks;                    // faults of single blocks
    std::optional<TestFrame> testSilentAfter;          // Test Mode: no 0x48 after this frame
    int testSilentTimes = -1;                          // exchanges that fault strikes; -1: every one
    bool echo = false;   // a one-wire cable: every byte the PC sends comes straight back to it
    bool noise = false;  // every answer carries one stray byte at a place of its own
};

/** Bytes the radio sends; a turnaround segment leaves a pause after what the radio last received. */
struct Segment {
    bool turnaround = false;
    std::vector<std::uint8_t> bytes;
};

/** The radio's answer to one byte received. */
struct Reaction {
    std::vector<Segment> segments;
    bool dropLine = false;
    /** All bytes of all segments, in order. */
    [[nodiscard]] std::vector<std::uint8_t> Bytes() const;
};

/** A frame the radio took in, for checking what went over the line. */
struct RadioEvent {
    enum class Kind { WakeUp, Identify, Confirm, Read, ReadAck, Write, TestItem, TestFrequency, TestValue };
    Kind kind = Kind::WakeUp;
    std::size_t address = 0;  // Read and Write
    bool answered = true;     // false when a fault kept the radio silent or made it answer wrongly
    friend bool operator==(const RadioEvent&, const RadioEvent&) = default;
};

/** One complete Test Mode exchange as the radio received it. */
struct TestRecord {
    std::uint8_t item = 0;  // 'q', 'r', 's' or 't'
    std::array<std::uint8_t, 8> frequency{};
    std::array<std::uint8_t, 8> value{};
    friend bool operator==(const TestRecord&, const TestRecord&) = default;
};

/** The virtual radio: 2048 bytes of memory, a model code and a set of faults. */
class VirtualRadio {
  public:
    /** A radio holding memory that reports model in its identification record. */
    VirtualRadio(const Image& memory, std::uint8_t model, Faults faults = {});

    /** Takes one byte off the line. */
    [[nodiscard]] Reaction OnByte(std::uint8_t byte);
    /** Takes several bytes; the reactions are joined. */
    [[nodiscard]] Reaction OnBytes(std::span<const std::uint8_t> bytes);
    /** The line went quiet in the middle of a frame: forget the part received. */
    void OnLineIdle();
    /** True while a frame has been partly received. */
    [[nodiscard]] bool InFrame() const;

    /** The radio's memory. */
    [[nodiscard]] const Image& Memory() const { return memory_; }
    /** The model code it reports. */
    [[nodiscard]] std::uint8_t Model() const { return model_; }
    /** Frames taken in so far. */
    [[nodiscard]] const std::vector<RadioEvent>& Events() const { return events_; }
    /** Test Mode exchanges completed so far. */
    [[nodiscard]] const std::vector<TestRecord>& TestRecords() const { return testRecords_; }
    /** The faults in force. */
    [[nodiscard]] const Faults& CurrentFaults() const { return faults_; }

  private:
    enum class State { Idle, Woken, GotM, Identified, Programming };
    enum class Collect { None, ReadCommand, WriteCommand, WriteData, TestItem, TestFrequency, TestValue };

    Reaction Take(std::uint8_t byte);
    Reaction Dispatch(std::uint8_t byte);
    Reaction OnWakeUp();
    Reaction OnFrameComplete();
    Reaction TestAck(TestFrame frame);
    const BlockFault* FaultAt(int block, std::initializer_list<BlockFaultKind> kinds) const;
    void Start(Collect what, std::size_t bytes);

    Image memory_;
    std::uint8_t model_;
    Faults faults_;
    State state_ = State::Idle;
    std::size_t wakeIndex_ = 0;
    Collect collect_ = Collect::None;
    std::size_t need_ = 0;
    std::vector<std::uint8_t> frame_;
    std::size_t address_ = 0;
    std::optional<int> pendingReadAck_;
    int wakeUps_ = 0;
    int confirmations_ = 0;
    int testFaultsLeft_ = -1;
    std::uint32_t noiseSeed_ = 12345;
    TestRecord test_;
    std::vector<RadioEvent> events_;
    std::vector<TestRecord> testRecords_;
};

/** The identification record the radio sends for model: "P514", the model code, "RX", 0. */
[[nodiscard]] std::array<std::uint8_t, 8> IdentificationRecord(std::uint8_t model);

}  // namespace pm::sim
