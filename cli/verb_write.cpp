// write: File Open, then Write To Radio of the file as the editor would encode it.

#include <memory>
#include <optional>
#include <unistd.h>

#include "cli/ask.h"
#include "cli/common.h"
#include "cli/progress.h"
#include "cli/verbs.h"
#include "core/image/document.h"
#include "core/link/posix_serial_port.h"
#include "core/link/transfer_session.h"

namespace pm::cli {

void RegisterWrite(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string port;
        std::string in;
        bool yes = false;
        int retries = 0;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "write",
        "Write a channel file into the radio (File Open, then Write To Radio).\n"
        "The image sent is the file decoded and encoded again, as the editor sends it.\n"
        "Ctrl+C cancels after the current block; the radio keeps the blocks it received.");
    cmd->add_option("--port", args->port, "COM1..COM4 (/dev/ttyS0..3) or a device path, e.g. /dev/ttyUSB0")
        ->required();
    cmd->add_option("input", args->in, "Channel file to send (*.sin)")->required();
    cmd->add_flag("--yes", args->yes,
                  "Answer OK when the radio's type differs from the file's "
                  "(default: ask on a terminal, otherwise Cancel)");
    CLI::Option* retries =
        cmd->add_option("--retries", args->retries,
                        "Answer Retry this many times to the communication error, then Cancel "
                        "(default: ask on a terminal, otherwise 0)")
            ->check(CLI::Range(0, 1000));
    verbs.push_back({cmd, [args, retries] {
                         const std::optional<Image> file = OpenChannelFile(args->in);
                         if (!file) return kExitFile;
                         const Image image = RoundTrip(*file);
                         CancelOnInterrupt();
                         ProgressBar bar(::isatty(STDERR_FILENO) == 1);
                         TerminalHost host(MakePolicy(args->yes, retries->count() > 0
                                                                     ? std::optional<int>(args->retries)
                                                                     : std::nullopt),
                                           bar);
                         PosixSerialPort port;
                         const LinkOutcome outcome = TransferSession(port, args->port, host).Write(image);
                         bar.Finish();
                         return outcome.result == LinkResult::Done ? kExitOk : kExitFailed;
                     }});
}

}  // namespace pm::cli
