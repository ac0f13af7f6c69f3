#include "gui/app/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

#include <utility>

namespace pm {
namespace {

FileChooser& InstalledChooser() {
    static FileChooser chooser;
    return chooser;
}

}  // namespace

QString ChannelFileFilter() {
    return QStringLiteral("Channel Data (*.sin);;All Files (*)");
}

QString ChooseFileToOpen(QWidget* parent, const QString& directory) {
    if (const FileChooser& chooser = InstalledChooser()) return chooser(FileChoice::Open, directory);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), directory, ChannelFileFilter());
}

QString ChooseFileToSave(QWidget* parent, const QString& suggested) {
    if (const FileChooser& chooser = InstalledChooser()) return chooser(FileChoice::SaveAs, suggested);
    QFileDialog dialog(parent, QStringLiteral("Save As"), suggested, ChannelFileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("sin"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

ScopedFileChooser::ScopedFileChooser(FileChooser chooser)
    : previous_(std::exchange(InstalledChooser(), std::move(chooser))) {}

ScopedFileChooser::~ScopedFileChooser() {
    InstalledChooser() = std::move(previous_);
}

}  // namespace pm
