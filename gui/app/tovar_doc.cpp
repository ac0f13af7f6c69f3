#include "gui/app/tovar_doc.h"

#include <QFile>
#include <QFileInfo>

namespace pm {

CTovarDoc::CTovarDoc() {
    OnNewDocument();
}

void CTovarDoc::OnNewDocument() {
    m_image = NewDocumentImage();
    m_savedImage = m_image;
    m_strPathName.clear();
}

FileOutcome CTovarDoc::OnOpenDocument(const QString& path) {
    // Load into a copy so that a failed open cannot leave a half-replaced image behind.
    Image loaded = m_image;
    FileOutcome outcome = LoadChannelFile(QFile::encodeName(path).toStdString(), loaded);
    if (!outcome.ok()) return outcome;
    m_image = loaded;
    m_strPathName = QFileInfo(path).absoluteFilePath();
    return outcome;
}

FileOutcome CTovarDoc::OnSaveDocument(const QString& path) {
    FileOutcome outcome = SaveChannelFile(QFile::encodeName(path).toStdString(), m_image);
    if (outcome.ok()) m_strPathName = QFileInfo(path).absoluteFilePath();
    return outcome;
}

QString CTovarDoc::Title() const {
    return m_strPathName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strPathName).fileName();
}

}  // namespace pm
