#pragma once
// What the verbs share: opening and saving channel files, and showing the system's messages.

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/image/memory_image.h"
#include "core/link/posix_serial_port.h"
#include "core/link/session_host.h"
#include "core/texts.h"

namespace pm::cli {

/** Prints a message of the system on stderr, exactly, one per line. */
void PrintMessage(std::string_view text);
void PrintMessage(const Message& message);

/** After the open-failure message of an exchange: the second line that explains it, when known. */
void PrintCableHelp(const LinkOutcome& outcome);

/** The POSIX port of read and write; with verbose, the first Open names the adapter and its latency. */
class CliPort : public PosixSerialPort {
  public:
    explicit CliPort(bool verbose) : verbose_(verbose) {}
    [[nodiscard]] int Open(std::string_view name) override;

  private:
    bool verbose_;
};

/** File Open: the file's image, or nothing after printing why (exit code 3 for the caller). */
[[nodiscard]] std::optional<Image> OpenChannelFile(const std::filesystem::path& path);

/** File Save of an image; false after printing why. */
[[nodiscard]] bool SaveImage(const std::filesystem::path& path, const Image& image);

}  // namespace pm::cli
