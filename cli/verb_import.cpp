// import: a CSV channel list into a channel file, every value checked as the editor checks it.

#include <iostream>
#include <memory>
#include <optional>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/csv/channel_csv.h"

namespace pm::cli {

void RegisterImport(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        std::string out;
        std::string base;
        std::string layout = "auto";
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "import",
        "Read a CSV channel list into a channel file.\n"
        "Every value passes the editor's checks (frequency with band and step, tone table, "
        "Busy/Scan/Power);\n"
        "a refused row leaves its channel empty and is reported on stderr with its line and reason.\n"
        "Bytes nothing interprets come from --base (default: a new document).\n"
        "Exit 0 all rows taken; 1 some rows refused (the file is still written, those channels empty);\n"
        "3 the CSV or base cannot be read as a whole, or the output cannot be written (nothing is written).");
    cmd->add_option("input", args->in, "CSV file to read")->required();
    cmd->add_option("-o,--output", args->out, "Channel file to write")->required();
    cmd->add_option("--base", args->base, "Channel file whose other bytes the result keeps");
    cmd->add_option("--layout", args->layout,
                    "auto (decided from the header row, default), native or community")
        ->check(CLI::IsMember({"auto", "native", "community"}, CLI::ignore_case));
    verbs.push_back({cmd, [args] {
                         Image base = NewDocumentImage();
                         if (!args->base.empty()) {
                             const auto opened = OpenChannelFile(args->base);
                             if (!opened) return kExitFile;
                             base = *opened;
                         }
                         std::optional<CsvLayout> layout;
                         if (args->layout == "native") layout = CsvLayout::Native;
                         if (args->layout == "community") layout = CsvLayout::Community;
                         const CsvImportResult result = ImportCsvFile(args->in, base, layout);
                         if (!result.ok()) {
                             PrintMessage(result.fileError);
                             return kExitFile;
                         }
                         std::cerr << FormatImportReport(result) << std::flush;
                         if (!SaveImage(args->out, result.image)) return kExitFile;
                         return result.refused.empty() ? kExitOk : kExitFailed;
                     }});
}

}  // namespace pm::cli
