// check: the plan check of a channel file; lists: the channel lists shipped with the program.

#include <iostream>
#include <memory>

#include "cli/common.h"
#include "cli/verbs.h"
#include "core/csv/stock_lists.h"
#include "core/editing/plan_check.h"

namespace pm::cli {

void RegisterCheck(CLI::App& app, std::vector<Verb>& verbs) {
    auto file = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Check a channel file for likely mistakes: duplicate channels, transmit without receive, a QT/DQT\n"
        "busy lockout without a receive tone, frequencies outside the band in force, a repeater pair that\n"
        "receives with a tone but sends none. Changes nothing. Exit 0 no findings, 1 findings, 3 the file\n"
        "cannot be read.");
    cmd->add_option("input", *file, "Channel file to check")->required();
    verbs.push_back({cmd, [file] {
                         const auto image = OpenChannelFile(*file);
                         if (!image) return kExitFile;
                         const auto findings = CheckPlan(*image);
                         std::cout << FormatFindings(findings);
                         return findings.empty() ? kExitOk : kExitFailed;
                     }});
}

void RegisterLists(CLI::App& app, std::vector<Verb>& verbs) {
    CLI::App* cmd = app.add_subcommand(
        "lists",
        "Print the channel lists shipped with the program and their files (community-layout CSV), to\n"
        "merge with: import FILE --base PLAN --merge --place sequential:N. Exit 3 when they are not "
        "installed.");
    verbs.push_back({cmd, [] {
                         std::error_code error;
                         const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
                         const auto folder =
                             StockListFolder(error ? std::filesystem::path(".") : self.parent_path());
                         if (!folder) {
                             PrintMessage(
                                 "The channel lists are not installed; they belong in "
                                 "share/pm514rx/lists beside the program's folder.");
                             return kExitFile;
                         }
                         for (const auto& list : StockLists()) {
                             std::cout << list.title << "\t" << (*folder / list.file).string() << '\n';
                         }
                         return kExitOk;
                     }});
}

}  // namespace pm::cli
