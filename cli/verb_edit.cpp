// edit: committed cell edits and the band change, as the editor makes them, then File Save.

#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/editing/cell_rules.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"

namespace pm::cli {
namespace {

const std::map<std::string, int> kColumns = {{"rx", col::kReceive},   {"tx", col::kTransmit}, {"rx-tone", col::kRxTone},
                                             {"tx-tone", col::kTxTone}, {"busy", col::kBusy},   {"scan", col::kScan},
                                             {"power", col::kPower}};

struct CellSet {
    int row = 0;
    int column = 0;
    std::string text;
};

/** CH:COL=TEXT; nothing when it is not of that form. */
std::optional<CellSet> ParseSet(const std::string& arg, std::string& why) {
    const auto colon = arg.find(':');
    const auto equals = arg.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon) {
        why = "expected CH:COL=TEXT";
        return std::nullopt;
    }
    const std::string ch = arg.substr(0, colon);
    const std::string column = arg.substr(colon + 1, equals - colon - 1);
    if (ch.empty() || ch.size() > 2 || ch.find_first_not_of("0123456789") != std::string::npos) {
        why = "channel must be 1 to 80";
        return std::nullopt;
    }
    const int row = static_cast<int>(ParseLeadingUnsigned(ch));
    if (row < 1 || row > kChannelCount) {
        why = "channel must be 1 to 80";
        return std::nullopt;
    }
    const auto it = kColumns.find(column);
    if (it == kColumns.end()) {
        why = "column must be one of rx, tx, rx-tone, tx-tone, busy, scan, power";
        return std::nullopt;
    }
    return CellSet{row, it->second, arg.substr(equals + 1)};
}

}  // namespace

void RegisterEdit(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        std::string out;
        int band = -1;
        bool yes = false;
        std::vector<std::string> sets;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "edit",
        "Open a channel file, change the band and cells as the editor would, save.\n"
        "Each --set is committed with the editor's checks and messages; a refused value leaves its cell empty.\n"
        "Exit 1 when a value was refused or the band change was cancelled (the file is still written).");
    cmd->add_option("input", args->in, "Channel file to open")->required();
    cmd->add_option("-o,--output", args->out, "Channel file to write")->required();
    cmd->add_option("--band", args->band, "Change the band: 0 = 136 - 175MHZ, 1 = 144 - 146MHZ")
        ->check(CLI::Range(0, 1));
    cmd->add_flag("--yes", args->yes, "Answer OK to the band-change question (otherwise Cancel)");
    cmd->add_option("--set", args->sets, "CH:COL=TEXT, COL one of rx, tx, rx-tone, tx-tone, busy, scan, power")
        ->take_all();
    verbs.push_back({cmd, [args] {
                         std::vector<CellSet> sets;
                         for (const auto& arg : args->sets) {
                             std::string why;
                             auto set = ParseSet(arg, why);
                             if (!set) {
                                 std::cerr << "--set " << arg << ": " << why << '\n';
                                 return kExitUsage;
                             }
                             sets.push_back(*set);
                         }
                         auto image = OpenChannelFile(args->in);
                         if (!image) return kExitFile;
                         EditorState state = DecodeToState(*image);
                         bool refused = false;
                         const int bandInForce = state.lists.Selected(Setting::Field);
                         if (args->band >= 0 && args->band != bandInForce) {
                             PrintMessage(kMsgBandChange);
                             if (args->yes) {
                                 BandReset(*image, args->band);
                                 DecodeImage(*image, state.table, state.lists);
                             } else {
                                 refused = true;
                             }
                         }
                         for (const auto& set : sets) {
                             const int band = state.lists.Selected(Setting::Field);
                             const auto messages = CommitCellText(state.table, set.row, set.column, set.text, band);
                             for (const auto& m : messages) PrintMessage(m);
                             if (!messages.empty()) refused = true;
                             if (EditorForColumn(set.column) != EditorKind::Text && !set.text.empty() &&
                                 state.table.Text(set.row, set.column).empty()) {
                                 refused = true;
                             }
                         }
                         EncodeImage(state.table, state.lists, *image);
                         if (!SaveImage(args->out, *image)) return kExitFile;
                         return refused ? kExitFailed : kExitOk;
                     }});
}

}  // namespace pm::cli
