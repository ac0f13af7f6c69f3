// write: File Open, then Write To Radio of the file as the editor would encode it; optionally a
// backup of the radio before and a read-back check after, on one radio or on several at once.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/ask.h"
#include "cli/common.h"
#include "cli/progress.h"
#include "cli/verbs.h"
#include "core/image/document.h"
#include "core/image/file_access.h"
#include "core/image/image_diff.h"
#include "core/image/numeric_text.h"
#include "core/link/port_names.h"
#include "core/link/posix_serial_port.h"
#include "core/link/usb_adapter.h"
#include "core/safety/backup_store.h"
#include "core/safety/outcome_text.h"
#include "core/safety/port_diagnosis.h"
#include "core/safety/restore_point.h"
#include "core/safety/safe_write.h"

namespace pm::cli {
namespace {

namespace fs = std::filesystem;

// A verify that finds a whole plan changed would print hundreds of lines; the first ones say enough.
constexpr std::size_t kDiffLinesShown = 20;

std::string_view StageName(SafeStage stage) {
    switch (stage) {
        case SafeStage::Backup:
            return "backup";
        case SafeStage::Write:
            return "write";
        case SafeStage::Verify:
            return "verify";
    }
    return "";
}

std::string_view StageLine(SafeStage stage) {
    switch (stage) {
        case SafeStage::Backup:
            return "Reading the radio for the backup...";
        case SafeStage::Write:
            return "Writing the radio...";
        case SafeStage::Verify:
            return "Reading the radio back to verify...";
    }
    return "";
}

/**
 * One radio: the terminal host of a plain write, renewed for every exchange so that each gets its
 * own --retries, with a line naming the exchange above its bar when there are several.
 */
class SingleHost : public SafeWriteHost {
  public:
    SingleHost(AnswerPolicy policy, bool bar, bool namesStages)
        : policy_(policy), barEnabled_(bar), namesStages_(namesStages) {}

    void StageStarted(SafeStage stage) override {
        terminal_.reset();
        bar_.emplace(barEnabled_);
        terminal_.emplace(policy_, *bar_);
        if (barEnabled_ && namesStages_) PrintMessage(StageLine(stage));
    }
    void StageEnded(SafeStage, const LinkOutcome& outcome) override {
        bar_->Finish();
        PrintCableHelp(outcome);
    }
    void SetStatus(std::string_view text) override { terminal_->SetStatus(text); }
    void SetProgress(int position) override { terminal_->SetProgress(position); }
    void BlockDone(int done, int total) override { terminal_->BlockDone(done, total); }
    Answer Ask(const Message& message) override { return terminal_->Ask(message); }
    bool CancelRequested() override { return Interrupted(); }

  private:
    AnswerPolicy policy_;
    bool barEnabled_;
    bool namesStages_;
    std::optional<ProgressBar> bar_;
    std::optional<TerminalHost> terminal_;
};

/**
 * What several radios show on stderr: on a terminal one redrawn line per radio with messages
 * scrolling above them; otherwise only the messages, each led by its port.
 */
class BatchBoard {
  public:
    BatchBoard(const std::vector<std::string>& ports, bool terminal) : terminal_(terminal) {
        width_ = 4;
        for (const auto& p : ports) lines_.push_back({EscapeControls(p), "waiting", 0, 0});
        for (const auto& l : lines_) width_ = std::max(width_, l.port.size());
    }

