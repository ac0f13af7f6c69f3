// diff: what differs between two channel files, as the editor would show it.

#include <iostream>
#include <memory>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/image/image_diff.h"

namespace pm::cli {

void RegisterDiff(CLI::App& app, std::vector<Verb>& verbs) {
    struct Args {
        std::string a;
        std::string b;
    };
    auto args = std::make_shared<Args>();
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "Show the channel and setting differences of two channel files, and a count of other bytes.\n"
        "Exit 0 when equal, 1 when different, 3 when a file cannot be read.");
    cmd->add_option("a", args->a, "First channel file")->required();
    cmd->add_option("b", args->b, "Second channel file")->required();
    verbs.push_back({cmd, [args] {
                         const auto a = OpenChannelFile(args->a);
                         if (!a) return kExitFile;
                         const auto b = OpenChannelFile(args->b);
                         if (!b) return kExitFile;
                         const ImageDiff diff = CompareImages(*a, *b);
                         for (const auto& line : DescribeDiff(diff)) std::cout << line << '\n';
                         if (diff.Equal()) std::cout << "The files are equal.\n";
                         return diff.Equal() ? kExitOk : kExitFailed;
                     }});
}

}  // namespace pm::cli
