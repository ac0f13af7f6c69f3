// sim: the virtual radio on a pseudo-terminal, until Ctrl+C.

#include <charconv>
#include <csignal>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <pthread.h>
#include <sstream>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/image/file_access.h"
#include "core/link/frames.h"
#include "sim/demo_image.h"
#include "sim/fault_text.h"
#include "sim/pty_host.h"

namespace pm::cli {
namespace {

/** A byte as 0xNN or decimal. */
std::optional<std::uint8_t> ParseByte(std::string text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text = text.substr(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char b[4];
    for (const std::uint8_t x : bytes) {
        std::snprintf(b, sizeof b, "%02X", x);
        if (!text.empty()) text += ' ';
        text += b;
    }
    return text;
}

std::string Describe(const sim::RadioEvent& e) {
    using K = sim::RadioEvent::Kind;
    char address[8];
    std::snprintf(address, sizeof address, "0x%04zX", e.address);
    std::string text;
    switch (e.kind) {
        case K::WakeUp:
            text = "wake-up";
            break;
        case K::Identify:
            text = "identification request";
            break;
        case K::Confirm:
            text = "confirmation";
            break;
        case K::Read:
            text = std::string("read ") + address;
            break;
        case K::ReadAck:
            text = std::string("acknowledged read ") + address;
            break;
        case K::Write:
            text = std::string("write ") + address;
            break;
        case K::TestItem:
            text = "test mode item";
            break;
        case K::TestFrequency:
            text = "test mode frequencies";
            break;
        case K::TestValue:
            text = "test mode values";
            break;
    }
    return e.answered ? text : text + " (not answered)";
}

}  // namespace

void RegisterSim(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string image;
        std::string model;
        std::string link;
        std::string save;
        bool realtime = false;
        bool verbose = false;
        int turnaroundMs = 10;
        int adapterLatencyMs = 0;
        bool silent = false;
        int ignoreWakeUps = 0;
        std::vector<std::string> wakeAnswer;
        int idLength = 8;
        bool dropOnIdentify = false;
        std::string confirmAnswer;
        int ignoreConfirmations = 0;
        std::vector<std::string> faults;
        std::string testSilentAfter;
        int testSilentTimes = -1;
        bool echo = false;
        bool noise = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "sim",
        "Serve a virtual radio on a pseudo-terminal until Ctrl+C.\n"
        "The terminal's path is the first line on stdout (another line follows whenever a dropped line is\n"
        "replaced by a new terminal); Test Mode exchanges are reported on stdout, other frames with "
        "--verbose\n"
        "on stderr.");
    cmd->add_option("--image", args->image,
                    "The radio's memory (*.sin); default: a demonstration channel plan");
    cmd->add_option("--model", args->model,
                    "Model code the radio reports, 0xNN (default: the memory's 0x7D3)");
    cmd->add_option("--link", args->link, "Also make this symbolic link to the terminal (removed on exit)");
    cmd->add_option("--save", args->save, "Store the radio's memory into this channel file on exit");
    cmd->add_flag("--realtime", args->realtime, "Pace every byte at 9600 baud 8N1, as on a cable");
    cmd->add_option("--turnaround", args->turnaroundMs,
                    "Milliseconds before answering the identification stage and Test Mode (default 10)")
        ->check(CLI::Range(0, 5000));
    cmd->add_option("--adapter-latency", args->adapterLatencyMs,
                    "Hold the bytes sent as a USB serial adapter's latency timer does: until MS have passed "
                    "since the first held byte, or 62 bytes wait (default 0: no adapter)")
        ->type_name("MS")
        ->check(CLI::Range(0, 255));
    cmd->add_flag("--verbose", args->verbose, "Report every frame received on stderr");
    auto* faults = cmd->add_option_group("faults", "Fault injection");
    faults->add_flag("--silent", args->silent, "Never answer (the same as a line that carries nothing)");
    faults->add_flag("--echo", args->echo,
                     "A one-wire cable: every byte sent comes straight back (the radio still answers unless "
                     "--silent)");
    faults->add_flag("--noise", args->noise, "Line noise: every answer carries one stray byte");
    faults->add_option("--ignore-wakeups", args->ignoreWakeUps, "Leave the first N wake-ups unanswered")
        ->check(CLI::Range(0, 1000000));
    faults
        ->add_option("--wake-answer", args->wakeAnswer,
                     "Bytes sent for a wake-up instead of 0x06, e.g. 0x15 0x06 (each after a turnaround)")
        ->delimiter(',');
    faults->add_option("--id-length", args->idLength, "Bytes of the identification record sent (0..8)")
        ->check(CLI::Range(0, 8));
    faults->add_flag("--drop-on-identify", args->dropOnIdentify,
                     "Drop the line at the identification request");
    faults->add_option("--confirm-answer", args->confirmAnswer, "Answer to the confirmation: 0xNN, or none");
    faults
        ->add_option("--ignore-confirmations", args->ignoreConfirmations,
                     "Leave the first N confirmations unanswered")
        ->check(CLI::Range(0, 1000000));
    faults->add_option(
        "--fault", args->faults,
        "KIND@BLOCK, KIND one of write-no-ack, write-nak, corrupt-write, read-no-ack, read-nak, "
        "drop-line; or short-reply@BLOCK:LENGTH (LENGTH 0..11)");
    faults->add_option("--test-silent-after", args->testSilentAfter,
                       "Test Mode: no 0x48 after this frame: item, frequency or value");
    faults
        ->add_option("--test-silent-times", args->testSilentTimes,
                     "Test Mode: exchanges that fault strikes (default: every one)")
        ->check(CLI::Range(-1, 1000000));

