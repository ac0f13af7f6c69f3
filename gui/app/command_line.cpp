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

// How many words Qt's own option WORD takes (QGuiApplication and QApplication read them), -1 when it is not
// one.
int QtOptionWords(std::string_view word) {
    if (word.size() < 2 || word[0] != '-') return -1;
    word.remove_prefix(word[1] == '-' ? 2 : 1);
    const bool joined = word.find('=') != std::string_view::npos;
    word = word.substr(0, word.find('='));
    for (const std::string_view name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
          "qwindowtitle", "session", "display", "geometry", "title", "icon", "name", "style", "stylesheet"})
        if (word == name) return joined ? 0 : 1;
    for (const std::string_view name :
         {"reverse", "widgetcount", "nograb", "dograb", "sync", "qmljsdebugger"})
        if (word == name) return 0;
    return -1;
}

}  // namespace

bool AsksOnlyForText(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "--") return false;  // file names from here on
        for (const std::string_view text : {"-h", "--help", "--help-all", "-?", "-v", "--version"})
            if (word == text) return true;
        const int qtWords = QtOptionWords(word);
        if (qtWords >= 0) {
            i += qtWords;
        } else if (word.size() > 1 && word[0] == '-' && !word.starts_with("--print-pdf")) {
            return true;  // an option nobody knows: the usage error needs no window either
        }
    }
    return false;
}

QStringList WithoutQtOptions(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray word = arguments[i].toLocal8Bit();
        const int qtWords = i == 0 ? -1 : QtOptionWords(std::string_view(word.constData(), word.size()));
        if (word == "--") {
            kept += arguments.mid(i);
            break;
        }
        if (qtWords >= 0) {
            i += qtWords;
        } else {
            kept << arguments[i];
        }
    }
    return kept;
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
