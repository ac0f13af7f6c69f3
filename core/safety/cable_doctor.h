#pragma once
// The cable doctor: one line per check, from the devices the system shows to the radio's identification,
// so that "the radio did not respond" becomes the cable, the driver, the system or the radio.
//
//   PosixSerialPort port;
//   const DoctorReport report = RunCableDoctor(port, {"/dev/ttyUSB0"}, LocalEnvironment());
//   for (const auto& line : report.lines) puts(FormatDoctorLine(line).c_str());

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/link/serial_port.h"

namespace pm {

/** Where the doctor looks (fake trees in tests) and who runs it. */
struct DoctorEnvironment {
    std::filesystem::path dev = "/dev";
    std::filesystem::path sys = "/sys";
    std::filesystem::path proc = "/proc";
    std::filesystem::path groupFile = "/etc/group";
    std::string user;                     // login name, as /etc/group lists members
    std::vector<unsigned> processGroups;  // the groups this login started with (primary included)
};

/** The environment of this process: the real trees, the user and the groups of this login. */
[[nodiscard]] DoctorEnvironment LocalEnvironment();

/** What the user asked for: a port ("" lets the doctor choose the only USB device) and the loopback. */
struct DoctorRequest {
    std::string port;
    bool loopback = false;
};

enum class Verdict { Ok, Warning, Problem };

/** One check's line: the verdict, what was found and what to do about it ("" when nothing). */
struct DoctorLine {
    Verdict verdict = Verdict::Ok;
    std::string check;  // "devices", "port", "open", "services", "adapter", "loopback", "radio"
    std::string finding;
    std::string advice;
};

/** How the radio's identification went. */
enum class RadioFinding {
    NotTried,       // the port did not open, or the loopback was asked for instead
    NoAnswer,       // not one byte came back
    Echo,           // our own bytes came back: a one-wire cable (the radio may answer behind them)
    WrongAnswer,    // bytes came back, but not the answer to the wake-up
    PartialAnswer,  // the identification record came back short
    Noisy,          // the answer came with bytes that belong to no answer
    Answered,       // the wake-up and the 8-byte record, as a radio of this kind gives them
};

/** Everything the doctor found. */
struct DoctorReport {
    std::vector<DoctorLine> lines;
    std::string device;  // the device checked ("" when none could be chosen)
    bool opened = false;
    bool loopbackIntact = false;
    RadioFinding radio = RadioFinding::NotTried;
    std::optional<std::uint8_t> model;  // the identification record's model code, when one came
    /** 0 the radio answered (or the loopback came back intact), 3 the port did not open, 1 otherwise. */
    [[nodiscard]] int ExitCode() const;
};

/**
 * Runs every check on the port named in request: the devices under env.dev, claimed adapters in
 * env.sys, programs in env.proc that take serial devices, the open itself on port, the adapter, and
 * then either the loopback or the radio's identification (nothing beyond it). The port is closed again.
 */
[[nodiscard]] DoctorReport RunCableDoctor(SerialPort& port, const DoctorRequest& request,
                                          const DoctorEnvironment& env);

/** "OK       radio: ..." with the advice on an indented line below. */
[[nodiscard]] std::string FormatDoctorLine(const DoctorLine& line);

/** The word a verdict prints as: "OK", "WARNING", "PROBLEM". */
[[nodiscard]] std::string_view VerdictWord(Verdict verdict);

/** The facts known about a USB serial chip by vendor and product id and its revision (bcdDevice). */
struct ChipFacts {
    std::string chip;      // "" when the ids are not known
    std::string note;      // what is known about it, "" when nothing worth saying
    bool warning = false;  // the note is a warning (a revision some systems refuse)
};
[[nodiscard]] ChipFacts KnownChip(std::uint16_t vendor, std::uint16_t product, std::uint16_t revision);

}  // namespace pm
