#include "gui/print/print_pdf_command.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "core/report/report_input.h"
#include "gui/common/file_names.h"
#include "gui/print/report_painter.h"
#include "gui/print/report_pdf.h"

namespace pm {
namespace {

constexpr const char* kOption = "--print-pdf";

void PrintError(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
}

void PrintUsage(const QString& why) {
    PrintError(QStringLiteral("pm514rx: %1\nusage: pm514rx --print-pdf OUT.pdf FILE.sin").arg(why));
}

}  // namespace

std::optional<PrintPdfRequest> ParsePrintPdfArguments(const QStringList& args, QString* why) {
    const QString option = QString::fromLatin1(kOption);
    QString reason;
    if (args.isEmpty() || args.first() != option) {
        reason = QStringLiteral("--print-pdf must come first");
    } else if (args.size() != 3) {
        reason = QStringLiteral("--print-pdf takes exactly two arguments");
    } else if (args.at(1).isEmpty() || args.at(2).isEmpty()) {
        reason = QStringLiteral("both the PDF and the channel file must be named");
    } else {
        return PrintPdfRequest{args.at(1), args.at(2)};
    }
    if (why != nullptr) *why = reason;
    return std::nullopt;
}

bool IsPrintPdfCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && std::strcmp(argv[i], kOption) == 0) return true;
    }
    return false;
}

int RunPrintPdf(const QString& out, const QString& sinPath) {
    if (out.isEmpty() || sinPath.isEmpty()) {
        PrintUsage(QStringLiteral("both the PDF and the channel file must be named"));
        return kPrintPdfUsage;
    }
    // Arguments given the wrong way round would read a PDF as channel data and then overwrite the channel
    // file with the report; a channel file is never a PDF's target.
    const QFileInfo outInfo(out);
    if (outInfo.suffix().compare(QStringLiteral("sin"), Qt::CaseInsensitive) == 0 ||
        (outInfo.exists() && QFileInfo(sinPath).exists() &&
         outInfo.canonicalFilePath() == QFileInfo(sinPath).canonicalFilePath())) {
        PrintUsage(QStringLiteral("will not write the PDF over a channel file: %1").arg(out));
        return kPrintPdfUsage;
    }

    Image image = NewDocumentImage();
    const FileOutcome loaded = LoadChannelFile(FileNameBytes(sinPath), image);
    if (!loaded.ok()) {
        PrintError(QString::fromStdString(loaded.message));
        return kPrintPdfBadFile;
    }
    const EditorState state = DecodeToState(image);
    QString error;
    if (!ExportReportPdf(ReportInputFrom(state.table, state.lists), out, &error)) {
        PrintError(error);
        return kPrintPdfFailed;
    }
    return kPrintPdfOk;
}

int PrintPdfMain(int argc, char** argv) {
    // Nothing is shown, so no display is needed unless the caller picked a platform on purpose.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    InstallReportFontSubstitution();

    // Qt's own options are gone from the arguments by now; what is left must be exactly the command.
    // Qt has taken its own options out of argv; the names left are kept as the bytes they are.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << FileNameFromBytes(QByteArray(argv[i]));
    QString why;
    const auto request = ParsePrintPdfArguments(args, &why);
    if (!request) {
        PrintUsage(why);
        return kPrintPdfUsage;
    }
    return RunPrintPdf(request->out, request->sinPath);
}

}  // namespace pm