    verbs.push_back({cmd, [args] {
                         // Found out now, not when the radio's memory is to be stored at the end.
                         if (!args->save.empty()) {
                             if (const FileOutcome savable = CheckSavable(args->save); !savable.ok()) {
                                 PrintMessage(savable.message);
                                 return kExitFile;
                             }
                         }
                         Image memory = sim::DemoImage();
                         if (!args->image.empty()) {
                             const std::optional<Image> file = OpenChannelFile(args->image);
                             if (!file) return kExitFile;
                             memory = *file;
                         }
                         std::uint8_t model = memory[kModelOffset];
                         if (!args->model.empty()) {
                             const auto m = ParseByte(args->model);
                             if (!m) {
                                 std::cerr << "--model: expected a byte, 0x00 to 0xFF\n";
                                 return kExitUsage;
                             }
                             model = *m;
                         }
                         sim::Faults faults;
                         faults.silent = args->silent;
                         faults.ignoreWakeUps = args->ignoreWakeUps;
                         if (!args->wakeAnswer.empty()) {
                             faults.wakeAnswer.clear();
                             for (const auto& text : args->wakeAnswer) {
                                 const auto b = ParseByte(text);
                                 if (!b) {
                                     std::cerr << "--wake-answer: expected bytes, 0x00 to 0xFF\n";
                                     return kExitUsage;
                                 }
                                 faults.wakeAnswer.push_back(*b);
                             }
                         }
                         faults.idLength = static_cast<std::size_t>(args->idLength);
                         faults.dropOnIdentify = args->dropOnIdentify;
                         if (args->confirmAnswer == "none") {
                             faults.confirmAnswer.reset();
                         } else if (!args->confirmAnswer.empty()) {
                             faults.confirmAnswer = ParseByte(args->confirmAnswer);
                             if (!faults.confirmAnswer) {
                                 std::cerr << "--confirm-answer: expected 0x00 to 0xFF or none\n";
                                 return kExitUsage;
                             }
                         }
                         faults.ignoreConfirmations = args->ignoreConfirmations;
                         for (const auto& arg : args->faults) {
                             const auto fault = sim::ParseBlockFault(arg);
                             if (!fault) {
                                 std::cerr
                                     << "--fault " << arg
                                     << ": expected KIND@BLOCK (BLOCK 0..255) or short-reply@BLOCK:LENGTH\n";
                                 return kExitUsage;
                             }
                             faults.blocks.push_back(*fault);
                         }
                         if (!args->testSilentAfter.empty()) {
                             static const std::map<std::string, sim::TestFrame> frames = {
                                 {"item", sim::TestFrame::Item},
                                 {"frequency", sim::TestFrame::Frequency},
                                 {"value", sim::TestFrame::Value}};
                             const auto it = frames.find(args->testSilentAfter);
                             if (it == frames.end()) {
                                 std::cerr << "--test-silent-after: expected item, frequency or value\n";
                                 return kExitUsage;
                             }
                             faults.testSilentAfter = it->second;
                         }
                         faults.testSilentTimes = args->testSilentTimes;
                         faults.echo = args->echo;
                         faults.noise = args->noise;

                         sim::HostOptions options;
                         options.realtime = args->realtime;
                         options.turnaround = std::chrono::milliseconds(args->turnaroundMs);
                         options.adapterLatency = std::chrono::milliseconds(args->adapterLatencyMs);
                         options.linkPath = args->link;
                         // Ctrl+C and SIGTERM are taken by sigwait below, never by a handler on
                         // the serving thread, which inherits the blocked mask.
                         sigset_t stopSignals;
                         sigemptyset(&stopSignals);
                         sigaddset(&stopSignals, SIGINT);
                         sigaddset(&stopSignals, SIGTERM);
                         sigaddset(&stopSignals, SIGHUP);
                         pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

                         std::string error;
                         auto host =
                             sim::PtyHost::Create(sim::VirtualRadio(memory, model, faults), options, error);
                         if (!host) {
                             std::cerr << EscapeControls(error) << '\n';
                             return kExitFailed;
                         }
                         std::cout << host->Path() << std::endl;
                         host->OnNewPath([](const std::string& path) { std::cout << path << std::endl; });
                         sim::PtyHost* raw = host.get();
                         const bool verbose = args->verbose;
                         host->OnEvent([raw, verbose](const sim::RadioEvent& e) {
                             if (verbose) std::cerr << Describe(e) << '\n' << std::flush;
                             if (e.kind != sim::RadioEvent::Kind::TestValue) return;
                             const auto records = raw->TestRecords();
                             if (records.empty()) return;
                             const sim::TestRecord& r = records.back();
                             std::cout << "test mode: item " << static_cast<char>(r.item) << ", frequencies "
                                       << Hex(r.frequency) << ", values " << Hex(r.value) << std::endl;
                         });
                         host->Start();
                         int signal = 0;
                         sigwait(&stopSignals, &signal);
                         host->Stop();
                         const Image last = host->Memory();
                         host.reset();
                         if (!args->save.empty() && !SaveImage(args->save, last)) return kExitFile;
                         return kExitOk;
                     }});
}

}  // namespace pm::cli
