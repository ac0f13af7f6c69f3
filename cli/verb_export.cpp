// export: a channel file's channels as a CSV file, in our layout or the community one.

#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/csv/channel_csv.h"
#include "core/image/file_access.h"

namespace pm::cli {
namespace {

/** Whether both names lead to one file, which a CSV written to one would replace. */
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

}  // namespace

void RegisterExport(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        std::string out;
        std::string layout = "native";
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "export",
        "Write the channels of a channel file as CSV.\n"
        "native: the grid's columns and texts, plus the Function Setting values as '# Label=Entry' lines.\n"
        "community: the common layout of multi-radio programmers, with an extra BusyLock column; a channel\n"
        "without a receive frequency cannot be written in it and is left out with a note on stderr.");
    cmd->add_option("input", args->in, "Channel file to open")->required();
    cmd->add_option("-o,--output", args->out, "CSV file to write")->required();
    cmd->add_option("--layout", args->layout, "native (default) or community")
        ->check(CLI::IsMember({"native", "community"}, CLI::ignore_case));
    verbs.push_back({cmd, [args] {
                         const auto image = OpenChannelFile(args->in);
                         if (!image) return kExitFile;
                         if (SameFile(args->in, args->out)) {
                             std::cerr << "export: " << DisplayName(args->out)
                                       << " is the channel file itself; name another CSV file\n";
                             return kExitUsage;
                         }
                         const CsvLayout layout =
                             args->layout == "community" ? CsvLayout::Community : CsvLayout::Native;
                         const FileOutcome outcome = ExportCsvFile(args->out, *image, layout);
                         if (!outcome.ok()) {
                             PrintMessage(outcome.message);
                             return kExitFile;
                         }
                         if (const std::string note = ExportCsvNote(*image, layout); !note.empty())
                             std::cerr << "note: " << note << "\n";
                         return kExitOk;
                     }});
}

}  // namespace pm::cli