    void Update(std::size_t radio, std::string_view stage, int done, int total) {
        const std::lock_guard lock(mutex_);
        lines_[radio].stage = stage;
        lines_[radio].done = done;
        lines_[radio].total = total;
        // Four radios stepping blocks every few milliseconds would flood the terminal.
        const auto now = std::chrono::steady_clock::now();
        if (done != total && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        Redraw();
    }

    void Print(std::size_t radio, std::string_view text) {
        const std::lock_guard lock(mutex_);
        Erase();
        std::cerr << lines_[radio].port << ": " << text << '\n';
        Redraw();
    }

    void Finish() {
        const std::lock_guard lock(mutex_);
        Redraw();
        drawn_ = 0;
    }

  private:
    struct Line {
        std::string port;
        std::string stage;
        int done;
        int total;
    };

    void Erase() {
        if (!terminal_ || drawn_ == 0) return;
        std::cerr << "\r\x1b[" << drawn_ << "A\x1b[J";
        drawn_ = 0;
    }

    void Redraw() {
        if (!terminal_) return;
        Erase();
        constexpr int kWidth = 24;
        winsize size{};
        const std::size_t columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20 ? size.ws_col : 80;
        for (const auto& l : lines_) {
            std::string text = l.port + std::string(width_ - l.port.size() + 2, ' ') + l.stage;
            text += std::string(text.size() < width_ + 10 ? width_ + 10 - text.size() : 1, ' ');
            if (l.total > 0) {
                const int filled = l.done * kWidth / l.total;
                text += "[" + std::string(static_cast<std::size_t>(filled), '#') +
                        std::string(static_cast<std::size_t>(kWidth - filled), '-') + "] " +
                        std::to_string(l.done) + "/" + std::to_string(l.total);
            }
            // A line that wrapped would throw the count of lines to move back over.
            if (text.size() >= columns) text.resize(columns - 1);
            std::cerr << text << "\x1b[K\n";
        }
        std::cerr << std::flush;
        drawn_ = lines_.size();
    }

    std::mutex mutex_;
    bool terminal_;
    std::size_t width_;
    std::vector<Line> lines_;
    std::size_t drawn_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

/** One radio of several: questions answered from the flags alone, everything shown through the board. */
class BatchHost : public SafeWriteHost {
  public:
    BatchHost(BatchBoard& board, std::size_t radio, bool yes, int retries)
        : board_(board), radio_(radio), yes_(yes), retries_(retries) {}

    void StageStarted(SafeStage stage) override {
        stage_ = stage;
        retriesLeft_ = retries_;
        board_.Update(radio_, StageName(stage), 0, 0);
    }
    void StageEnded(SafeStage, const LinkOutcome& outcome) override {
        if (const std::string help = OpenFailureHelp(outcome); !help.empty()) board_.Print(radio_, help);
    }
    void BlockDone(int done, int total) override { board_.Update(radio_, StageName(stage_), done, total); }
    void Finished(const SafeWriteOutcome& outcome) override {
        board_.Update(radio_, SummaryText(outcome), 0, 0);
    }
    Answer Ask(const Message& message) override {
        board_.Print(radio_, message.text);
        switch (message.buttons) {
            case Buttons::Ok:
                return Answer::Ok;
            case Buttons::OkCancel:
                return yes_ && !Interrupted() ? Answer::Ok : Answer::Cancel;
            case Buttons::RetryCancel:
                if (retriesLeft_ <= 0 || Interrupted()) return Answer::Cancel;
                --retriesLeft_;
                return Answer::Retry;
        }
        return Answer::Cancel;
    }
    bool CancelRequested() override { return Interrupted(); }

  private:
    BatchBoard& board_;
    std::size_t radio_;
    bool yes_;
    int retries_;
    int retriesLeft_ = 0;
    SafeStage stage_ = SafeStage::Write;
};

/** What a radio's outcome adds to its messages: the backup's place, the check's verdict, the differences. */
void Report(const SafeWriteOutcome& o, const std::string& lead) {
    if (!o.backupPath.empty())
        std::cout << lead << "Backup of the radio's memory: " << DisplayName(o.backupPath) << '\n';
    switch (o.status) {
        case SafeStatus::Done:
            if (o.stage == SafeStage::Verify)
                std::cout << lead << "Verified: the radio holds what was sent.\n";
            break;
        case SafeStatus::BackupFailed:
            if (!o.error.empty()) std::cerr << lead << o.error << '\n';
            std::cerr << lead << "No backup, so nothing was written to the radio.\n";
            break;
        case SafeStatus::WriteFailed:
            if (!o.error.empty()) std::cerr << lead << o.error << '\n';
            break;
        case SafeStatus::VerifyIncomplete:
            std::cerr << lead
                      << "The radio was written, but reading it back did not complete: it is not verified.\n";
            break;
        case SafeStatus::VerifyMismatch: {
            std::cerr << lead << "Verify failed: the radio holds other data than was sent in "
                      << DescribeMismatch(o.mismatchBytes) << " (sent -> radio):\n";
            const auto lines = DescribeDiff(o.mismatch);
            for (std::size_t i = 0; i < lines.size() && i < kDiffLinesShown; ++i)
                std::cerr << lead << "  " << lines[i] << '\n';
            if (lines.size() > kDiffLinesShown) {
                std::cerr << lead << "  ... and " << lines.size() - kDiffLinesShown << " more\n";
            }
            break;
        }
        case SafeStatus::Cancelled:
            break;
    }
    std::cout << std::flush;
    std::cerr << std::flush;
}

/** Names an earlier write to port that stopped half-way, before this one starts. */
void NoticeInterruptedWrite(const std::string& port, const std::string& lead) {
    if (const auto record = FindInterruptedWrite(DefaultBackupDir(), port))
        std::cerr << lead << InterruptedWriteNotice(*record) << '\n' << std::flush;
}

/** Keeps port's record of an interrupted write up to date and names the way back when there is one. */
void RecordEnd(const std::string& port, const SafeWriteOutcome& o, const std::string& lead) {
    std::string error;
    const auto record = RecordWriteEnd(DefaultBackupDir(), port, o, std::chrono::system_clock::now(), &error);
    if (!error.empty()) std::cerr << lead << error << '\n';
    if (record && !record->restorePoint.empty() && WriteOutcomeText(o).radioUnsure) {
        std::cerr << lead << RestorePointText(*record) << "; write --port " << EscapeControls(port)
                  << " --restore-point writes it back.\n";
    }
    std::cerr << std::flush;
}

/** The table that ends a batch: port, result, time. */
void PrintSummary(const std::vector<std::string>& ports, const std::vector<SafeWriteOutcome>& outcomes) {
    std::size_t portWidth = 4;
    std::size_t resultWidth = 6;
    std::vector<std::string> results;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        results.push_back(SummaryText(outcomes[i]));
        names.push_back(EscapeControls(ports[i]));
        portWidth = std::max(portWidth, names.back().size());
        resultWidth = std::max(resultWidth, results.back().size());
    }
    auto row = [&](const std::string& port, const std::string& result, const std::string& time) {
        std::cout << port << std::string(portWidth - port.size() + 2, ' ') << result
                  << std::string(resultWidth - result.size() + 2, ' ') << time << '\n';
    };
    row("PORT", "RESULT", "TIME");
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const double seconds = std::chrono::duration<double>(outcomes[i].elapsed).count();
        row(names[i], results[i], FormatFixed(seconds, 1) + " s");
    }
    std::cout << std::flush;
}

/** The first port that names the same device as an earlier one, if any. */
std::optional<std::pair<std::string, std::string>> SameDeviceTwice(const std::vector<std::string>& ports) {
    std::vector<fs::path> devices;
    for (const auto& p : ports) {
        std::error_code ec;
        fs::path device = fs::weakly_canonical(DevicePathOfPort(p), ec);
        if (ec) device = DevicePathOfPort(p);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (devices[i] == device) return std::make_pair(ports[i], p);
        }
        devices.push_back(device);
    }
    return std::nullopt;
}

}  // namespace

