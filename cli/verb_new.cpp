// new: what File New then File Save writes.

#include <memory>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/image/document.h"

namespace pm::cli {

void RegisterNew(CLI::App& app, std::vector<Verb>& verbs) {
    auto out = std::make_shared<std::string>();
    CLI::App* cmd =
        app.add_subcommand("new", "Write a new document's channel file (File New, then File Save)");
    cmd->add_option("-o,--output", *out, "Channel file to write (*.sin)")->required();
    verbs.push_back({cmd, [out] {
                         const Image image = RoundTrip(NewDocumentImage());
                         return SaveImage(*out, image) ? kExitOk : kExitFile;
                     }});
}

}  // namespace pm::cli
