#pragma once
// Each verb registers its subcommand and the action that runs it.

#include <functional>
#include <vector>

#include <CLI/CLI.hpp>

namespace pm::cli {

/** Exit codes of every verb. */
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3;

/** A registered subcommand and what runs when it was given. */
struct Verb {
    CLI::App* command;
    std::function<int()> run;
};

void RegisterNew(CLI::App& app, std::vector<Verb>& verbs);
void RegisterShow(CLI::App& app, std::vector<Verb>& verbs);
void RegisterConvert(CLI::App& app, std::vector<Verb>& verbs);
void RegisterEdit(CLI::App& app, std::vector<Verb>& verbs);
void RegisterDiff(CLI::App& app, std::vector<Verb>& verbs);
/** export: channels of a channel file as CSV. */
void RegisterExport(CLI::App& app, std::vector<Verb>& verbs);
/** import: a CSV channel list into a channel file. */
void RegisterImport(CLI::App& app, std::vector<Verb>& verbs);
/** read: Read From Radio into a channel file. */
void RegisterRead(CLI::App& app, std::vector<Verb>& verbs);
/** write: a channel file into the radio. */
void RegisterWrite(CLI::App& app, std::vector<Verb>& verbs);
/** sim: the virtual radio on a pseudo-terminal. */
void RegisterSim(CLI::App& app, std::vector<Verb>& verbs);
/** check: the plan check of a channel file. */
void RegisterCheck(CLI::App& app, std::vector<Verb>& verbs);
/** lists: the shipped channel lists. */
void RegisterLists(CLI::App& app, std::vector<Verb>& verbs);
/** testmode: one Test Mode exchange. */
void RegisterTestMode(CLI::App& app, std::vector<Verb>& verbs);
/** doctor: the cable doctor. */
void RegisterDoctor(CLI::App& app, std::vector<Verb>& verbs);

}  // namespace pm::cli
