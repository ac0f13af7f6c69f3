#include "gui/csv/csv_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QSpinBox>
#include <QFileInfo>
#include <QStatusBar>

#include <algorithm>

#include "core/csv/stock_lists.h"
#include "gui/app/main_window.h"
#include "gui/common/file_names.h"
#include "gui/common/message_box.h"
#include "gui/csv/csv_import_dialog.h"
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
    QFileDialog dialog(parent, QStringLiteral("Export CSV"), suggested,
                       kNativeFilter + QStringLiteral(";;") + kCommunityFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // As Save As adds ".sin": the overwrite question then asks about the file really written.
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const bool community = dialog.selectedNameFilter() == kCommunityFilter;
    return CsvChoice{dialog.selectedFiles().constFirst(),
                     community ? CsvLayout::Community : CsvLayout::Native};
}

// A name without an extension gets ".csv", so that Import CSV's filter shows the file.
QString WithCsvExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".csv") : path;
}

QString SuggestedCsvPath(const QString& documentPath) {
    if (documentPath.isEmpty()) return QStringLiteral("Untitled.csv");
    const QFileInfo info(documentPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
}

void ShowError(const std::string& text, QWidget* parent) {
    ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, parent);
}

// The one place an import changes the document: the image the preview showed, taken whole.
void ApplyCsvImport(MainWindow& frame, const CsvImportResult& plan, const QString& fileName) {
    frame.Document().MemoryImage() = plan.image;
    frame.View()->DecodeImage();
    frame.RecordImageChange(QStringLiteral("Import CSV"));
    frame.statusBar()->showMessage(
        QStringLiteral("%1 channels imported from %2").arg(plan.channelsImported).arg(fileName), 5000);
}

}  // namespace

ScopedCsvChooser::ScopedCsvChooser(CsvChooser chooser) : previous_(std::move(Chooser())) {
    Chooser() = std::move(chooser);
}

ScopedCsvChooser::~ScopedCsvChooser() {
    Chooser() = std::move(previous_);
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
    CsvImportDialog dialog(choice->path, view->EncodedImage(), &frame);
    if (!dialog.Plan().ok()) {
        ShowError(dialog.Plan().fileError, &frame);
        return;
    }
    if (dialog.exec() != QDialog::Accepted || !dialog.Plan().ok()) return;
    ApplyCsvImport(frame, dialog.Plan(), QFileInfo(choice->path).fileName());
}

void AddChannelListCommand(MainWindow& frame, const QString& path) {
    if (frame.IsTransferRunning()) {
        frame.statusBar()->showMessage(QStringLiteral("Not while the radio is being read or written"), 5000);
        return;
    }
    ChannelView* view = frame.View();
    view->CommitCellEdit();
    const Image base = view->EncodedImage();
    CsvImportDialog dialog(path, base, &frame);
    if (!dialog.Plan().ok()) {
        ShowError(dialog.Plan().fileError, &frame);
        return;
    }
    // Into empty channels only; a list that fits nowhere starts after the last channel in use.
    const int first = std::min(FirstChannelForList(base, static_cast<int>(dialog.Plan().rows.size())),
                               static_cast<int>(kChannelCount));
    // The merge preset: rows in file order from there, every other channel kept.
    using C = CsvImportDialog::Control;
    static_cast<QSpinBox*>(dialog.Widget(C::FirstChannel))->setValue(first);
    static_cast<QAbstractButton*>(dialog.Widget(C::InFileOrder))->setChecked(true);
    static_cast<QAbstractButton*>(dialog.Widget(C::Merge))->setChecked(true);
    if (dialog.exec() != QDialog::Accepted || !dialog.Plan().ok()) return;
    ApplyCsvImport(frame, dialog.Plan(), QFileInfo(path).fileName());
}

void ExportCsvCommand(MainWindow& frame) {
    ChannelView* view = frame.View();
    view->CommitCellEdit();
    auto choice = Choose(&frame, true, SuggestedCsvPath(frame.Document().PathName()));
    if (!choice) return;
    choice->path = WithCsvExtension(choice->path);
    const FileOutcome outcome =
        ExportCsvFile(FileNameBytes(choice->path), view->EncodedImage(), choice->layout);
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

    const auto folder = StockListFolder(QCoreApplication::applicationDirPath().toStdString());
    if (!folder) return;
    auto* lists = new QMenu(QStringLiteral("Add Channel &List"), f);
    lists->menuAction()->setObjectName(QStringLiteral("actionAddChannelList"));
    lists->menuAction()->setStatusTip(
        QStringLiteral("Merge a shipped channel list in from the first empty channel"));
    for (const StockList& list : StockLists()) {
        const QString path = QString::fromStdString((*folder / list.file).string());
        QAction* action =
            lists->addAction(QString::fromUtf8(list.title.data(), static_cast<qsizetype>(list.title.size())) +
                             QStringLiteral("..."));
        QObject::connect(action, &QAction::triggered, f, [f, path] { AddChannelListCommand(*f, path); });
    }
    f->AddFileMenuAction(MainWindow::FileMenuPlace::AfterSaveAs, lists->menuAction());
}

}  // namespace pm
