// The report on paper: PDFs read back with poppler, the preview, the print dialog and the command line.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
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
#include <numeric>
#include <optional>

#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "gui/common/message_box.h"
#include "gui/print/print_pdf_command.h"
#include "gui/print/report_commands.h"
#include "gui/print/report_pdf.h"

namespace pm {
namespace {

const QString kPlan = QStringLiteral(PM_TEST_DATA_DIR "/report_plan.sin");

QString RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed (poppler-utils comes with scripts/install-deps): "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& pdf) {
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto match = pages.match(RunTool(QStringLiteral("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Non-empty text lines of one page, blanks collapsed.
std::vector<std::string> PageLines(const QString& pdf, int page) {
    const QString text = RunTool(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                                  QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    std::vector<std::string> lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty()) lines.push_back(simple.toStdString());
    }
    return lines;
}

struct Word {
    double x0, y0, x1, y1;  // points, y growing downward
    QString text;
};

struct PdfPage {
    double width = 0;
    double height = 0;
    std::vector<Word> words;
};

std::vector<PdfPage> PdfWords(const QString& pdf) {
    const QString html =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression pageRe(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    static const QRegularExpression wordRe(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    std::vector<PdfPage> pages;
    for (const QString& line : html.split(QLatin1Char('\n'))) {
        if (const auto p = pageRe.match(line); p.hasMatch()) {
            pages.push_back({p.captured(1).toDouble(), p.captured(2).toDouble(), {}});
        } else if (const auto w = wordRe.match(line); w.hasMatch() && !pages.empty()) {
            pages.back().words.push_back({w.captured(1).toDouble(), w.captured(2).toDouble(),
                                          w.captured(3).toDouble(), w.captured(4).toDouble(), w.captured(5)});
        }
    }
    return pages;
}

const Word* FindWord(const PdfPage& page, const QString& text, int nth = 0) {
    for (const Word& w : page.words) {
        if (w.text == text && nth-- == 0) return &w;
    }
    return nullptr;
}

// Channel numbers in the leftmost column, top to bottom.
std::vector<int> ChannelNumbers(const PdfPage& page) {
    double left = page.width;
    for (const Word& w : page.words) left = std::min(left, w.x0);
    std::vector<std::pair<double, int>> found;
    for (const Word& w : page.words) {
        bool number = false;
        const int n = w.text.toInt(&number);
        if (number && std::abs(w.x0 - left) < 0.5) found.emplace_back(w.y0, n);
    }
    std::sort(found.begin(), found.end());
    std::vector<int> numbers;
    for (const auto& [y, n] : found) numbers.push_back(n);
    return numbers;
}

ReportInput PlanInput() {
    Image image = NewDocumentImage();
    EXPECT_TRUE(LoadChannelFile(kPlan.toStdString(), image).ok());
    const EditorState state = DecodeToState(image);
    return ReportInputFrom(state.table, state.lists);
}

// The report's items and places are the core's (its tests check them); these check they reach paper.
TEST(PrintPdf, ThreePagesOfAChannelFileReadBack) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("plan.pdf"));
    ASSERT_EQ(RunPrintPdf(pdf, kPlan), kPrintPdfOk);
    ASSERT_EQ(PdfPageCount(pdf), 3);
    const auto first = PageLines(pdf, 1);
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(first[0], "The Radio Settings");
    EXPECT_EQ(first[7], "1 145.01250 145.61250 88.5 D023N Carrier Add High");
    EXPECT_EQ(PageLines(pdf, 3).back(), "80 175.00000 144.00000 67.0 D023I OFF Delete Low");
}

TEST(PrintPdf, GeometryOnSeveralPapers) {
    struct Row {
        const char* name;
        QPageLayout layout;
    };
    const Row rows[] = {
        {"a4_portrait", QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter)},
        {"a5_landscape", QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(5, 8, 5, 8),
                                     QPageLayout::Millimeter)},
    };
    const ReportInput input = PlanInput();
    QTemporaryDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString pdf = dir.filePath(QString::fromLatin1(row.name) + ".pdf");
        QString error;
        ASSERT_TRUE(ExportReportPdf(input, pdf, &error, row.layout)) << error.toStdString();
        const auto pages = PdfWords(pdf);
        ASSERT_EQ(pages.size(), 3u);
        const QRectF printable = row.layout.paintRect(QPageLayout::Point);

        // Every channel once, in order, on every paper.
        std::vector<int> all, expected(80);
        for (const auto& page : pages) {
            const auto numbers = ChannelNumbers(page);
            all.insert(all.end(), numbers.begin(), numbers.end());
        }
        std::iota(expected.begin(), expected.end(), 1);
        EXPECT_EQ(all, expected);

        // The line pitch is the font's line height; the font's em is a 45th of the printable height and
        // Times New Roman's line height is 1.15 em.
        const Word* r27 = FindWord(pages[1], QStringLiteral("27"));
        const Word* r28 = FindWord(pages[1], QStringLiteral("28"));
        ASSERT_TRUE(r27 && r28);
        const double pitch = r28->y0 - r27->y0;
        const double em = printable.height() / 45.0;
        EXPECT_NEAR(pitch / em, 1.15, 0.02);

        // Page 3's block sits one line lower than page 2's.
        const Word* c2 = FindWord(pages[1], QStringLiteral("Channel"));
        const Word* c3 = FindWord(pages[2], QStringLiteral("Channel"));
        ASSERT_TRUE(c2 && c3);
        EXPECT_NEAR(c3->y0 - c2->y0, pitch, 0.3);

        // Columns stand at fixed x: the receive frequencies of rows 27 and 57 start together.
        const Word* f27 = FindWord(pages[1], QStringLiteral("146.52000"));
        const Word* f57 = FindWord(pages[1], QStringLiteral("155.55000"));
        ASSERT_TRUE(f27 && f57);
        EXPECT_NEAR(f27->x0, f57->x0, 0.1);

        // The font keeps to the character width W of the layout: the channel number sits at W and the
        // frequency at 6 W; Times New Roman's digits are half an em and its average character 0.401 em, so
        // "146.52000" (8 digits and a point of a quarter em) is 10.6 W wide.
        const Word* n27 = FindWord(pages[1], QStringLiteral("27"));
        const double w = (f27->x0 - n27->x0) / 5.0;
        EXPECT_NEAR((f27->x1 - f27->x0) / w, 4.25 / 0.401, 0.25);

        // Nothing runs off the printable area, and the widest value keeps clear of the next column.
        for (const auto& page : pages) {
            for (const Word& w : page.words) {
                EXPECT_LE(w.x1, printable.right() + 0.5) << w.text.toStdString();
                EXPECT_LE(w.y1, printable.bottom() + 0.5) << w.text.toStdString();
            }
        }
        const Word* busy = FindWord(pages[2], QStringLiteral("QT/DQT"));
        const Word* scan = FindWord(pages[2], QStringLiteral("Add"));
        ASSERT_TRUE(busy && scan);
        EXPECT_LT(busy->x1, scan->x0);
    }
}

TEST(PrintCommands, PrintsTheChosenPagesInOrder) {
    struct Row {
        const char* name;
        QPrinter::PrintRange range;
        int from;
        int to;
        QPrinter::PageOrder order;
        std::vector<std::string> titles;
    };
    const std::string p1 = "The Radio Settings", p2 = "The Second Page", p3 = "The Third Pages";
    const auto first = QPrinter::FirstPageFirst;
    const Row rows[] = {
        {"all", QPrinter::AllPages, 0, 0, first, {p1, p2, p3}},
        {"range_3_only", QPrinter::PageRange, 3, 3, first, {p3}},
        {"last_page_first", QPrinter::PageRange, 1, 2, QPrinter::LastPageFirst, {p2, p1}},
    };
    const ReportInput input = PlanInput();
    QTemporaryDir dir;
    for (const auto& row : rows) {
        ReportCommands commands([&] { return input; });
        QPrinter& printer = commands.Printer();
        const QString pdf = dir.filePath(QString::fromLatin1(row.name) + ".pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPrintRange(row.range);
        printer.setFromTo(row.from, row.to);
        printer.setPageOrder(row.order);
        QString error;
        ASSERT_TRUE(commands.PrintChosenPages(&error)) << row.name << ": " << error.toStdString();
        ASSERT_EQ(PdfPageCount(pdf), static_cast<int>(row.titles.size())) << row.name;
        for (std::size_t p = 0; p < row.titles.size(); ++p) {
            const auto lines = PageLines(pdf, static_cast<int>(p) + 1);
            ASSERT_FALSE(lines.empty()) << row.name;
            EXPECT_EQ(lines.front(), row.titles[p]) << row.name << " sheet " << p + 1;
        }
    }
}

TEST(PrintCommands, PrintDialogOffersPagesOneToThree) {
    ReportCommands commands([] { return ReportInput{}; });
    const auto dialog = commands.MakePrintDialog(nullptr);
    EXPECT_EQ(dialog->minPage(), 1);
    EXPECT_EQ(dialog->maxPage(), 3);
    EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintCurrentPage));
    EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintSelection));
}

