// pm514rx-screenshots DIR [FILE]: renders the main window and dialogs to PNG files in DIR, for a look at
// the layout at any scale (QT_SCALE_FACTOR). The plan shown is FILE, or the virtual radio's
// demonstration plan. Not part of the product: it drives the real windows from outside.

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

#include <cstdio>

#include "core/image/channel_file.h"
#include "core/image/tone.h"
#include "core/link/link_texts.h"
#include "core/safety/outcome_text.h"
#include "core/testmode/field_frequency.h"
#include "gui/app/about_dialog.h"
#include "gui/app/application.h"
#include "gui/app/edit_commands.h"
#include "gui/app/main_window.h"
#include "gui/app/paste_report_dialog.h"
#include "gui/app/transfer_log.h"
#include "gui/bulk/bulk_dialogs.h"
#include "gui/common/message_box.h"
#include "gui/csv/csv_import_dialog.h"
#include "gui/desktop.h"
#include "gui/editor/cell_editors.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
#include "gui/link/choice_box.h"
#include "gui/link/other_port_dialog.h"
#include "gui/link/port_menu.h"
#include "gui/link/transfer_commands.h"
#include "gui/link/transfer_dialog.h"
#include "gui/testmode/testmode_dialog.h"
#include "gui/testmode/tone_box.h"
#include "sim/demo_image.h"

