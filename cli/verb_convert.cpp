// convert: File Open then File Save without edits.

#include <memory>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/image/document.h"

namespace pm::cli {

void RegisterConvert(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string in;
        std::string out;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd =
        app.add_subcommand("convert", "Open a channel file and save it again, as the editor would");
    cmd->add_option("input", args->in, "Channel file to open")->required();
    cmd->add_option("-o,--output", args->out, "Channel file to write")->required();
    verbs.push_back({cmd, [args] {
                         const auto image = OpenChannelFile(args->in);
                         if (!image) return kExitFile;
                         return SaveImage(args->out, RoundTrip(*image)) ? kExitOk : kExitFile;
                     }});
}

}  // namespace pm::cli
