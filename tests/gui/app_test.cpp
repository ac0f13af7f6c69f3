// The shell: caption, menus, toolbar, accelerators, recent files, drops, the command line and the
// save question.

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include "core/editing/cell_rules.h"
#include "core/image/channel_table.h"
#include "gui/app/about_dialog.h"
#include "gui/app/command_line.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/app/recent_files.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
#include "gui_fixture.h"

namespace pm {
namespace {

const QString kTitle = QString::fromUtf8(kAppTitle.data(), kAppTitle.size());

// The visible entries of a menu: texts, "-" for a separator.
QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

QMenu* TopMenu(MainWindow& frame, const QString& title) {
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == title) return action->menu();
    }
    return nullptr;
}

TEST_F(GuiTest, CaptionNeverNamesTheDocument) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Window().windowTitle(), kTitle);
    const QString plan = PathOf(QStringLiteral("plan.sin"));
    WriteImage(plan, PlanImage({{1, col::kReceive, "145.0125"}}));
    ASSERT_TRUE(Window().OpenDocumentFile(plan));
    EXPECT_EQ(Window().windowTitle(), kTitle);
    chosenFiles_ = {PathOf(QStringLiteral("copy.sin"))};
    ASSERT_TRUE(Window().OnFileSaveAs());
    EXPECT_EQ(Window().windowTitle(), kTitle);
}

