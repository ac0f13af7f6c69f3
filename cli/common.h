#pragma once
// What the verbs share: opening and saving channel files, and showing the system's messages.

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/image/memory_image.h"
#include "core/link/posix_serial_port.h"
#include "core/link/session_host.h"
#include "core/link/traced_port.h"
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

/**
 * --trace FILE: checked before the exchange, filled by a TracedPort around the real one, and stored
 * when the exchange ended, whichever way. Without a file it traces nothing.
 */
class TraceOption {
  public:
    explicit TraceOption(std::filesystem::path path) : path_(std::move(path)) {}
    /** False after printing why the file could not be written. */
    [[nodiscard]] bool Check() const;
    /** The port to hand the exchange: port itself, or the traced one. */
    [[nodiscard]] SerialPort& Wrap(SerialPort& port);
    /** Stores the trace; false after printing why not. */
    [[nodiscard]] bool Save() const;

  private:
    std::filesystem::path path_;
    SerialTrace trace_;
    std::optional<TracedPort> traced_;
};

/** File Open: the file's image, or nothing after printing why (exit code 3 for the caller). */
[[nodiscard]] std::optional<Image> OpenChannelFile(const std::filesystem::path& path);

/** File Save of an image; false after printing why. */
[[nodiscard]] bool SaveImage(const std::filesystem::path& path, const Image& image);

}  // namespace pm::cli
