// read: Read From Radio, then File Save of exactly what came over the line.

#include <memory>
#include <optional>
#include <unistd.h>

#include "cli/ask.h"
#include "cli/common.h"
#include "cli/progress.h"
#include "cli/verbs.h"
#include "core/image/file_access.h"
#include "core/link/transfer_session.h"
#include "core/safety/outcome_text.h"

namespace pm::cli {

void RegisterRead(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string port;
        std::string out;
        int retries = 0;
        bool verbose = false;
        std::string trace;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "read",
        "Read the radio's memory into a channel file (Read From Radio, then File Save).\n"
        "The file is written only when all 256 blocks arrived. Ctrl+C cancels after the current block.");
    cmd->add_option("--port", args->port, "COM1..COM4 (/dev/ttyS0..3) or a device path, e.g. /dev/ttyUSB0")
        ->required();
    cmd->add_option("-o,--output", args->out, "Channel file to write (*.sin)")->required();
    CLI::Option* retries =
        cmd->add_option("--retries", args->retries,
                        "Answer Retry this many times to the communication error, then Cancel "
                        "(default: ask on a terminal, otherwise 0)")
            ->check(CLI::Range(0, 1000));
    cmd->add_flag("--verbose", args->verbose,
                  "Name the port's adapter (its driver) and its latency mode on stderr once it is open");
    cmd->add_option("--trace", args->trace,
                    "Write every byte each way, with millisecond time stamps, time-outs, purges and the port "
                    "settings, as plain text at this path");
    verbs.push_back(
        {cmd, [args, retries] {
             TraceOption trace(args->trace);
             if (!trace.Check()) return kExitFile;
             // Ten seconds of transfer must not end in a file that cannot be written.
             if (const FileOutcome savable = CheckSavable(args->out); !savable.ok()) {
                 PrintMessage(savable.message);
                 return kExitFile;
             }
             CancelOnInterrupt();
             ProgressBar bar(::isatty(STDERR_FILENO) == 1);
             TerminalHost host(
                 MakePolicy(false, retries->count() > 0 ? std::optional<int>(args->retries) : std::nullopt),
                 bar);
             CliPort port(args->verbose);
             Image image = NewDocumentImage();
             const LinkOutcome outcome = TransferSession(trace.Wrap(port), args->port, host).Read(image);
             bar.Finish();
             PrintCableHelp(outcome);
             // The trace is kept whatever the outcome: a failed read is when it is wanted.
             const bool traced = trace.Save();
             if (outcome.result != LinkResult::Done) {
                 PrintMessage(ReadOutcomeText(outcome).line);
                 return kExitFailed;
             }
             // Complete means kept: until the file is saved the radio's memory is nowhere.
             if (!SaveImage(args->out, image)) {
                 PrintMessage("Read failed: the radio's memory arrived but could not be saved.");
                 return kExitFile;
             }
             PrintMessage(ReadOutcomeText(outcome).line);
             return traced ? kExitOk : kExitFile;
         }});
}

}  // namespace pm::cli
