#include "gui/app/channel_document.h"

#include <QFile>
#include <QFileInfo>

namespace pm {

ChannelDocument::ChannelDocument() {
    OnNewDocument();
}

void ChannelDocument::OnNewDocument() {
    image_ = NewDocumentImage();
    savedImage_ = image_;
    pathName_.clear();
}

FileOutcome ChannelDocument::OnOpenDocument(const QString& path) {
    // Load into a copy so that a failed open cannot leave a half-replaced image behind.
    Image loaded = image_;
    FileOutcome outcome = LoadChannelFile(QFile::encodeName(path).toStdString(), loaded);
    if (!outcome.ok()) return outcome;
    image_ = loaded;
    pathName_ = QFileInfo(path).absoluteFilePath();
    return outcome;
}

FileOutcome ChannelDocument::OnSaveDocument(const QString& path) {
    FileOutcome outcome = SaveChannelFile(QFile::encodeName(path).toStdString(), image_);
    if (outcome.ok()) pathName_ = QFileInfo(path).absoluteFilePath();
    return outcome;
}

QString ChannelDocument::Title() const {
    return pathName_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(pathName_).fileName();
}

}  // namespace pm