void RegisterWrite(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::vector<std::string> ports;
        std::string in;
        bool yes = false;
        int retries = 0;
        std::string backup;
        bool verify = false;
        bool verbose = false;
        std::string trace;
        bool restorePoint = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "write",
        "Write a channel file into the radio (File Open, then Write To Radio).\n"
        "The image sent is the file decoded and encoded again, as the editor sends it.\n"
        "Ctrl+C cancels after the current block; the radio keeps the blocks it received.\n"
        "Several --port options program several radios at once, one thread each; their questions are then\n"
        "answered by --yes and --retries alone (never asked on the terminal), and a table of port, result "
        "and\n"
        "time ends the run. Exit 0 only when every radio was written (and backed up and verified as asked).");
    cmd->add_option(
           "--port", args->ports,
           "COM1..COM4 (/dev/ttyS0..3) or a device path, e.g. /dev/ttyUSB0; repeat for several radios")
        ->required()
        ->allow_extra_args(false);
    cmd->add_option("input", args->in, "Channel file to send (*.sin); required");
    cmd->add_flag("--yes", args->yes,
                  "Answer OK when the radio's type differs from the file's "
                  "(default: ask on a terminal, otherwise Cancel)");
    CLI::Option* retries =
        cmd->add_option(
               "--retries", args->retries,
               "Answer Retry this many times to the communication error of each exchange, then Cancel "
               "(default: ask on a terminal, otherwise 0)")
            ->check(CLI::Range(0, 1000));
    CLI::Option* backup =
        cmd->add_option("--backup", args->backup,
                        "First read the radio and keep its memory as a time-stamped .sin in DIR (default: " +
                            (DefaultBackupDir().empty() ? std::string("none, there is no home folder")
                                                        : DisplayName(DefaultBackupDir())) +
                            "; the newest " + std::to_string(kBackupsKept) +
                            " are kept); nothing is written when that fails")
            ->expected(0, 1)
            ->type_name("[DIR]");
    cmd->add_flag("--verify", args->verify,
                  "Afterwards read the radio back and compare bytes 0x000..0x7D7 with what was sent");
    cmd->add_flag("--restore-point", args->restorePoint,
                  "Instead of a channel file, write back the radio's memory from before the last write to "
                  "--port that stopped half-way (named before every write to that port)");
    cmd->add_flag("--verbose", args->verbose,
                  "Name each port's adapter (its driver) on stderr; for one port also its latency mode once "
                  "open");

    cmd->add_option("--trace", args->trace,
                    "Write every byte each way, with millisecond time stamps, time-outs, purges and the port "
                    "settings, as plain text at this path (one --port only)");
    verbs.push_back({cmd, [args, retries, backup] {
                         // --backup takes the next word when it can; if that left no channel file, the
                         // word was the file and the backup goes to the default folder.
                         std::optional<fs::path> backupDir;
                         if (backup->count() > 0) {
                             if (args->in.empty() && !args->backup.empty() && !args->restorePoint)
                                 args->in = std::exchange(args->backup, "");
                             backupDir = args->backup.empty() ? DefaultBackupDir() : fs::path(args->backup);
                         }
                         std::optional<InterruptedWrite> restore;
                         if (args->restorePoint) {
                             if (!args->in.empty() || args->ports.size() != 1) {
                                 std::cerr << "write: --restore-point takes one --port and no channel file\n";
                                 return kExitUsage;
                             }
                             restore = FindInterruptedWrite(DefaultBackupDir(), args->ports[0]);
                             if (!restore || restore->restorePoint.empty()) {
                                 std::cerr << "write: no memory from before an interrupted write to "
                                           << EscapeControls(args->ports[0]) << " is kept\n";
                                 return kExitFile;
                             }
                         } else if (args->in.empty()) {
                             std::cerr << "write: the channel file to send is missing\n";
                             return kExitUsage;
                         }
                         if (const auto twice = SameDeviceTwice(args->ports)) {
                             std::cerr << "write: --port " << EscapeControls(twice->second)
                                       << " is the same device as --port " << EscapeControls(twice->first)
                                       << "\n";
                             return kExitUsage;
                         }
                         if (!args->trace.empty() && args->ports.size() > 1) {
                             std::cerr << "write: --trace follows one --port only\n";
                             return kExitUsage;
                         }
                         TraceOption trace(args->trace);
                         if (!trace.Check()) return kExitFile;
                         const std::optional<Image> file =
                             OpenChannelFile(restore ? restore->restorePoint : fs::path(args->in));
                         if (!file) return kExitFile;
                         // The restore point goes back byte for byte, as it was read.
                         const Image image = restore ? *file : RoundTrip(*file);
                         const SafeWriteOptions options{backupDir, args->verify};
                         const bool terminal = ::isatty(STDERR_FILENO) == 1;
                         CancelOnInterrupt();

                         if (args->ports.size() == 1) {
                             SingleHost host(MakePolicy(args->yes, retries->count() > 0
                                                                       ? std::optional<int>(args->retries)
                                                                       : std::nullopt),
                                             terminal, backupDir.has_value() || args->verify);
                             CliPort port(args->verbose);
                             NoticeInterruptedWrite(args->ports[0], "");
                             const SafeWriteOutcome outcome =
                                 SafeWrite(trace.Wrap(port), args->ports[0], host, image, options);
                             Report(outcome, "");
                             RecordEnd(args->ports[0], outcome, "");
                             PrintMessage(WriteOutcomeText(outcome).line);
                             // The radio's state is told first; a trace that could not be stored only
                             // follows.
                             if (!trace.Save()) return kExitFile;
                             if (outcome.ok()) return kExitOk;
                             return outcome.status == SafeStatus::BackupFailed && !outcome.error.empty()
                                        ? kExitFile
                                        : kExitFailed;
                         }

                         // The ports of a batch belong to its threads; sysfs still names their drivers.
                         if (args->verbose) {
                             for (const auto& p : args->ports) {
                                 const std::string device = DevicePathOfPort(p);
                                 PrintMessage(device + ": " + AdapterName(FindAdapter(device)));
                             }
                         }
                         for (const auto& p : args->ports)
                             NoticeInterruptedWrite(p, EscapeControls(p) + ": ");
                         BatchBoard board(args->ports, terminal);
                         std::vector<std::unique_ptr<BatchHost>> hosts;
                         std::vector<RadioJob> jobs;
                         for (std::size_t i = 0; i < args->ports.size(); ++i) {
                             hosts.push_back(std::make_unique<BatchHost>(board, i, args->yes, args->retries));
                             jobs.push_back({args->ports[i], hosts.back().get()});
                         }
                         const std::vector<SafeWriteOutcome> outcomes = SafeWriteMany(jobs, image, options);
                         board.Finish();
                         for (std::size_t i = 0; i < outcomes.size(); ++i) {
                             Report(outcomes[i], EscapeControls(args->ports[i]) + ": ");
                             RecordEnd(args->ports[i], outcomes[i], EscapeControls(args->ports[i]) + ": ");
                         }
                         PrintSummary(args->ports, outcomes);
                         const bool all = std::all_of(outcomes.begin(), outcomes.end(),
                                                      [](const SafeWriteOutcome& o) { return o.ok(); });
                         return all ? kExitOk : kExitFailed;
                     }});
}

}  // namespace pm::cli