TEST(PrintCommands, PreviewShowsThreePagesTwoSideBySide) {
    const ReportInput input = PlanInput();
    ReportCommands commands([&] { return input; });
    const auto dialog = commands.MakePreviewDialog(nullptr);
    dialog->resize(1100, 800);
    dialog->show();
    auto* view = dialog->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(view, nullptr);
    view->updatePreview();
    QApplication::processEvents();
    EXPECT_EQ(view->pageCount(), 3);
    EXPECT_EQ(view->viewMode(), QPrintPreviewWidget::AllPagesView);
    EXPECT_EQ(view->zoomMode(), QPrintPreviewWidget::FitToWidth);

    // Its Print button asks with the same dialog as File Print; cancelling keeps the preview open.
    QAction* print = PreviewPrintAction(*dialog);
    ASSERT_NE(print, nullptr);
    int maxPage = -1;
    QTimer::singleShot(0, [&] {
        if (auto* asked = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            maxPage = asked->maxPage();
            asked->reject();
        }
    });
    print->trigger();
    EXPECT_EQ(maxPage, 3);
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
}

TEST(PrintCommands, PrintsTheGridAsItStandsNotTheSavedFile) {
    Image image = NewDocumentImage();
    ASSERT_TRUE(LoadChannelFile(kPlan.toStdString(), image).ok());
    EditorState state = DecodeToState(image);
    int calls = 0;
    ReportCommands commands([&] {
        ++calls;
        return ReportInputFrom(state.table, state.lists);
    });
    // Edited after opening and never saved.
    state.table.SetText(3, col::kReceive, "147.33000");
    state.table.SetText(3, col::kPower, "Low");
    state.lists.Select(Setting::Squelch, 2);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("edited.pdf"));
    ASSERT_TRUE(commands.ExportPdfTo(pdf, nullptr));
    EXPECT_EQ(calls, 1);
    const auto lines = PageLines(pdf, 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "3 147.33000 Low"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Warning Setting: Enable Squelch Level: 2"), lines.end());
}

