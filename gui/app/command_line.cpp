#include "gui/app/command_line.h"

#include <QCommandLineParser>

#include <cstdio>
#include <string_view>

namespace pm {
namespace {

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

bool AsksOnlyForText(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "--") return false;  // file names from here on
        for (const std::string_view text : {"-h", "--help", "--help-all", "-?", "-v", "--version"})
            if (word == text) return true;
    }
    return false;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("PM-514RX programming software."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Handled before the window exists (see main); named here so that --help and the manual page show it.
    parser.addOption(QCommandLineOption(
        QStringLiteral("print-pdf"),
        QStringLiteral("Write the report of channel file FILE.sin to OUT.pdf and exit, without a window: "
                       "pm514rx --print-pdf OUT.pdf FILE.sin"),
        QStringLiteral("OUT.pdf")));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Channel file (*.sin) to open."),
                                 QStringLiteral("[file]"));

    CommandLine line;
    if (!parser.parse(arguments)) {
        Print(stderr, parser.errorText() + QStringLiteral("\n"));
        return {QString(), true, 2};
    }
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        return {QString(), true, 0};
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("pm514rx %1\n").arg(QStringLiteral(PM514RX_VERSION)));
        return {QString(), true, 0};
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        Print(stderr, QStringLiteral("Only one channel file can be opened at a time.\n"));
        return {QString(), true, 2};
    }
    if (!files.isEmpty()) line.file = files.constFirst();
    return line;
}

}  // namespace pm
