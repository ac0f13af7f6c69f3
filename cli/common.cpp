#include "cli/common.h"

#include <iostream>

#include "core/image/channel_file.h"
#include "core/image/file_access.h"
#include "core/safety/port_diagnosis.h"

namespace pm::cli {

void PrintMessage(std::string_view text) {
    std::cerr << text << '\n' << std::flush;
}

void PrintMessage(const Message& message) {
    PrintMessage(message.text);
}

void PrintCableHelp(const LinkOutcome& outcome) {
    if (const std::string help = OpenFailureHelp(outcome); !help.empty()) PrintMessage(help);
}

int CliPort::Open(std::string_view name) {
    const int error = PosixSerialPort::Open(name);
    // A write with backup and verify opens the port three times; once is enough to tell.
    if (error == 0 && verbose_) {
        verbose_ = false;
        PrintMessage(DevicePath() + ": " + DescribeAdapter(Adapter()));
        if (const std::string advice = LatencyAdvice(Adapter()); !advice.empty()) PrintMessage(advice);
    }
    return error;
}

bool TraceOption::Check() const {
    if (path_.empty()) return true;
    const FileOutcome outcome = CheckSavable(path_);
    if (!outcome.ok()) PrintMessage(outcome.message);
    return outcome.ok();
}

SerialPort& TraceOption::Wrap(SerialPort& port) {
    if (path_.empty()) return port;
    traced_.emplace(port, trace_);
    return *traced_;
}

bool TraceOption::Save() const {
    if (path_.empty()) return true;
    const std::string text = trace_.Text();
    const FileOutcome outcome =
        SaveFileAtomically(path_, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!outcome.ok()) PrintMessage(outcome.message);
    return outcome.ok();
}

std::optional<Image> OpenChannelFile(const std::filesystem::path& path) {
    Image image = NewDocumentImage();
    const FileOutcome outcome = LoadChannelFile(path, image);
    if (!outcome.ok()) {
        PrintMessage(outcome.message);
        return std::nullopt;
    }
    return image;
}

bool SaveImage(const std::filesystem::path& path, const Image& image) {
    const FileOutcome outcome = SaveChannelFile(path, image);
    if (!outcome.ok()) {
        PrintMessage(outcome.message);
        return false;
    }
    return true;
}

}  // namespace pm::cli
