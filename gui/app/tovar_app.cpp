#include "gui/app/tovar_app.h"

#include <QCoreApplication>

#include "core/image/tone.h"
#include "core/texts.h"
#include "gui/app/features.h"
#include "gui/app/main_frame.h"
#include "gui/app/resources.h"

namespace pm {

CTovarApp::CTovarApp() = default;

CTovarApp::~CTovarApp() = default;

bool CTovarApp::InitInstance(const QString& fileToOpen, bool withFeatures) {
    EnsureAppResources();
    const QString title = QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size()));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganisation));
    QCoreApplication::setApplicationName(title);
    m_recentFiles.Load(QString::fromLatin1(kSettingsOrganisation), title);

    // The tone table exists before the document does: the view's tone list is filled from it.
    m_toneTable.clear();
    for (const std::string& tone : pm::ToneTable()) m_toneTable.append(QString::fromStdString(tone));

    auto frame = std::make_unique<CMainFrame>(m_recentFiles, m_toneTable);
    if (withFeatures) InstallFeatures(*frame);
    if (fileToOpen.isEmpty()) {
        frame->NewDocument();
    } else if (!frame->OpenDocumentFile(fileToOpen)) {
        return false;
    }
    m_pMainWnd = std::move(frame);
    m_pMainWnd->show();
    return true;
}

}  // namespace pm
