// doctor: the cable doctor's checks, one line each, from the devices present to the radio's answer.

#include <iostream>
#include <memory>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/link/posix_serial_port.h"
#include "core/safety/cable_doctor.h"

namespace pm::cli {

void RegisterDoctor(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string port;
        bool loopback = false;
        std::string trace;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "doctor",
        "Check the cable, its driver, the system and the radio, one line each: OK, WARNING or PROBLEM\n"
        "with what to do. Of the radio only the identification is exchanged; nothing is read or written.\n"
        "Exit 0 when the radio answered (with --loopback: when the bytes came back intact), 1 otherwise,\n"
        "3 when the port could not be opened.");
    cmd->add_option("--port", args->port,
                    "COM1..COM4 (/dev/ttyS0..3) or a device path (default: the USB serial device found)");
    cmd->add_flag(
        "--loopback", args->loopback,
        "Instead of the radio: with the cable's transmit and receive joined at the radio end, check "
        "that bytes sent come back intact at 9600 baud");
    cmd->add_option("--trace", args->trace,
                    "Write every byte each way, with millisecond time stamps, time-outs, purges and the port "
                    "settings, as plain text at this path");
    verbs.push_back({cmd, [args] {
                         TraceOption trace(args->trace);
                         if (!trace.Check()) return kExitFile;
                         PosixSerialPort port;
                         const DoctorReport report = RunCableDoctor(
                             trace.Wrap(port), {args->port, args->loopback}, LocalEnvironment());
                         for (const auto& line : report.lines) std::cout << FormatDoctorLine(line) << '\n';
                         std::cout << std::flush;
                         if (!trace.Save()) return kExitFile;
                         return report.ExitCode();
                     }});
}

}  // namespace pm::cli
