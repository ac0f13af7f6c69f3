// edit: the band change, then committed cell edits and channel row operations in command-line order, as
// the editor makes them, then File Save.

#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/csv/csv_values.h"
#include "core/editing/bulk_edit.h"
#include "core/editing/cell_rules.h"
#include "core/editing/channel_rows.h"
#include "core/editing/repeater.h"
#include "core/image/document.h"
#include "core/image/file_access.h"
#include "core/image/numeric_text.h"

namespace pm::cli {
namespace {

const std::map<std::string, int> kColumns = {
    {"rx", col::kReceive}, {"tx", col::kTransmit}, {"rx-tone", col::kRxTone}, {"tx-tone", col::kTxTone},
    {"busy", col::kBusy},  {"scan", col::kScan},   {"power", col::kPower}};

struct CellSet {
    int row = 0;
    int last = 0;  // a range A-B: every channel row..last with a receive frequency; 0 for one cell
    int column = 0;
    std::string text;
};

/** A channel number of one or two digits, 1..80. */
std::optional<int> ParseChannel(const std::string& text) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int ch = static_cast<int>(ParseLeadingUnsigned(text));
    if (!IsChannelNumber(ch)) return std::nullopt;
    return ch;
}

/** N or A-B with A <= B; nothing when it is neither. */
std::optional<std::pair<int, int>> ParseChannels(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) {
        const auto ch = ParseChannel(text);
        return ch ? std::optional(std::pair{*ch, 0}) : std::nullopt;
    }
    const auto a = ParseChannel(text.substr(0, dash));
    const auto b = ParseChannel(text.substr(dash + 1));
    if (!a || !b || *a > *b) return std::nullopt;
    return std::pair{*a, *b};
}

/** CH:COL=TEXT or A-B:COL=TEXT; nothing when it is not of that form. */
std::optional<CellSet> ParseSet(const std::string& arg, std::string& why) {
    const auto colon = arg.find(':');
    const auto equals = arg.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon) {
        why = "expected CH:COL=TEXT or A-B:COL=TEXT";
        return std::nullopt;
    }
    const auto channels = ParseChannels(arg.substr(0, colon));
    const std::string column = arg.substr(colon + 1, equals - colon - 1);
    if (!channels) {
        why = "channel must be 1 to 80, or a range A-B of them";
        return std::nullopt;
    }
    const auto it = kColumns.find(column);
    if (it == kColumns.end()) {
        why = "column must be one of rx, tx, rx-tone, tx-tone, busy, scan, power";
        return std::nullopt;
    }
    return CellSet{channels->first, channels->second, it->second, arg.substr(equals + 1)};
}

/** One step of an edit, in the order the command line gives them. */
struct Step {
    enum class Kind { Set, Move, Insert, Delete, Copy, Sort, Repeater } kind = Kind::Set;
    std::string option;  // as given, for messages
    std::string arg;
    CellSet set;
    RepeaterEdit repeater;
    int a = 0;
    int b = 0;
};

/** The step's argument as messages show it. */
std::string Shown(const Step& s) {
    return EscapeControls(s.arg);
}

/** A --set whose text names no entry of the cell's list: says why, and the cell stays as it was. */
bool RefusedListValue(const Step& s) {
    const std::string why = csv::ListValueRefusal(s.set.column, s.set.text);
    if (why.empty()) return false;
    std::cerr << s.option << " " << Shown(s) << ": " << why << '\n';
    return true;
}

