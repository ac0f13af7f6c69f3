// The report through the one painting routine to PDF, printer, preview and --print-pdf. What each item says
// and where it stands is the core's; here, that it reaches paper in the right font and within the page.

#include <gmock/gmock.h>

#include <filesystem>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>

#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "gui/common/file_names.h"
#include "gui/print/print_pdf_command.h"
#include "gui/print/report_commands.h"
#include "gui/print/report_pdf.h"
#include "gui_fixture.h"

namespace pm {
namespace {

const QString kPlan = QStringLiteral(PM_TEST_DATA_DIR "/report_plan.sin");

struct Word {
    QRectF box;  // points, y growing downward
    QString text;
};
using Page = std::vector<Word>;

// The words of each page, left to right, as poppler reads them back.
std::vector<Page> ReadPdf(const QString& pdf) {
    QProcess tool;
    tool.start("pdftotext", {"-bbox", pdf, "-"});
    EXPECT_TRUE(tool.waitForFinished(120000) && tool.exitCode() == 0) << "pdftotext (poppler-utils) failed";
    static const QRegularExpression wordRe(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    std::vector<Page> pages;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n')) {
        if (line.contains("<page ")) pages.emplace_back();
        if (const auto w = wordRe.match(line); w.hasMatch() && !pages.empty()) {
            const auto n = [&w](int i) { return w.captured(i).toDouble(); };
            pages.back().push_back({QRectF(QPointF(n(1), n(2)), QPointF(n(3), n(4))), w.captured(5)});
        }
    }
    for (Page& page : pages) std::ranges::sort(page, {}, [](const Word& w) { return w.box.left(); });
    return pages;
}

// The lines of a page: its words joined by one blank.
std::vector<std::string> Lines(const Page& page) {
    std::map<long, std::string> byTop;
    for (const Word& w : page) byTop[std::lround(w.box.top())] += ' ' + w.text.toStdString();
    std::vector<std::string> lines;
    for (const auto& [top, line] : byTop) lines.push_back(line.substr(1));
    return lines;
}

QRectF Box(const Page& page, const QString& text) {
    const auto found = std::find_if(page.begin(), page.end(), [&](const Word& w) { return w.text == text; });
    EXPECT_NE(found, page.end()) << text.toStdString();
    return found == page.end() ? QRectF() : found->box;
}

ReportInput PlanInput() {
    Image image = NewDocumentImage();
    EXPECT_TRUE(LoadChannelFile(kPlan.toStdString(), image).ok());
    const EditorState state = DecodeToState(image);
    return ReportInputFrom(state.table, state.lists);
}

TEST(PrintPdf, FontAndRoomFollowEachPaper) {
    const struct {
        const char* name;
        QPageLayout layout;
    } rows[] = {
        {"a4_portrait", DefaultPdfPageLayout()},
        {"a5_landscape", QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(5, 8, 5, 8),
                                     QPageLayout::Millimeter)},
    };
    QTemporaryDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString pdf = dir.filePath(QString::fromLatin1(row.name) + ".pdf");
        QString error;
        ASSERT_TRUE(ExportReportPdf(PlanInput(), pdf, &error, row.layout)) << error.toStdString();
        const auto pages = ReadPdf(pdf);
        ASSERT_EQ(pages.size(), 3u);
        const QRectF printable = row.layout.paintRect(QPageLayout::Point);
        // The line pitch is the face's line height, 1.15 em, where the em is a 45th of the printable height.
        const QRectF n27 = Box(pages[1], "27"), n28 = Box(pages[1], "28"), f27 = Box(pages[1], "146.52000");
        EXPECT_NEAR((n28.top() - n27.top()) / (printable.height() / 45.0), 1.15, 0.02);
        // The face is stretched to the layout's character width W (the number at W, the frequency at 6 W):
        // eight digits of half an em and a point of a quarter em, with W = 0.401 em, are 10.6 W wide.
        EXPECT_NEAR(f27.width() / ((f27.left() - n27.left()) / 5.0), 4.25 / 0.401, 0.25);
        // Nothing runs off the printable area, and the widest value keeps clear of the next column.
        for (const auto& page : pages) {
            for (const Word& word : page)
                EXPECT_TRUE(printable.adjusted(-0.5, -0.5, 0.5, 0.5).contains(word.box))
                    << word.text.toStdString();
        }
        EXPECT_LT(Box(pages[2], "QT/DQT").right(), Box(pages[2], "Add").left());
    }
}

