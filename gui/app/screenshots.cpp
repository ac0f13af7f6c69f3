#include "gui/app/screenshots.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

#include "core/image/channel_file.h"
#include "gui/app/about_dialog.h"
#include "gui/app/main_window.h"
#include "gui/app/message_box.h"
#include "gui/app/application.h"
#include "gui/editor/cell_editors.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
#include "gui/link/transfer_screenshots.h"
#include "sim/demo_image.h"

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

// The frame with a dropped list painted where it hangs: a popup is a window of its own.
bool SaveWithPopup(QWidget& frame, QComboBox& list, const QDir& dir, const QString& name) {
    QApplication::processEvents();
    QPixmap shot = frame.grab();
    QWidget* popup = list.view()->window();
    if (popup->isVisible()) {
        QPainter painter(&shot);
        painter.drawPixmap(frame.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    }
    const QString path = dir.filePath(name);
    if (!shot.save(path)) {
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

    Application app;
    if (!app.Start()) return 1;
    MainWindow& frame = *app.Window();
    bool ok = Save(frame, dir, QStringLiteral("main-new.png"));
    // The virtual radio's demonstration plan, opened as a channel file, unless a file is named.
    QString plan = demoFile;
    if (plan.isEmpty()) {
        plan = settings.filePath(QStringLiteral("demonstration.sin"));
        if (!SaveChannelFile(QFile::encodeName(plan).toStdString(), sim::DemoImage()).ok()) return 3;
    }
    if (!frame.OpenDocumentFile(plan)) return 3;
    ok = Save(frame, dir, QStringLiteral("main-demo.png")) && ok;

    // The in-place editors open over their cells: a typed frequency, and a dropped tone list.
    ChannelView& view = *frame.View();
    view.Grid().SetRow(2);
    view.Grid().SetCol(1);
    view.BeginCellEdit('1');
    view.Editors().TextEditor()->insert(QStringLiteral("45.6125"));
    ok = Save(frame, dir, QStringLiteral("editor-text.png")) && ok;
    view.Grid().SetRow(10);
    view.Grid().SetCol(4);
    view.BeginCellEdit(0);
    QComboBox& tones = *view.Editors().ToneList();
    tones.showPopup();
    ok = SaveWithPopup(frame, tones, dir, QStringLiteral("editor-tone.png")) && ok;
    tones.hidePopup();

    // The progress dialog halfway through a read from the virtual radio, and the Port menu open.
    ok = RenderTransferScreenshots(frame, dir) && ok;

    AboutDialog about(&frame);
    about.show();
    ok = Save(about, dir, QStringLiteral("about.png")) && ok;
    return ok ? 0 : 1;
}

}  // namespace pm
