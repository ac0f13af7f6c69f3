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

/** True when an argument asks for the help or the version, or is an option neither the program nor Qt knows:
 *  those are answered with text alone, without a display. */
[[nodiscard]] bool AsksOnlyForText(int argc, const char* const* argv);

/** ARGUMENTS without the options Qt's application object would have taken out of them. */
[[nodiscard]] QStringList WithoutQtOptions(const QStringList& arguments);

/** Reads arguments (program name first); help, version and errors are printed here. */
[[nodiscard]] CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace pm
