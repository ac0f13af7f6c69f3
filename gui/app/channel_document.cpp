#include "gui/app/channel_document.h"

#include <QFile>
#include <QFileInfo>

#include "gui/common/file_names.h"

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
    FileOutcome outcome = ReadFile(path, loaded);
    if (outcome.ok()) TakeFile(path, loaded);
    return outcome;
}

FileOutcome ChannelDocument::ReadFile(const QString& path, Image& image) {
    return LoadChannelFile(FileNameBytes(path), image);
}

void ChannelDocument::TakeFile(const QString& path, const Image& image) {
    image_ = image;
    pathName_ = QFileInfo(path).absoluteFilePath();
}

FileOutcome ChannelDocument::OnSaveDocument(const QString& path) {
    FileOutcome outcome = SaveChannelFile(FileNameBytes(path), image_);
    if (outcome.ok()) pathName_ = QFileInfo(path).absoluteFilePath();
    return outcome;
}

QString ChannelDocument::Title() const {
    return pathName_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(pathName_).fileName();
}

}  // namespace pm
