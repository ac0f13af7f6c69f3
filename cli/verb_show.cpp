// show: what the editor shows after opening a channel file.

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>

#include <nlohmann/json.hpp>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/image/document.h"

namespace pm::cli {
namespace {

const std::array<std::pair<const char*, Setting>, 6> kJsonSettings = {
    {{"warning", Setting::Warning},
     {"nw", Setting::NarrowWide},
     {"field", Setting::Field},
     {"squelch", Setting::Squelch},
     {"tx_total_time", Setting::TxTotalTime},
     {"tx_power_rank", Setting::TxPowerRank}}};

void PrintJson(const EditorState& state) {
    static const std::array<const char*, 7> keys = {"rx",   "tx",   "rx_tone", "tx_tone",
                                                    "busy", "scan", "power"};
    nlohmann::ordered_json channels = nlohmann::ordered_json::array();
    for (int row = 1; row <= kChannelCount; ++row) {
        nlohmann::ordered_json ch;
        ch["ch"] = row;
        for (int c = col::kReceive; c <= col::kPower; ++c) ch[keys[c - 1]] = state.table.Text(row, c);
        channels.push_back(std::move(ch));
    }
    nlohmann::ordered_json settings;
    for (const auto& [key, setting] : kJsonSettings) settings[key] = SelectedText(state.lists, setting);
    nlohmann::ordered_json doc;
    doc["channels"] = std::move(channels);
    doc["settings"] = std::move(settings);
    std::cout << doc.dump() << '\n';
}

void PrintText(const EditorState& state, bool all) {
    std::array<std::size_t, col::kPower + 1> width{};
    for (int c = 0; c <= col::kPower; ++c) {
        for (int row = 0; row <= kChannelCount; ++row)
            width[c] = std::max(width[c], state.table.Text(row, c).size());
    }
    auto printRow = [&](int row) {
        std::string line;
        for (int c = 0; c <= col::kPower; ++c) {
            std::string cell = state.table.Text(row, c);
            cell.resize(width[c], ' ');
            line += cell;
            if (c < col::kPower) line += "  ";
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::cout << line << '\n';
    };
    printRow(0);
    int folded = 0;
    for (int row = 1; row <= kChannelCount; ++row) {
        bool empty = true;
        for (int c = col::kReceive; c <= col::kPower; ++c) empty = empty && state.table.Text(row, c).empty();
        if (empty && !all) {
            ++folded;
            continue;
        }
        printRow(row);
    }
    if (folded > 0) std::cout << "(" << folded << " empty channels not shown; --all shows them)\n";
    std::cout << "\nFunction Setting\n";
    for (Setting s : {Setting::Field, Setting::Squelch, Setting::NarrowWide, Setting::Warning,
                      Setting::TxTotalTime, Setting::TxPowerRank}) {
        std::cout << "  " << std::left << std::setw(18) << Info(s).label << SelectedText(state.lists, s)
                  << '\n';
    }
}

}  // namespace

void RegisterShow(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        bool json = false;
        bool all = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd =
        app.add_subcommand("show", "Show the channels and Function Setting values of a channel file");
    cmd->add_option("file", args->in, "Channel file to open")->required();
    cmd->add_flag("--json", args->json, "Print JSON: the 80 channels and the settings as display texts");
    cmd->add_flag("--all", args->all, "Text form: list empty channels too");
    verbs.push_back({cmd, [args] {
                         const auto image = OpenChannelFile(args->in);
                         if (!image) return kExitFile;
                         const EditorState state = DecodeToState(*image);
                         if (args->json) {
                             PrintJson(state);
                         } else {
                             PrintText(state, args->all);
                         }
                         return kExitOk;
                     }});
}

}  // namespace pm::cli