/** Reads one option's argument into step; the reason when it is not valid. */
std::optional<std::string> ParseStep(Step& step) {
    std::string why;
    switch (step.kind) {
        case Step::Kind::Set: {
            auto set = ParseSet(step.arg, why);
            if (!set) return why;
            step.set = *set;
            return std::nullopt;
        }
        case Step::Kind::Move:
        case Step::Kind::Copy: {
            const auto colon = step.arg.find(':');
            const auto a =
                colon == std::string::npos ? std::nullopt : ParseChannel(step.arg.substr(0, colon));
            const auto b =
                colon == std::string::npos ? std::nullopt : ParseChannel(step.arg.substr(colon + 1));
            if (!a || !b) return "expected A:B, two channels from 1 to 80";
            step.a = *a;
            step.b = *b;
            return std::nullopt;
        }
        case Step::Kind::Insert:
        case Step::Kind::Delete: {
            const auto ch = ParseChannel(step.arg);
            if (!ch) return "channel must be 1 to 80";
            step.a = *ch;
            return std::nullopt;
        }
        case Step::Kind::Sort:
            return std::nullopt;
        case Step::Kind::Repeater: {
            const auto colon = step.arg.find(':');
            const auto channels =
                colon == std::string::npos ? std::nullopt : ParseChannels(step.arg.substr(0, colon));
            if (!channels) return "expected A[-B]: and the setting, channels from 1 to 80";
            step.a = channels->first;
            step.b = channels->second ? channels->second : channels->first;
            const std::string what = step.arg.substr(colon + 1);
            auto edit = step.option == "--tone" ? ParseToneText(what, why) : ParseDuplexText(what, why);
            if (!edit) return why;
            step.repeater = *edit;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

/** What a range step did: each refused channel, then how many channels it changed. */
std::string BulkSummary(int changed, const PasteReport& report) {
    std::string out =
        std::to_string(changed) + (changed == 1 ? " channel" : " channels") + " set" +
        (report.refused.empty() ? "" : ", " + std::to_string(report.refused.size()) + " refused") + "\n";
    for (const auto& r : report.refused) {
        out += "  channel " + std::to_string(r.channel) + (r.text.empty() ? "" : " " + r.text) + ": " +
               r.reason + "\n";
    }
    return out;
}

}  // namespace

void RegisterEdit(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        std::string out;
        int band = -1;
        bool yes = false;
        std::vector<std::string> sets, moves, inserts, deletes, copies, repeaters, tones;
        int sorts = 0;
        std::vector<std::pair<CLI::Option*, Step::Kind>> stepOptions;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "edit",
        "Open a channel file, change the band, then cells and channel rows as the editor would, save.\n"
        "--set, --repeater, --tone, --move, --insert, --delete, --copy and --sort apply in the order given,\n"
        "after --band.\n"
        "Each --set is committed with the editor's checks and messages; a refused value leaves its cell "
        "empty.\n"
        "Exit 1 when a value was refused or the band change was cancelled (the file is still written), or\n"
        "when an insert would drop channel 80's data without --yes (nothing is written).");
    cmd->add_option("input", args->in, "Channel file to open")->required();
    cmd->add_option("-o,--output", args->out, "Channel file to write")->required();
    cmd->add_option("--band", args->band, "Change the band: 0 = 136 - 175MHZ, 1 = 144 - 146MHZ")
        ->check(CLI::Range(0, 1));
    cmd->add_flag("--yes", args->yes,
                  "Answer OK to the band-change question and to dropping channel 80 by an insert (otherwise "
                  "Cancel)");
    auto step = [&](const char* name, std::vector<std::string>& into, Step::Kind kind, const char* form,
                    const char* help) {
        CLI::Option* option = cmd->add_option(name, into, help)->take_all()->type_name(form);
        args->stepOptions.emplace_back(option, kind);
    };
    step("--set", args->sets, Step::Kind::Set, "CH:COL=TEXT",
         "COL one of rx, tx, rx-tone, tx-tone, busy, scan, power; A-B:COL=TEXT sets it on every channel\n"
         "A to B that has a receive frequency and says how many");
    step("--repeater", args->repeaters, Step::Kind::Repeater, "A[-B]:SHIFT",
         "Transmit from Receive: +OFFSET or -OFFSET (MHz), simplex, or split:FREQ");
    step("--tone", args->tones, Step::Kind::Repeater, "A[-B]:MODE",
         "Rx and Tx Tone: none, tone:T (transmit only), tsql:T (both ways), dcs:D023N (both ways),\n"
         "cross:RX,TX");
    step("--move", args->moves, Step::Kind::Move, "A:B",
         "Channel A to position B; the channels between shift by one");
    step("--insert", args->inserts, Step::Kind::Insert, "N",
         "An empty channel at N; the channels below move down");
    step("--delete", args->deletes, Step::Kind::Delete, "N", "Remove channel N; the channels below move up");
    step("--copy", args->copies, Step::Kind::Copy, "A:B", "Channel A over channel B");
    args->stepOptions.emplace_back(
        cmd->add_flag("--sort", args->sorts, "Sort the channels by receive frequency, empty ones last"),
        Step::Kind::Sort);
    verbs.push_back(
        {cmd, [args, cmd] {
             // CLI11 lists every value in the order read; each option's results follow it.
             std::vector<Step> steps;
             std::map<const CLI::Option*, std::size_t> taken;
             for (const CLI::Option* option : cmd->parse_order()) {
                 for (const auto& [known, kind] : args->stepOptions) {
                     if (known != option) continue;
                     const std::size_t index = taken[option]++;
                     Step s;
                     s.kind = kind;
                     s.option = option->get_name();
                     if (index < option->results().size()) s.arg = option->results()[index];
                     if (const auto why = ParseStep(s)) {
                         std::cerr << s.option << " " << Shown(s) << ": " << *why << '\n';
                         return kExitUsage;
                     }
                     steps.push_back(s);
                 }
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
             for (const auto& s : steps) {
                 // A list value that names no entry changes no cell, on one channel or a range.
                 if (s.kind == Step::Kind::Set && RefusedListValue(s)) {
                     refused = true;
                     continue;
                 }
                 if (s.kind == Step::Kind::Repeater || (s.kind == Step::Kind::Set && s.set.last)) {
                     const int band = state.lists.Selected(Setting::Field) == 1 ? 1 : 0;
                     PasteReport report;
                     int changed = 0;
                     if (s.kind == Step::Kind::Set) {
                         report = SetOnChannels(state.table, s.set.row, s.set.last, s.set.column, s.set.text,
                                                band);
                         changed = report.cellsWritten;
                     } else {
                         // Like a range --set: the channels that have a receive frequency.
                         ChannelSelection channels;
                         for (int ch = s.a; ch <= s.b; ++ch) {
                             if (!state.table.Text(ch, col::kReceive).empty()) channels.push_back(ch);
                         }
                         report = ApplyRepeater(state.table, channels, s.repeater, band);
                         changed = static_cast<int>(channels.size() - report.refused.size());
                     }
                     std::cerr << s.option << " " << Shown(s) << ": " << BulkSummary(changed, report);
                     if (!report.refused.empty()) refused = true;
                     continue;
                 }
                 if (s.kind == Step::Kind::Set) {
                     const int band = state.lists.Selected(Setting::Field);
                     const auto messages =
                         CommitCellText(state.table, s.set.row, s.set.column, s.set.text, band);
                     for (const auto& m : messages) PrintMessage(m);
                     if (!messages.empty()) refused = true;
                     if (EditorForColumn(s.set.column) != EditorKind::Text && !s.set.text.empty() &&
                         state.table.Text(s.set.row, s.set.column).empty()) {
                         refused = true;
                     }
                     continue;
                 }
                 // Row operations work on the image, as the editor's undo steps do.
                 EncodeImage(state.table, state.lists, *image);
                 switch (s.kind) {
                     case Step::Kind::Move:
                         MoveChannel(*image, s.a, s.b);
                         break;
                     case Step::Kind::Copy:
                         CopyChannel(*image, s.a, s.b);
                         break;
                     case Step::Kind::Delete:
                         DeleteChannel(*image, s.a);
                         break;
                     case Step::Kind::Sort:
                         SortChannelsByReceive(*image);
                         break;
                     case Step::Kind::Insert:
                         if (InsertDropsData(*image)) {
                             PrintMessage(kMsgInsertDropsLast);
                             // The steps after it name channels as they stand after the insert.
                             if (!args->yes) {
                                 std::cerr << s.option << " " << Shown(s)
                                           << ": cancelled; nothing was written\n";
                                 return kExitFailed;
                             }
                         }
                         InsertChannel(*image, s.a);
                         break;
                     case Step::Kind::Set:
                     case Step::Kind::Repeater:
                         break;
                 }
                 DecodeImage(*image, state.table, state.lists);
             }
             EncodeImage(state.table, state.lists, *image);
             if (!SaveImage(args->out, *image)) return kExitFile;
             return refused ? kExitFailed : kExitOk;
         }});
}

}  // namespace pm::cli