namespace pm {
namespace {

bool SavePixmap(const QPixmap& shot, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool Save(QWidget& widget, const QDir& dir, const QString& name) {
    QApplication::processEvents();
    return SavePixmap(widget.grab(), dir, name);
}

// The window with another top-level window (dialog, menu, dropped list) painted where it stands over it.
QPixmap WindowWith(QWidget& window, QWidget& other) {
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    painter.drawPixmap(window.mapFromGlobal(other.mapToGlobal(QPoint(0, 0))), other.grab());
    return shot;
}

// The window with a dropped list painted where it hangs: a popup is a window of its own.
bool SaveWithPopup(QWidget& window, QComboBox& list, const QDir& dir, const QString& name) {
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QWidget* popup = list.view()->window();
    if (popup->isVisible()) {
        QPainter painter(&shot);
        painter.drawPixmap(window.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    }
    return SavePixmap(shot, dir, name);
}

// Serves the event loop until done() or the time is up.
template <typename Done>
bool WaitFor(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The transfer dialog halfway through a read from the virtual radio, then the open Port menu.
bool RenderTransfer(MainWindow& window, const QDir& dir) {
    TransferCommands* commands = TransferCommands::Of(window);
    if (!commands || !commands->Ports().SelectVirtualRadio()) return false;
    bool ok = true;

    window.Action(Command::ReadFromRadio)->trigger();
    TransferDialog* dialog = commands->Dialog();
    if (!dialog) return false;
    ok = SavePixmap(dialog->grab(), dir, QStringLiteral("progress-ready.png")) && ok;
    dialog->accept();
    if (WaitFor([dialog] { return dialog->Pos() >= 100; }, 20000)) {
        ok = SavePixmap(dialog->grab(), dir, QStringLiteral("progress-read.png")) && ok;
        ok = SavePixmap(WindowWith(window, *dialog), dir, QStringLiteral("main-progress.png")) && ok;
    } else {
        std::fprintf(stderr, "the read from the virtual radio did not get to block 100\n");
        ok = false;
    }
    if (commands->Dialog()) commands->Dialog()->reject();
    if (!WaitFor([commands] { return !commands->IsRunning(); }, 10000)) return false;

    QMenu* menu = window.PortMenu();
    QMenuBar* bar = window.menuBar();
    const QRect item = bar->actionGeometry(menu->menuAction());
    menu->popup(bar->mapToGlobal(item.bottomLeft()));
    WaitFor([menu] { return menu->isVisible(); }, 2000);
    ok = SavePixmap(WindowWith(window, *menu), dir, QStringLiteral("port-menu.png")) && ok;
    menu->hide();
    return ok;
}

// The boxes that end a write gone wrong and the question on quitting during one, built from the same
// texts the program shows; then Other Port... with its list dropped.
bool RenderOutcomes(MainWindow& window, const QDir& dir) {
    SafeWriteOutcome cancelled;
    cancelled.status = SafeStatus::Cancelled;
    cancelled.stage = SafeStage::Write;
    cancelled.link.result = LinkResult::Cancelled;
    cancelled.link.blocks = 100;
    SafeWriteOutcome mismatch;
    mismatch.status = SafeStatus::VerifyMismatch;
    mismatch.stage = SafeStage::Verify;
    mismatch.mismatchBytes.channels = {3, 7};
    const QString kept = QStringLiteral(
        "The radio's memory from before the write (read at 10:15) is kept in "
        "/home/dealer/.local/share/pm514rx/backups/radio-20240611-101512-ttyUSB0.sin");
    auto box = [](const OutcomeText& told, const QString& more, QStringList buttons) {
        return ChoiceBox{QString::fromStdString(told.line),
                         QStringLiteral("Cause: ") + QString::fromStdString(told.cause) + more,
                         std::move(buttons)};
    };
    const ChoiceBox boxes[] = {
        box(WriteOutcomeText(cancelled), QStringLiteral("\n") + kept,
            {QStringLiteral("Write Again"), QStringLiteral("Restore Backup"), QStringLiteral("Close")}),
        box(WriteOutcomeText(mismatch),
            QStringLiteral("\nSent -> in the radio:\n  CH 3 Receive(MHz): 145.50000 -> 145.52500\n"
                           "  CH 7 CTCSS/DCS Dec: 88.5 -> OFF"),
            {QStringLiteral("Write Again"), QStringLiteral("Close")}),
        ChoiceBox{
            QStringLiteral("A write to the radio is running. Quitting now cancels it and leaves the radio "
                           "half-written, holding a mix of old and new data."),
            QStringLiteral("Cancel the transfer and quit?"),
            {QString::fromLatin1(TransferCommands::kQuitText),
             QString::fromLatin1(TransferCommands::kKeepRunningText)}},
    };
    const char* names[] = {"outcome-write-cancelled.png", "outcome-verify-failed.png",
                           "quit-during-write.png"};
    bool ok = true;
    for (std::size_t i = 0; i < std::size(boxes); ++i) {
        const std::unique_ptr<QMessageBox> shown = MakeChoiceBox(boxes[i], &window);
        shown->show();
        if (!QTest::qWaitForWindowExposed(shown.get())) return false;
        ok = Save(*shown, dir, QString::fromLatin1(names[i])) && ok;
    }

    const std::vector<PortChoice> present = {
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         "FTDI FT232R USB UART A50285BI (ttyUSB0)"},
        {"/dev/rfcomm0", "/dev/rfcomm0"},
        {"/dev/ttyACM0", "/dev/ttyACM0"}};
    OtherPortDialog other(present, QStringLiteral("/dev/pts/7"), &window);
    other.show();
    if (!QTest::qWaitForWindowExposed(&other)) return false;
    ok = Save(other, dir, QStringLiteral("other-port.png")) && ok;
    other.Ports()->showPopup();
    QApplication::processEvents();
    {
        // The list hangs below the small dialog: the picture grows to hold it.
        QWidget* popup = other.Ports()->view()->window();
        const QPoint at = other.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
        QPixmap shot(other.width(), std::max(other.height(), at.y() + popup->height()));
        shot.fill(other.palette().color(QPalette::Window));
        QPainter painter(&shot);
        painter.drawPixmap(0, 0, other.grab());
        painter.drawPixmap(at, popup->grab());
        painter.end();
        ok = SavePixmap(shot, dir, QStringLiteral("other-port-list.png")) && ok;
    }
    other.Ports()->hidePopup();
    return ok;
}

// Against the virtual radio: a write cancelled half-way, Write Again cancelled too, and the box that still
// names the memory from before the first attempt; then the transfer log of the run.
bool RenderWriteAgain(MainWindow& window, const QDir& dir) {
    TransferCommands* commands = TransferCommands::Of(window);
    if (!commands || !commands->Ports().SelectVirtualRadio()) return false;
    commands->BackupAction()->setChecked(true);
    bool ok = true;
    int boxes = 0;
    const ScopedChoiceAnswerer answer([&](const ChoiceBox& box) {
        if (++boxes == 1) return 0;  // Write Again
        const std::unique_ptr<QMessageBox> shown = MakeChoiceBox(box, &window);
        shown->show();
        ok = QTest::qWaitForWindowExposed(shown.get()) &&
             Save(*shown, dir, QStringLiteral("outcome-after-write-again.png")) && ok;
        return static_cast<int>(box.buttons.size()) - 1;
    });
    window.Action(Command::WriteToRadio)->trigger();
    if (!commands->Dialog()) return false;
    commands->Dialog()->accept();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const auto writing = [commands] {
            const TransferDialog* d = commands->Dialog();
            return d && d->windowTitle() == QString::fromUtf8(link::kWriteCaption.data()) && d->Pos() >= 60;
        };
        if (!WaitFor(writing, 60000)) {
            std::fprintf(stderr, "write %d to the virtual radio did not get to block 60\n", attempt);
            return false;
        }
        commands->Dialog()->reject();
        if (!WaitFor([&] { return boxes == attempt; }, 20000)) return false;
    }
    if (!WaitFor([commands] { return !commands->IsRunning(); }, 10000)) return false;
    window.Log().Show();
    TransferLogWindow* log = window.Log().Window();
    if (!log || !QTest::qWaitForWindowExposed(log)) return false;
    ok = Save(*log, dir, QStringLiteral("transfer-log.png")) && ok;
    log->close();
    ok = Save(window, dir, QStringLiteral("main-after-write.png")) && ok;
    return ok;
}

// The Import CSV dialog over a small file of the common layout: rows taken, noted and refused.
bool RenderCsvImport(MainWindow& window, const QString& folder, const QDir& dir) {
    const QString path = QDir(folder).filePath(QStringLiteral("repeaters.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(
        "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,Skip,Power\n"
        "1,Calling,146.520000,,0.000000,,88.5,88.5,FM,,5.0W\n"
        "2,Club,146.940000,-,0.600000,Tone,100.0,100.0,FM,,50W\n"
        "3,Link,147.060000,+,0.600000,TSQL,123.0,123.0,FM,P,1.0W\n"
        "0,Simplex,147.555000,,0.000000,,88.5,88.5,FM,,5.0W\n"
        "5,6m,53.030000,-,1.000000,Tone,100.0,100.0,FM,,50W\n"
        "6,Airband,124.500000,,0.000000,,88.5,88.5,AM,,5.0W\n"
        "7,Weather,162.550000,,0.000000,,88.5,88.5,FM,S,Low\n"
        "9,Odd,145.003000,,0.000000,Tone,67.3,88.5,FM,X,5.0W\n");
    file.close();
    CsvImportDialog dialog(path, window.View()->EncodedImage(), &window);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return false;
    return Save(dialog, dir, QStringLiteral("csv-import.png"));
}

// The Repeater dialog over channels 3-7, and the plan check of the plan with two mistakes put in.
bool RenderBulk(MainWindow& window, const QDir& dir) {
    RepeaterDialog repeater(QStringLiteral("5 Channels"), &window);
    repeater.findChild<QComboBox*>(QStringLiteral("toneMode"))->setCurrentIndex(2);
    repeater.show();
    bool ok = Save(repeater, dir, QStringLiteral("repeater-dialog.png"));
    repeater.hide();
    ChannelTable& table = window.View()->Table();
    table.SetText(7, col::kBusy, "QT/DQT");
    table.SetText(7, col::kRxTone, "OFF");
    for (int c = col::kReceive; c <= col::kPower; ++c) table.SetText(9, c, table.Text(2, c));
    window.findChild<QAction*>(QStringLiteral("actionCheckPlan"))->trigger();
    auto* check = window.findChild<PlanCheckDialog*>();
    if (!check) return false;
    ok = Save(*check, dir, QStringLiteral("plan-check.png")) && ok;
    check->hide();
    return ok;
}

// The Edit menu, the grid's context menu over three selected channels, and the report of a paste.
bool RenderEditing(MainWindow& window, const QDir& dir) {
    bool ok = true;
    QMenuBar* bar = window.menuBar();
    for (QAction* title : bar->actions()) {
        if (title->text() != QStringLiteral("&Edit")) continue;
        QMenu* menu = title->menu();
        menu->popup(bar->mapToGlobal(bar->actionGeometry(title).bottomLeft()));
        WaitFor([menu] { return menu->isVisible(); }, 2000);
        ok = SavePixmap(WindowWith(window, *menu), dir, QStringLiteral("edit-menu.png")) && ok;
        menu->hide();
    }
    ChannelGrid& grid = window.View()->Grid();
    grid.SelectChannels({3, 4, 5});
    QMenu* context = window.ContextMenu();
    context->popup(grid.viewport()->mapToGlobal(grid.visualRect(grid.model()->index(3, 2)).center()));
    WaitFor([context] { return context->isVisible(); }, 2000);
    ok = SavePixmap(WindowWith(window, *context), dir, QStringLiteral("context-menu.png")) && ok;
    context->hide();

    QApplication::clipboard()->setText(
        QStringLiteral("Receive(MHz)\tTransmit(MHz)\tRx Tone\tTx Tone\n146.5\t146.5\t88.5\t88.5\n"
                       "abc\t147.0\tXYZ\t\n145.003\t145.0\t\t67.0\n"));
    grid.GoTo(12, 1);
    bool shown = false;
    const ScopedPasteReportAnswerer answer([&](PasteReportDialog& report) {
        report.show();
        shown =
            QTest::qWaitForWindowExposed(&report) && Save(report, dir, QStringLiteral("paste-report.png"));
        return false;  // Cancel: the plan stays as it was for the pictures after this one
    });
    window.Edits().Paste();
    return shown && ok;
}

// The Test Mode dialog with each panel, and the transmit tone list dropped under its box.
bool RenderTestMode(const QDir& dir) {
    QStringList tones;
    for (const std::string& tone : ToneTable()) tones << QString::fromStdString(tone);
    TestModeDialog dialog(tones);
    dialog.SetBandBase(testmode::TestBandBase());
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return false;
    bool ok = Save(dialog, dir, QStringLiteral("testmode-opened.png"));
    dialog.Tree()->setCurrentItem(dialog.TreeItem(testmode::code::kMiddleFrequency));
    ok = Save(dialog, dir, QStringLiteral("testmode-frequency.png")) && ok;

    auto* list = static_cast<ToneBox*>(dialog.Widget(TestModeDialog::Control::TxToneBox));
    list->showPopup();
    QApplication::processEvents();
    QPixmap shot = dialog.grab();
    {
        // Where the list drops on a screen with room for it: under its box.
        QPainter painter(&shot);
        painter.drawPixmap(list->mapTo(&dialog, QPoint(0, list->height())), list->view()->window()->grab());
    }
    ok = SavePixmap(shot, dir, QStringLiteral("testmode-frequency-tones.png")) && ok;
    list->hidePopup();

    dialog.Tree()->setCurrentItem(dialog.TreeItem(testmode::code::kTxPower));
    // Clicked the way a user would, so that the button shows the focus it takes.
    QTest::mouseClick(dialog.Widget(TestModeDialog::Control::DefaultButton), Qt::LeftButton);
    return Save(dialog, dir, QStringLiteral("testmode-item.png")) && ok;
}

int RenderScreenshots(const QString& directory, const QString& demoFile) {
    QDir dir(directory);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(directory));
        return 3;
    }
    // Keep the user's recent-file list out of it.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    // ... and the backups and interrupted writes of the pictured writes out of the user's data folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(settings.filePath(QStringLiteral("data"))));
    ScopedAnswerers quiet([](const Message&) { return Answer::Ok; },
                          [](const QString&) { return SaveAnswer::Discard; });

    Application app;
    if (!app.Start(QString(), InstallFeatures)) return 1;
    MainWindow& window = *app.Window();
    bool ok = Save(window, dir, QStringLiteral("main-new.png"));
    // The virtual radio's demonstration plan, opened as a channel file, unless a file is named.
    QString plan = demoFile;
    if (plan.isEmpty()) {
        plan = settings.filePath(QStringLiteral("demonstration.sin"));
        if (!SaveChannelFile(QFile::encodeName(plan).toStdString(), sim::DemoImage()).ok()) return 3;
    }
    if (!window.OpenDocumentFile(plan)) return 3;
    ok = Save(window, dir, QStringLiteral("main-demo.png")) && ok;

    // The in-place editors open over their cells: a typed frequency, and a dropped tone list.
    ChannelView& view = *window.View();
    view.Grid().SetRow(2);
    view.Grid().SetCol(1);
    view.BeginCellEdit('1');
    view.Editors().TextEditor()->insert(QStringLiteral("45.6125"));
    ok = Save(window, dir, QStringLiteral("editor-text.png")) && ok;
    view.Grid().SetRow(10);
    view.Grid().SetCol(4);
    view.BeginCellEdit(0);
    QComboBox& tones = *view.Editors().ToneList();
    tones.showPopup();
    ok = SaveWithPopup(window, tones, dir, QStringLiteral("editor-tone.png")) && ok;
    tones.hidePopup();

    ok = RenderEditing(window, dir) && ok;
    ok = RenderBulk(window, dir) && ok;
    ok = RenderTransfer(window, dir) && ok;
    ok = RenderOutcomes(window, dir) && ok;
    ok = RenderWriteAgain(window, dir) && ok;
    ok = RenderCsvImport(window, settings.path(), dir) && ok;

    AboutDialog about(&window);
    about.show();
    ok = Save(about, dir, QStringLiteral("about.png")) && ok;
    about.hide();
    return RenderTestMode(dir) && ok ? 0 : 1;
}

}  // namespace
}  // namespace pm

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: pm514rx-screenshots DIR [FILE.sin]\n");
        return 2;
    }
    return pm::RenderScreenshots(args.at(1), args.size() > 2 ? args.at(2) : QString());
}