TEST(PrintCommands, PreviewAndPrintShowAndPrintTheChosenPages) {
    ReportCommands commands(PlanInput);
    const auto dialog = commands.MakePreviewDialog(nullptr);
    dialog->show();
    auto* view = dialog->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(view, nullptr);
    view->updatePreview();
    EXPECT_EQ(view->pageCount(), 3);
    // Its Print button asks with File Print's dialog, pages 1 to 3; cancelling keeps the preview open.
    QAction* print = PreviewPrintAction(*dialog);
    ASSERT_NE(print, nullptr);
    QString asked;
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            asked = QStringLiteral("%1-%2").arg(d->minPage()).arg(d->maxPage());
            d->reject();
        }
    });
    print->trigger();
    EXPECT_EQ(asked, "1-3");
    EXPECT_TRUE(dialog->isVisible());

    // What the print dialog chose is what the printer gets, in the order chosen.
    QTemporaryDir dir;
    QPrinter& printer = commands.Printer();
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(1, 2);
    printer.setPageOrder(QPrinter::LastPageFirst);
    ASSERT_TRUE(commands.PrintChosenPages(nullptr));
    std::vector<std::string> titles;
    for (const Page& page : ReadPdf(printer.outputFileName())) titles.push_back(Lines(page).at(0));
    EXPECT_EQ(titles, (std::vector<std::string>{"The Second Page", "The Radio Settings"}));
}

TEST(PrintCommands, AFailedExportIsShownAndLeavesNoFile) {
    ReportCommands commands(PlanInput);
    std::vector<std::string> shown;
    ScopedAnswerers answer([&](const Message& m) {
        shown.emplace_back(m.text);
        return Answer::Ok;
    });
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing/report.pdf");
    EXPECT_FALSE(commands.ExportPdfTo(missing, nullptr));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Cannot save file " + missing.toStdString(), 0), 0u) << shown[0];
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST(PrintPdfCommand, ExitsClearlyAndNeverOverwritesTheChannelFile) {
    QTemporaryDir dir;
    const QString shortFile = dir.filePath("short.sin"), copy = dir.filePath("copy.sin");
    const QString link = dir.filePath("link.pdf"), good = dir.filePath("good.pdf");
    QFile file(shortFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100, '\xFF')) == 100);
    file.close();
    ASSERT_TRUE(QFile::copy(kPlan, copy) && QFile::link(copy, link));
    const struct {
        const char* name;
        QString out, in;
        int exit;
    } rows[] = {
        {"short_file", dir.filePath("b.pdf"), shortFile, kPrintPdfBadFile},
        {"output_is_a_channel_file", copy, kPlan, kPrintPdfUsage},
        {"pdf_name_linked_to_the_channel_file", link, copy, kPrintPdfUsage},
        {"output_dir_missing", dir.filePath("no/d.pdf"), kPlan, kPrintPdfFailed},
        {"good", good, kPlan, kPrintPdfOk},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RunPrintPdf(row.out, row.in), row.exit) << row.name;
        EXPECT_TRUE(row.exit == kPrintPdfOk || row.exit == kPrintPdfUsage || !QFileInfo::exists(row.out))
            << row.name << " left a PDF behind";
    }
    EXPECT_EQ(ReadBytes(copy), ReadBytes(kPlan)) << "the channel file was overwritten";
    // Names that are not UTF-8 are the bytes they are, read and written.
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    for (const std::string raw : {"a\xff", "\xc3", "Kan\xc3\xa4le", "\xed\xb2\x80"})
        EXPECT_EQ(FileNameBytes(FileNameFromBytes(QByteArray::fromStdString(raw))), raw);
    std::filesystem::copy_file(QFile::encodeName(kPlan).toStdString(), folder + "/plan\xfe.sin");
    EXPECT_EQ(RunPrintPdf(FileNameFromBytes(QByteArray::fromStdString(folder + "/rep\xff.pdf")),
                          FileNameFromBytes(QByteArray::fromStdString(folder + "/plan\xfe.sin"))),
              kPrintPdfOk);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/rep\xff.pdf"));
    EXPECT_THAT(Lines(ReadPdf(good).at(0)),
                testing::Contains("1 145.01250 145.61250 88.5 D023N Carrier Add High"));
}

}  // namespace
}  // namespace pm