TEST_F(GuiTest, MenusAreTheCommandTable) {
    ASSERT_TRUE(Start(QString(), false));  // the shell alone: no feature adds entries or dialogs
    QStringList titles;
    for (QAction* action : Window().menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Program", "P&ort", "&View"}));

    QMenu* file = TopMenu(Window(), "&File");
    emit file->aboutToShow();
    EXPECT_EQ(MenuTexts(file), (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S",
                                            "Save &As...", "-", "&Print...\tCtrl+P", "Print Pre&view",
                                            "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
}

TEST_F(GuiTest, ToolbarHasNineButtonsInGroups) {
    ASSERT_TRUE(Start());
    QStringList tips;
    for (QAction* action : Window().ToolBar()->actions())
        tips << (action->isSeparator() ? "|" : action->toolTip());
    EXPECT_EQ(tips, (QStringList{"New", "Open", "Save", "|", "Read", "Write", "Debug on line", "|", "Edit",
                                 "|", "Print", "About"}));
    for (QAction* action : Window().ToolBar()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull()) << action->toolTip().toStdString();
        }
    }
    EXPECT_EQ(Window().Action(Command::WriteToRadio)->statusTip(), "Write Data to Radio ");
}

TEST_F(GuiTest, OnlyTheAcceleratorTableIsBound) {
    ASSERT_TRUE(Start(QString(), false));  // the shell alone: no feature adds entries or dialogs
    QStringList bound;
    for (QAction* action : Window().findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts()) bound << key.toString();
    }
    bound.sort();
    EXPECT_EQ(bound, (QStringList{"Ctrl+N", "Ctrl+O", "Ctrl+P", "Ctrl+S", "F6", "Shift+F6"}));

    // The key names in the Program and Port captions do nothing.
    QSignalSpy read(&Window(), &MainWindow::ReadFromRadioRequested);
    QSignalSpy write(&Window(), &MainWindow::WriteToRadioRequested);
    QSignalSpy test(&Window(), &MainWindow::TestModeRequested);
    Window().activateWindow();
    for (Qt::Key key : {Qt::Key_R, Qt::Key_W, Qt::Key_T, Qt::Key_E, Qt::Key_C, Qt::Key_D, Qt::Key_F}) {
        QTest::keyClick(&View().Grid(), key, Qt::ControlModifier);
    }
    EXPECT_EQ(read.count() + write.count() + test.count(), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(View().Port(), "COM1");

    // Ctrl+P is bound: it prints.
    QSignalSpy print(&Window(), &MainWindow::PrintRequested);
    QTest::keyClick(&View().Grid(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(print.count(), 1);
}

TEST_F(GuiTest, PortCommandsOnlyChooseTheName) {
    ASSERT_TRUE(Start());
    QMenu* port = TopMenu(Window(), "P&ort");
    emit port->aboutToShow();
    EXPECT_TRUE(Window().Action(Command::PortCom1)->isChecked());
    Window().Action(Command::PortCom3)->trigger();
    emit port->aboutToShow();
    EXPECT_EQ(View().Port(), "COM3");
    int checked = 0;
    for (Command id : {Command::PortCom1, Command::PortCom2, Command::PortCom3, Command::PortCom4})
        checked += Window().Action(id)->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(Window().Action(Command::PortCom3)->isChecked());
}

TEST_F(GuiTest, CommandsForOthersCommitFirstThenSignal) {
    ASSERT_TRUE(Start(QString(), false));  // the shell alone: no feature adds entries or dialogs
    QSignalSpy read(&Window(), &MainWindow::ReadFromRadioRequested);
    QSignalSpy preview(&Window(), &MainWindow::PrintPreviewRequested);
    QSignalSpy setup(&Window(), &MainWindow::PrintSetupRequested);
    Window().Action(Command::ReadFromRadio)->trigger();
    Window().Action(Command::FilePrintPreview)->trigger();
    Window().Action(Command::FilePrintSetup)->trigger();
    EXPECT_EQ(read.count(), 1);
    EXPECT_EQ(preview.count(), 1);
    EXPECT_EQ(setup.count(), 1);

    auto* exportPdf = new QAction(QStringLiteral("Export PDF..."), &Window());
    auto* importCsv = new QAction(QStringLiteral("Import CSV..."), &Window());
    Window().AddFileMenuAction(MainWindow::FileMenuPlace::AfterPrintPreview, exportPdf);
    Window().AddFileMenuAction(MainWindow::FileMenuPlace::AfterSaveAs, importCsv);
    const QStringList texts = MenuTexts(TopMenu(Window(), "&File"));
    EXPECT_EQ(texts.indexOf("Import CSV..."), texts.indexOf("Save &As...") + 1);
    EXPECT_EQ(texts.indexOf("Export PDF..."), texts.indexOf("Print Pre&view") + 1);
}

TEST_F(GuiTest, RecentFilesOpenAndBecomeTheDocumentsName) {
    const QString a = PathOf("a.sin");
    const QString b = PathOf("b.sin");
    WriteImage(a, PlanImage({{1, col::kReceive, "145.0125"}}));
    WriteImage(b, PlanImage({{2, col::kReceive, "146.5200"}}));
    ASSERT_TRUE(Start(QString(), false));  // the shell alone: no feature adds entries or dialogs
    ASSERT_TRUE(Window().OpenDocumentFile(a));
    ASSERT_TRUE(Window().OpenDocumentFile(b));
    QMenu* file = TopMenu(Window(), "&File");
    emit file->aboutToShow();
    QStringList texts = MenuTexts(file);
    ASSERT_GE(texts.size(), 11);
    EXPECT_TRUE(texts.at(9).startsWith("&1 ") && texts.at(9).endsWith("b.sin")) << texts.at(9).toStdString();
    EXPECT_TRUE(texts.at(10).startsWith("&2 ") && texts.at(10).endsWith("a.sin"));
    EXPECT_FALSE(texts.contains("Recent File"));

    // The first entry opens like the others: the opened file becomes the document's file name.
    Window().NewDocument();
    Window().Action(Command::RecentFile1)->trigger();
    EXPECT_EQ(Grid().TextMatrix(2, col::kReceive), "146.52000");
    EXPECT_EQ(Window().Document().PathName(), b);
    Window().Action(RecentFileCommand(1))->trigger();
    EXPECT_EQ(Grid().TextMatrix(1, col::kReceive), "145.01250");
    EXPECT_EQ(Window().Document().PathName(), a);

    // So a following Save writes to the file that was opened, never to the previous one.
    const auto before = ReadBytes(b);
    View().List(Setting::Squelch)->setCurrentIndex(7);
    ASSERT_TRUE(Window().OnFileSave());
    EXPECT_EQ(ReadBytes(b), before);
    EXPECT_EQ(ReadBytes(a).at(kSettingsOffset + set::kSquelchLevel), 7);
    EXPECT_TRUE(fileRequests_.empty());

    // The list survives the program, four entries at most.
    Stop();
    for (const char* name : {"c.sin", "d.sin", "e.sin"}) WriteImage(PathOf(name), NewDocumentImage());
    ASSERT_TRUE(Start(PathOf("c.sin")));
    ASSERT_TRUE(Window().OpenDocumentFile(PathOf("d.sin")));
    ASSERT_TRUE(Window().OpenDocumentFile(PathOf("e.sin")));
    RecentFileList reloaded;
    reloaded.Load(QString::fromLatin1(kSettingsOrganisation), kTitle);
    EXPECT_EQ(reloaded.Entries(), (QStringList{PathOf("e.sin"), PathOf("d.sin"), PathOf("c.sin"), a}));
}

TEST_F(GuiTest, ARecentFileThatIsGoneIsReportedAndDropped) {
    const QString a = PathOf("a.sin");
    const QString gone = PathOf("gone.sin");
    WriteImage(gone, NewDocumentImage());
    WriteImage(a, PlanImage({{1, col::kReceive, "145.0125"}}));
    ASSERT_TRUE(Start(gone));
    ASSERT_TRUE(Window().OpenDocumentFile(a));
    QFile::remove(gone);
    Window().Action(RecentFileCommand(1))->trigger();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("gone.sin"), std::string::npos);
    EXPECT_EQ(Window().Document().PathName(), a);
    EXPECT_EQ(Grid().TextMatrix(1, col::kReceive), "145.01250");
    RecentFileList reloaded;
    reloaded.Load(QString::fromLatin1(kSettingsOrganisation), kTitle);
    EXPECT_EQ(reloaded.Entries(), QStringList{a});
}

TEST_F(GuiTest, AFailedOpenKeepsTheDocumentAndItsName) {
    const QString a = PathOf("a.sin");
    const QString shortFile = PathOf("short.sin");
    WriteImage(a, PlanImage({{1, col::kReceive, "145.0125"}}));
    QFile file(shortFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, '\x11'));
    file.close();
    ASSERT_TRUE(Start(a));
    const Image before = Window().Document().MemoryImage();
    chosenFiles_ = {shortFile};
    EXPECT_FALSE(Window().OnFileOpen());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("Unexpected file format."), std::string::npos);
    EXPECT_EQ(messages_[0].caption, std::string(kAppTitle));
    EXPECT_EQ(Window().Document().PathName(), a);
    EXPECT_EQ(Window().Document().MemoryImage(), before);
    EXPECT_EQ(Grid().TextMatrix(1, col::kReceive), "145.01250");
    EXPECT_FALSE(Window().IsModified());
}

