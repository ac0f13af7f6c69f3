#include "gui/app/application.h"

#include <QGuiApplication>

#include "core/image/tone.h"
#include "core/texts.h"
#include "gui/app/main_window.h"
#include "gui/app/settings.h"
#include "gui/common/resources.h"

namespace pm {

Application::Application() = default;

Application::~Application() = default;

bool Application::Start(const QString& fileToOpen, const Installer& install) {
    EnsureAppResources();
    const QString title = QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size()));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsName));
    // Window titles then name the program as its caption does, not by its file name.
    QGuiApplication::setApplicationDisplayName(title);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kSettingsName));
    MoveOldSettings();
    recentFiles_.Load();

    // The tone table exists before the document does: the view's tone list is filled from it.
    toneTable_.clear();
    for (const std::string& tone : pm::ToneTable()) toneTable_.append(QString::fromStdString(tone));

    auto frame = std::make_unique<MainWindow>(recentFiles_, toneTable_);
    if (install) install(*frame);
    if (fileToOpen.isEmpty()) {
        frame->NewDocument();
    } else if (!frame->OpenDocumentFile(fileToOpen)) {
        return false;
    }
    window_ = std::move(frame);
    window_->show();
    return true;
}

}  // namespace pm
