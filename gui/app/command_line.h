#pragma once
// The desktop program's command line.

#include <QString>
#include <QStringList>

namespace pm {

/** What the command line asks for. */
struct CommandLine {
    QString file;       // channel file to open, empty for a new document
    bool exit = false;  // nothing to run: help, version or an error was printed
    int exitCode = 0;
};

/** True when an argument asks for the help or the version, which are printed without a display. */
[[nodiscard]] bool AsksOnlyForText(int argc, const char* const* argv);

/** Reads arguments (program name first); help, version and errors are printed here. */
[[nodiscard]] CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace pm
