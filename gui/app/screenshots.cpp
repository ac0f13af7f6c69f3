#include "gui/app/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

#include "gui/app/about_dialog.h"
#include "gui/app/main_frame.h"
#include "gui/app/message_box.h"
#include "gui/app/tovar_app.h"

namespace pm {
namespace {

bool Save(QWidget& widget, const QDir& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int RenderScreenshots(const QString& directory, const QString& demoFile) {
    QDir dir(directory);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(directory));
        return 3;
    }
    // Keep the user's recent-file list out of it.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ScopedAnswerers quiet([](const Message&) { return Answer::Ok; },
                          [](const QString&) { return SaveAnswer::Discard; });

    CTovarApp app;
    if (!app.InitInstance()) return 1;
    CMainFrame& frame = *app.MainFrame();
    bool ok = Save(frame, dir, QStringLiteral("main-new.png"));
    if (!demoFile.isEmpty()) {
        if (!frame.OpenDocumentFile(demoFile)) return 3;
        ok = Save(frame, dir, QStringLiteral("main-demo.png")) && ok;
    }
    CAboutDlg about(&frame);
    about.show();
    ok = Save(about, dir, QStringLiteral("about.png")) && ok;
    return ok ? 0 : 1;
}

}  // namespace pm
