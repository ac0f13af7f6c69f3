// pm514rx-cli: the programming software's core from a terminal.

#include <iostream>
#include <vector>

#include "cli/verbs.h"

#ifndef PM514RX_VERSION
#define PM514RX_VERSION "0"
#endif

int main(int argc, char** argv) {
    CLI::App app{
        "PM-514RX programming software, command line: channel files, the radio and the virtual radio"};
    app.name("pm514rx-cli");
    app.set_version_flag("--version", std::string("pm514rx-cli ") + PM514RX_VERSION);
    app.require_subcommand(1);
    app.fallthrough(false);

    std::vector<pm::cli::Verb> verbs;
    pm::cli::RegisterNew(app, verbs);
    pm::cli::RegisterShow(app, verbs);
    pm::cli::RegisterConvert(app, verbs);
    pm::cli::RegisterEdit(app, verbs);
    pm::cli::RegisterDiff(app, verbs);
    pm::cli::RegisterExport(app, verbs);
    pm::cli::RegisterImport(app, verbs);
    pm::cli::RegisterCheck(app, verbs);
    pm::cli::RegisterLists(app, verbs);
    pm::cli::RegisterRead(app, verbs);
    pm::cli::RegisterWrite(app, verbs);
    pm::cli::RegisterSim(app, verbs);
    pm::cli::RegisterTestMode(app, verbs);
    pm::cli::RegisterDoctor(app, verbs);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return pm::cli::kExitUsage;
    }
    for (const auto& verb : verbs) {
        if (verb.command->parsed()) return verb.run();
    }
    std::cerr << app.help();
    return pm::cli::kExitUsage;
}
