#include "gui/csv/csv_commands.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/editor/channel_view.h"

namespace pm {
namespace {

CsvChooser& Chooser() {
    static CsvChooser chooser;
    return chooser;
}

const QString kNativeFilter = QStringLiteral("Channel list, this program's layout (*.csv)");
const QString kCommunityFilter = QStringLiteral("Channel list, common layout (*.csv)");
const QString kAnyFilter = QStringLiteral("Channel list (*.csv);;All files (*)");

std::optional<CsvChoice> Choose(QWidget* parent, bool exporting, const QString& suggested) {
    if (Chooser()) return Chooser()(exporting, suggested);
    if (!exporting) {
        const QString path =
            QFileDialog::getOpenFileName(parent, QStringLiteral("Import CSV"), suggested, kAnyFilter);
        if (path.isEmpty()) return std::nullopt;
        return CsvChoice{path, CsvLayout::Native};
    }
    QString filter = kNativeFilter;
    const QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Export CSV"), suggested,
                                     kNativeFilter + QStringLiteral(";;") + kCommunityFilter, &filter);
    if (path.isEmpty()) return std::nullopt;
    return CsvChoice{path, filter == kCommunityFilter ? CsvLayout::Community : CsvLayout::Native};
}

QString SuggestedCsvPath(const QString& documentPath) {
    if (documentPath.isEmpty()) return QStringLiteral("Untitled.csv");
    const QFileInfo info(documentPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
}

void ShowError(const std::string& text, QWidget* parent) {
    ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, parent);
}

}  // namespace

ScopedCsvChooser::ScopedCsvChooser(CsvChooser chooser) : previous_(std::move(Chooser())) {
    Chooser() = std::move(chooser);
}

ScopedCsvChooser::~ScopedCsvChooser() {
    Chooser() = std::move(previous_);
}

CsvReportDialog::CsvReportDialog(const QString& fileName, const CsvImportResult& result, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import CSV"));
    auto* layout = new QVBoxLayout(this);
    const QString heading =
        result.refused.empty()
            ? QStringLiteral("%1: %2 channels imported.").arg(fileName).arg(result.channelsImported)
            : QStringLiteral("%1: %2 channels imported, %3 rows refused (their channels are left empty).")
                  .arg(fileName)
                  .arg(result.channelsImported)
                  .arg(result.refused.size());
    auto* label = new QLabel(heading, this);
    label->setWordWrap(true);
    layout->addWidget(label);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(QString::fromStdString(FormatImportReport(result)));
    text_->setMinimumSize(560, 220);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString CsvReportDialog::ReportText() const {
    return text_->toPlainText();
}

void ImportCsvCommand(MainWindow& frame) {
    if (frame.IsTransferRunning()) {
        frame.statusBar()->showMessage(QStringLiteral("Not while the radio is being read or written"), 5000);
        return;
    }
    ChannelView* view = frame.View();
    view->CommitCellEdit();
    const auto choice = Choose(&frame, false, QFileInfo(frame.Document().PathName()).absolutePath());
    if (!choice) return;
    // The document's own image is the base: bytes that nothing interprets stay as they are.
    const CsvImportResult result = ImportCsvFile(choice->path.toStdString(), view->EncodedImage());
    if (!result.ok()) {
        ShowError(result.fileError, &frame);
        return;
    }
    frame.Document().MemoryImage() = result.image;
    view->DecodeImage();
    if (result.refused.empty() && result.notes.empty()) {
        frame.statusBar()->showMessage(QStringLiteral("%1 channels imported from %2")
                                           .arg(result.channelsImported)
                                           .arg(QFileInfo(choice->path).fileName()),
                                       5000);
        return;
    }
    CsvReportDialog dialog(QFileInfo(choice->path).fileName(), result, &frame);
    dialog.exec();
}

void ExportCsvCommand(MainWindow& frame) {
    ChannelView* view = frame.View();
    view->CommitCellEdit();
    const auto choice = Choose(&frame, true, SuggestedCsvPath(frame.Document().PathName()));
    if (!choice) return;
    const FileOutcome outcome =
        ExportCsvFile(choice->path.toStdString(), view->EncodedImage(), choice->layout);
    if (!outcome.ok()) {
        ShowError(outcome.message, &frame);
        return;
    }
    frame.statusBar()->showMessage(
        QStringLiteral("Channel list written to %1").arg(QFileInfo(choice->path).fileName()), 5000);
}

void InstallCsvCommands(MainWindow& frame) {
    MainWindow* f = &frame;
    auto* importAction = new QAction(QStringLiteral("Import CSV..."), f);
    importAction->setObjectName(QStringLiteral("actionImportCsv"));
    importAction->setStatusTip(QStringLiteral("Take the channels from a CSV channel list"));
    auto* exportAction = new QAction(QStringLiteral("Export CSV..."), f);
    exportAction->setObjectName(QStringLiteral("actionExportCsv"));
    exportAction->setStatusTip(QStringLiteral("Write the channels to a CSV channel list"));
    f->AddFileMenuAction(MainWindow::FileMenuPlace::AfterSaveAs, importAction);
    f->AddFileMenuAction(MainWindow::FileMenuPlace::AfterSaveAs, exportAction);
    QObject::connect(importAction, &QAction::triggered, f, [f] { ImportCsvCommand(*f); });
    QObject::connect(exportAction, &QAction::triggered, f, [f] { ExportCsvCommand(*f); });
}

}  // namespace pm