TEST_F(GuiTest, DroppedFileAndCommandLineOpenAsFileOpen) {
    const QString a = PathOf("a.sin");
    WriteImage(a, PlanImage({{3, col::kReceive, "145.0125"}}));
    ASSERT_TRUE(Start(a));
    EXPECT_EQ(Grid().TextMatrix(3, col::kReceive), "145.01250");
    EXPECT_EQ(Window().Document().PathName(), a);

    const QString b = PathOf("b.sin");
    WriteImage(b, PlanImage({{4, col::kTransmit, "146.0000"}}));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(b)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &drop);
    EXPECT_EQ(Grid().TextMatrix(4, col::kTransmit), "146.00000");
    EXPECT_EQ(Grid().TextMatrix(3, col::kReceive), "");
    EXPECT_EQ(Window().Document().PathName(), b);
}

TEST_F(GuiTest, AFileThatCannotBeOpenedAtStartUpEndsTheProgram) {
    EXPECT_FALSE(Start(PathOf("missing.sin")));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("missing.sin"), std::string::npos);
}

TEST(CommandLine, ArgumentsAreChecked) {
    struct Row {
        const char* name;
        QStringList arguments;
        QString file;
        bool exit;
        int code;
    };
    const Row rows[] = {
        {"nothing", {"pm514rx"}, "", false, 0},
        {"one file", {"pm514rx", "plan.sin"}, "plan.sin", false, 0},
        {"two files", {"pm514rx", "a.sin", "b.sin"}, "", true, 2},
        {"unknown option", {"pm514rx", "--frobnicate"}, "", true, 2},
    };
    for (const Row& row : rows) {
        const CommandLine line = ParseCommandLine(row.arguments);
        EXPECT_EQ(line.file, row.file) << row.name;
        EXPECT_EQ(line.exit, row.exit) << row.name;
        EXPECT_EQ(line.exitCode, row.code) << row.name;
    }
}

