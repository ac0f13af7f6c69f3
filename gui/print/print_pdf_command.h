#pragma once
// `pm514rx --print-pdf OUT.pdf FILE.sin`: the report of a channel file as a PDF, without a window.

#include <QString>
#include <QStringList>

#include <optional>

namespace pm {

/** Exit codes of the command: done, PDF not written, bad arguments, channel file not opened. */
inline constexpr int kPrintPdfOk = 0;
inline constexpr int kPrintPdfFailed = 1;
inline constexpr int kPrintPdfUsage = 2;
inline constexpr int kPrintPdfBadFile = 3;

/** The two names the command takes. */
struct PrintPdfRequest {
    QString out;
    QString sinPath;
};

/**
 * Reads the arguments after the program name (Qt's own options already taken out): exactly
 * "--print-pdf OUT.pdf FILE.sin". Nothing, with the reason in *why, for anything else.
 */
[[nodiscard]] std::optional<PrintPdfRequest> ParsePrintPdfArguments(const QStringList& args, QString* why);

/** True when the command line asks for --print-pdf; look before creating the application object. */
[[nodiscard]] bool IsPrintPdfCommand(int argc, char** argv);

/**
 * Opens sinPath as the editor would (load, decode) and writes its report to out. Messages go to stderr.
 * Needs a QGuiApplication.
 */
[[nodiscard]] int RunPrintPdf(const QString& out, const QString& sinPath);

/** The whole command: its own application object on the offscreen platform unless one is chosen. */
[[nodiscard]] int PrintPdfMain(int argc, char** argv);

}  // namespace pm
