// import: a CSV channel list into a channel file, every value checked as the editor checks it.

#include <charconv>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/csv/channel_csv.h"
#include "core/image/text_match.h"

namespace pm::cli {
namespace {

/** "location", "sequential" or "sequential:N" as placement options; nothing for any other text. */
std::optional<CsvImportOptions> ParsePlace(std::string_view text) {
    CsvImportOptions options;
    if (EqualsNoCase(text, "location")) return options;
    options.placement = CsvPlacement::Sequential;
    if (EqualsNoCase(text, "sequential")) return options;
    const std::string_view prefix = "sequential:";
    if (text.size() <= prefix.size() || !EqualsNoCase(text.substr(0, prefix.size()), prefix)) return {};
    const std::string_view number = text.substr(prefix.size());
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), options.firstChannel);
    if (error != std::errc() || end != number.data() + number.size() || options.firstChannel < 1 ||
        options.firstChannel > kChannelCount)
        return {};
    return options;
}

}  // namespace

void RegisterImport(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        std::string out;
        std::string base;
        std::string layout = "auto";
        std::string place = "location";
        bool merge = false;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "import",
        "Read a CSV channel list into a channel file.\n"
        "Every value passes the editor's checks (frequency with band and step, tone table, "
        "Busy/Scan/Power);\n"
        "a refused row uses no channel and is reported on stderr with its line and reason.\n"
        "Bytes nothing interprets come from --base (default: a new document).\n"
        "Exit 0 all rows taken; 1 some rows refused or did not fit, or a file without rows and no --merge\n"
        "(the file is still written); 3 the CSV or base cannot be read as a whole, or the output cannot be\n"
        "written (nothing is written).");
    cmd->add_option("input", args->in, "CSV file to read")->required();
    cmd->add_option("-o,--output", args->out, "Channel file to write")->required();
    cmd->add_option("--base", args->base, "Channel file whose other bytes the result keeps");
    cmd->add_option("--layout", args->layout,
                    "auto (decided from the header row, default), native or community")
        ->check(CLI::IsMember({"auto", "native", "community"}, CLI::ignore_case));
    cmd->add_option(
           "--place", args->place,
           "location (default): each row to the channel its Location names;\n"
           "sequential[:N]: rows that fit the radio to channels N (default 1), N+1, ... in file order")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return ParsePlace(text) ? std::string()
                                        : "expected location, sequential or sequential:N with N 1-80";
            },
            "location|sequential[:N]"));
    cmd->add_flag("--merge", args->merge,
                  "Change only the channels the file places; every other channel keeps the base's values\n"
                  "(without it every other channel is emptied)");
    verbs.push_back({cmd, [args] {
                         Image base = NewDocumentImage();
                         if (!args->base.empty()) {
                             const auto opened = OpenChannelFile(args->base);
                             if (!opened) return kExitFile;
                             base = *opened;
                         }
                         CsvImportOptions options = ParsePlace(args->place).value_or(CsvImportOptions{});
                         if (args->layout == "native") options.layout = CsvLayout::Native;
                         if (args->layout == "community") options.layout = CsvLayout::Community;
                         options.merge = args->merge;
                         const CsvImportResult result = ImportCsvFile(args->in, base, options);
                         if (!result.ok()) {
                             PrintMessage(result.fileError);
                             return kExitFile;
                         }
                         std::cerr << FormatImportReport(result) << std::flush;
                         if (!SaveImage(args->out, result.image)) return kExitFile;
                         return result.complete() ? kExitOk : kExitFailed;
                     }});
}

}  // namespace pm::cli