TEST_F(GuiTest, SaveQuestionOnlyWhenSomethingChanged) {
    ASSERT_TRUE(Start());
    // Unchanged: New, Open and closing ask nothing.
    EXPECT_TRUE(Window().OnFileNew());
    EXPECT_TRUE(saveQuestions_.empty());

    struct Row {
        const char* name;
        std::function<void(MainWindow&)> change;
    };
    const Row rows[] = {
        {"cell edit",
         [](MainWindow& w) { (void)CommitCellText(w.View()->Table(), 5, col::kReceive, "145.0125", 0); }},
        {"list change", [](MainWindow& w) { w.View()->List(Setting::NarrowWide)->setCurrentIndex(1); }},
        {"image replaced",
         [](MainWindow& w) {
             BandReset(w.Document().MemoryImage(), 0);
             w.Document().MemoryImage()[kModelOffset] = 0x42;
             w.View()->DecodeImage();
         }},
    };
    for (const Row& row : rows) {
        Window().NewDocument();
        row.change(Window());
        saveQuestions_.clear();
        EXPECT_TRUE(Window().IsModified()) << row.name;
        saveAnswers_ = {SaveAnswer::Cancel};
        EXPECT_FALSE(Window().OnFileNew()) << row.name;
        EXPECT_EQ(saveQuestions_, QStringList{"Save changes to Untitled?"}) << row.name;
        EXPECT_TRUE(Window().IsModified()) << row.name << ": Cancel keeps the document";
        saveAnswers_ = {SaveAnswer::Discard};
        EXPECT_TRUE(Window().OnFileNew()) << row.name;
        EXPECT_FALSE(Window().IsModified()) << row.name;
    }

    // Save answers the question by saving; a new document asks where.
    View().List(Setting::Squelch)->setCurrentIndex(2);
    saveAnswers_ = {SaveAnswer::Save};
    chosenFiles_ = {PathOf("saved.sin")};
    saveQuestions_.clear();
    EXPECT_TRUE(Window().OnFileNew());
    EXPECT_EQ(saveQuestions_.size(), 1u);
    EXPECT_EQ(ReadBytes(PathOf("saved.sin")).at(kSettingsOffset + set::kSquelchLevel), 2);

    // Closing asks too, and Cancel keeps the window.
    View().List(Setting::Squelch)->setCurrentIndex(3);
    saveAnswers_ = {SaveAnswer::Cancel};
    EXPECT_FALSE(Window().close());
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(GuiTest, SaveWritesTheEncodedEditorAndClearsTheChange) {
    ASSERT_TRUE(Start());
    (void)CommitCellText(View().Table(), 1, col::kReceive, "145.525", 0);
    chosenFiles_ = {PathOf("new.sin")};
    ASSERT_TRUE(Window().OnFileSave());
    ASSERT_EQ(fileRequests_.size(), 1u);
    EXPECT_EQ(fileRequests_[0].first, FileChoice::SaveAs);
    const auto bytes = ReadBytes(PathOf("new.sin"));
    ASSERT_EQ(bytes.size(), kImageSize);
    EXPECT_EQ(bytes[16 + 3], 0x14);  // channel 1 receives 145.525 MHz: the core's encoding reached the file
    EXPECT_EQ(bytes[16 + 2], 0x55);
    EXPECT_FALSE(Window().IsModified());
    EXPECT_EQ(Window().Document().PathName(), PathOf("new.sin"));
}

TEST_F(GuiTest, ATransferInProgressKeepsTheDocumentAndTheWindow) {
    ASSERT_TRUE(Start());
    View().List(Setting::Squelch)->setCurrentIndex(1);
    Window().SetTransferRunning(true);
    EXPECT_FALSE(Window().Action(Command::FileNew)->isEnabled());
    EXPECT_FALSE(Window().OnFileNew());
    EXPECT_FALSE(Window().OnFileOpen());
    EXPECT_FALSE(Window().close());
    EXPECT_TRUE(saveQuestions_.isEmpty());
    EXPECT_TRUE(fileRequests_.empty());
    EXPECT_EQ(View().List(Setting::Squelch)->currentIndex(), 1);
    Window().SetTransferRunning(false);
    EXPECT_TRUE(Window().Action(Command::FileNew)->isEnabled());
    saveAnswers_ = {SaveAnswer::Discard};
    EXPECT_TRUE(Window().OnFileNew());
    EXPECT_EQ(View().List(Setting::Squelch)->currentIndex(), 4);
}

TEST_F(GuiTest, AboutBox) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle(), "About ARVOS");
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST(DesktopIntegration, InstallPutsEntryMimeTypeAndIconsInPlace) {
    const QString build = QStringLiteral(PM_BUILD_DIR);
    if (!QFile::exists(build + "/gui/pm514rx")) GTEST_SKIP() << "the program is not built";
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessEnvironment([] {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", "");  // no cache refresh outside the prefix
        return env;
    }());
    install.start("cmake", {"--install", build, "--component", "desktop", "--prefix", prefix.path()});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    for (const char* path :
         {"bin/pm514rx", "share/applications/pm514rx.desktop", "share/mime/packages/pm514rx.xml",
          "share/icons/hicolor/scalable/apps/pm514rx.svg",
          "share/icons/hicolor/scalable/mimetypes/application-x-pm514rx-channel-data.svg"}) {
        EXPECT_TRUE(QFile::exists(prefix.filePath(path))) << path;
    }
    QFile desktop(prefix.filePath("share/applications/pm514rx.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    EXPECT_TRUE(entry.contains("\nExec=pm514rx %f\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-pm514rx-channel-data;\n"));
    QFile mime(prefix.filePath("share/mime/packages/pm514rx.xml"));
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
    const QString types = QString::fromUtf8(mime.readAll());
    EXPECT_TRUE(types.contains("<mime-type type=\"application/x-pm514rx-channel-data\">"));
    EXPECT_TRUE(types.contains("<comment>Channel Data</comment>"));
    EXPECT_TRUE(types.contains("<glob pattern=\"*.sin\"/>"));
}

}  // namespace
}  // namespace pm
