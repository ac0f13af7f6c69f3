// testmode: one Test Mode exchange, as Start in the Test Mode dialog sends it.

#include <charconv>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "cli/ask.h"
#include "cli/common.h"
#include "cli/verbs.h"
#include "core/image/text_match.h"
#include "core/link/posix_serial_port.h"
#include "core/link/testmode_exchange.h"
#include "core/testmode/tree_items.h"

namespace pm::cli {
namespace {

const std::map<std::string, TestItem> kItems = {
    {"tx-frequency", TestItem::TxFrequency},
    {"low-power-voltage", TestItem::LowPowerVoltage},
    {"squelch-level", TestItem::SquelchLevel},
    {"tx-power", TestItem::TxPower},
};

/** The entry of the QT or DQT list that text names (any case), or nothing. */
std::optional<std::string> ToneEntry(const std::string& text) {
    for (const auto method : {testmode::ToneMethod::Qt, testmode::ToneMethod::Dqt}) {
        const auto list = testmode::ToneList(method);
        for (const std::string& entry : list) {
            if (EqualsNoCase(entry, text)) return entry;
        }
    }
    return std::nullopt;
}

}  // namespace

void RegisterTestMode(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string port;
        std::string item;
        std::string value;
        std::string rx;
        std::string tx;
        std::string rxTone = "OFF";
        std::string txTone = "OFF";
        int retries = 0;
        std::string trace;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "testmode",
        "One Test Mode exchange: the alignment item and its value, a frequency pair and two tones.\n"
        "Prints \"Finish successfully!\" when the radio took everything; exit 1 otherwise.");
    cmd->add_option("--port", args->port, "COM1..COM4 (/dev/ttyS0..3) or a device path, e.g. /dev/ttyUSB0")
        ->required();
    cmd->add_option("--item", args->item, "tx-frequency, low-power-voltage, squelch-level or tx-power")
        ->required()
        ->check(CLI::IsMember({"tx-frequency", "low-power-voltage", "squelch-level", "tx-power"}));
    cmd->add_option("--value", args->value, "The item's value, 0..255, or default (91, 38, 160, 47)")
        ->required();
    cmd->add_option("--rx", args->rx, "Text of the receive frequency field, e.g. 230.00000 (default: empty)");
    cmd->add_option("--tx", args->tx, "Text of the transmit frequency field (default: empty)");
    cmd->add_option("--rx-tone", args->rxTone,
                    "An entry of the QT or DQT list, e.g. 88.5 or D023N (default OFF)");
    cmd->add_option("--tx-tone", args->txTone, "An entry of the QT or DQT list (default OFF)");
    CLI::Option* retries =
        cmd->add_option("--retries", args->retries,
                        "Answer Retry this many times when the radio does not answer, then Cancel "
                        "(default: ask on a terminal, otherwise 0)")
            ->check(CLI::Range(0, 1000));
    cmd->add_option("--trace", args->trace,
                    "Write every byte each way, with millisecond time stamps, time-outs, purges and the port "
                    "settings, as plain text at this path");
    verbs.push_back(
        {cmd, [args, retries] {
             TraceOption trace(args->trace);
             if (!trace.Check()) return kExitFile;
             TestModeRequest request;
             request.item = kItems.at(args->item);
             if (args->value == "default") {
                 request.value = static_cast<std::uint8_t>(
                     testmode::AlignmentItemByNumber(static_cast<int>(request.item))->defaultValue);
             } else {
                 unsigned v = 0;
                 const std::string& t = args->value;
                 const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
                 if (t.empty() || ec != std::errc{} || end != t.data() + t.size() || v > 255) {
                     std::cerr << "--value: expected 0 to 255 or default\n";
                     return kExitUsage;
                 }
                 request.value = static_cast<std::uint8_t>(v);
             }
             const auto rxTone = ToneEntry(args->rxTone);
             const auto txTone = ToneEntry(args->txTone);
             if (!rxTone || !txTone) {
                 std::cerr << (rxTone ? "--tx-tone" : "--rx-tone")
                           << ": expected an entry of the QT list (OFF, 67.0 .. 206.5) or the DQT list "
                              "(210.7 .. 254.1, D017N .. D754N, D017I .. D311I)\n";
                 return kExitUsage;
             }
             request.rxTone = *rxTone;
             request.txTone = *txTone;
             request.rxFrequency = args->rx;
             request.txFrequency = args->tx;

             CancelOnInterrupt();
             ProgressBar bar(false);
             TerminalHost host(
                 MakePolicy(false, retries->count() > 0 ? std::optional<int>(args->retries) : std::nullopt),
                 bar);
             PosixSerialPort port;
             const LinkOutcome outcome = RunTestMode(trace.Wrap(port), args->port, request, host);
             PrintCableHelp(outcome);
             if (!trace.Save()) return kExitFile;
             return outcome.result == LinkResult::Done ? kExitOk : kExitFailed;
         }});
}

}  // namespace pm::cli
