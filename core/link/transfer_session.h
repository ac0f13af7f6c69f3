#pragma once
// Reading the radio's memory into an image, and writing an image into the radio.

#include <cstdint>
#include <string>

#include "core/image/memory_image.h"
#include "core/link/serial_port.h"
#include "core/link/session_host.h"

namespace pm {

/**
 * One transfer over one port: wake-up and identification (15 attempts, Retry from the
 * communication error), the model check before a write, then the 8-byte blocks. Runs on any
 * thread; the port is opened at the start and closed on every way out.
 */
class TransferSession {
  public:
    /** A transfer over port (not yet open), opened by portName, reporting to host. */
    TransferSession(SerialPort& port, std::string portName, SessionHost& host);

    /** Reads 256 blocks; image is replaced only when every block arrived, untouched otherwise. */
    [[nodiscard]] LinkOutcome Read(Image& image);

    /** Writes image[0x000..0x7D7] in 251 blocks, after checking the radio's model against image[0x7D3]. */
    [[nodiscard]] LinkOutcome Write(const Image& image);

  private:
    enum class Identified { Confirmed, CommunicationError, Refused, Cancelled };

    LinkOutcome Run(bool write, Image& image);
    Identified Identify(bool write, std::uint8_t imageModel);
    bool WakeUpAnswered();
    bool Confirm();
    bool ReadBlocks(Image& buffer);
    bool WriteBlocks(const Image& image);
    void StepProgress(int limit);
    Answer Show(const Message& message);
    /** Pump steps: a cancel check before each, then the pause; false when cancel was asked. */
    bool WaitSteps(int steps, int pauseMs);
    void WriteByte(std::uint8_t byte);

    SerialPort& port_;
    std::string portName_;
    SessionHost& host_;
    LinkOutcome outcome_;
    bool checkModel_ = true;
    int position_ = 0;
};

}  // namespace pm