TEST(PrintCommands, ExportFailureIsShownAndLeavesNoFile) {
    ReportCommands commands([] { return PlanInput(); });
    std::vector<std::string> shown;
    ScopedAnswerers answer([&](const Message& m) {
        shown.emplace_back(m.text);
        EXPECT_EQ(m.icon, Icon::Warning);
        return Answer::Ok;
    });
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("missing/report.pdf"));
    EXPECT_FALSE(commands.ExportPdfTo(pdf, nullptr));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Cannot save file " + pdf.toStdString(), 0), 0u) << shown[0];
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST(PrintPdfCommand, BadArgumentsAndFilesGiveClearExits) {
    QTemporaryDir dir;
    const QString shortFile = dir.filePath(QStringLiteral("short.sin"));
    {
        QFile f(shortFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, '\xFF'));
    }
    const QString channelCopy = dir.filePath(QStringLiteral("copy.sin"));
    ASSERT_TRUE(QFile::copy(kPlan, channelCopy));
    const QString linkToCopy = dir.filePath(QStringLiteral("link.pdf"));
    ASSERT_TRUE(QFile::link(channelCopy, linkToCopy));
    const QByteArray before = [&] {
        QFile f(channelCopy);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    struct Row {
        const char* name;
        QString out;
        QString in;
        int exit;
    };
    const Row rows[] = {
        {"missing_file", dir.filePath("a.pdf"), dir.filePath("none.sin"), kPrintPdfBadFile},
        {"short_file", dir.filePath("b.pdf"), shortFile, kPrintPdfBadFile},
        {"output_is_a_channel_file", channelCopy, kPlan, kPrintPdfUsage},
        {"pdf_name_linked_to_the_channel_file", linkToCopy, channelCopy, kPrintPdfUsage},
        {"output_dir_missing", dir.filePath("no/d.pdf"), kPlan, kPrintPdfFailed},
        {"empty_output", QString(), kPlan, kPrintPdfUsage},
        {"fine", dir.filePath("e.pdf"), kPlan, kPrintPdfOk},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RunPrintPdf(row.out, row.in), row.exit) << row.name;
        if (row.exit != kPrintPdfOk && QFileInfo(row.out).isFile() && row.out != channelCopy &&
            row.out != linkToCopy) {
            ADD_FAILURE() << row.name << " left a PDF behind";
        }
    }
    QFile f(channelCopy);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before) << "the channel file was overwritten";
    EXPECT_TRUE(QFileInfo(dir.filePath("e.pdf")).size() > 0);
}

TEST(PrintPdfCommand, Arguments) {
    struct Row {
        const char* name;
        QStringList args;
        bool ok;
        const char* why;
    };
    const char* two = "--print-pdf takes exactly two arguments";
    const char* first = "--print-pdf must come first";
    const Row rows[] = {
        {"both_names", {"--print-pdf", "out.pdf", "in.sin"}, true, ""},
        {"one_too_many", {"--print-pdf", "out.pdf", "in.sin", "x"}, false, two},
        {"option_not_first", {"in.sin", "--print-pdf", "out.pdf"}, false, first},
        {"empty_name",
         {"--print-pdf", "", "in.sin"},
         false,
         "both the PDF and the channel file must be named"},
    };
    for (const auto& row : rows) {
        QString why;
        const auto request = ParsePrintPdfArguments(row.args, &why);
        EXPECT_EQ(request.has_value(), row.ok) << row.name;
        EXPECT_EQ(why.toStdString(), row.why) << row.name;
        if (request) {
            EXPECT_EQ(request->out, QStringLiteral("out.pdf"));
            EXPECT_EQ(request->sinPath, QStringLiteral("in.sin"));
        }
    }
    char prog[] = "pm514rx", opt[] = "--print-pdf", file[] = "a.sin";
    char* withOption[] = {prog, file, opt, nullptr};
    char* without[] = {prog, file, nullptr};
    EXPECT_TRUE(IsPrintPdfCommand(3, withOption));
    EXPECT_FALSE(IsPrintPdfCommand(2, without));
}

}  // namespace
}  // namespace pm
