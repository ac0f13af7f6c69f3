// The shell: keys, help without a display, settings and recent files, opening by command line and drop, the
// save question, and the user guide behind F1 that quotes every message as the program shows it.

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTextBrowser>

#include "core/editing/channel_rows.h"
#include "core/link/link_texts.h"
#include "core/testmode/dialog_texts.h"
#include "gui/app/help.h"
#include "gui/app/recent_files.h"
#include "gui/app/settings.h"
#include "gui_fixture.h"
#include "tests/support/process.h"

namespace pm {
namespace {

const QString kTitle = Q(kAppTitle);

QStringList SavedRecentFiles() {
    RecentFileList list;
    list.Load();
    return list.Entries();
}

TEST(DesktopProgram, HelpVersionAndUsageErrorsNeedNoDisplay) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int exit;
        std::string out;  // expected in stdout
        std::string err;  // expected in stderr
    };
    const Row rows[] = {
        {"help", {"--help"}, 0, "--print-pdf", ""},
        {"version", {"--version"}, 0, "pm514rx " PM514RX_VERSION "\n", ""},
        {"unknown option", {"--bogus"}, 2, "", "Unknown option 'bogus'"},
        {"unknown after Qt's own", {"-style", "fusion", "-x"}, 2, "", "Unknown option 'x'"},
    };
    test::RunOptions noDisplay;
    noDisplay.env = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> command{PM_GUI_PATH};
        command.insert(command.end(), row.args.begin(), row.args.end());
        const test::Finished run = test::Wait(test::Spawn(command, noDisplay));
        EXPECT_EQ(run.exit, row.exit) << run.err;
        EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    }
}

TEST_F(GuiTest, SettingsOfTheOldNameMoveOnce) {
    QFile::remove(UserSettings().fileName());
    QSettings old(QStringLiteral("Local AppWizard-Generated Applications"), kTitle);
    old.setValue(QStringLiteral("Recent File List/File1"), PathOf("old.sin"));
    old.sync();
    ASSERT_TRUE(Start());
    EXPECT_EQ(SavedRecentFiles(), QStringList{PathOf("old.sin")});
    EXPECT_TRUE(UserSettings().fileName().endsWith(QStringLiteral("/pm514rx/pm514rx.conf")));
    EXPECT_FALSE(QFileInfo::exists(old.fileName()));
    // Once moved, an old file that turns up again does not overwrite what the user has now.
    UserSettings().setValue(QStringLiteral("Recent File List/File1"), PathOf("new.sin"));
    old.setValue(QStringLiteral("Recent File List/File1"), PathOf("old.sin"));
    old.sync();
    MoveOldSettings();
    EXPECT_EQ(SavedRecentFiles(), QStringList{PathOf("new.sin")});
}

TEST_F(GuiTest, TheKeysTheProgramCaptionsNameAreBound) {
    ASSERT_TRUE(Start(QString(), false));  // the shell alone
    QSignalSpy print(&Window(), &MainWindow::PrintRequested);
    QSignalSpy read(&Window(), &MainWindow::ReadFromRadioRequested);
    QSignalSpy write(&Window(), &MainWindow::WriteToRadioRequested);
    QSignalSpy test(&Window(), &MainWindow::TestModeRequested);
    Window().activateWindow();
    for (Qt::Key key : {Qt::Key_R, Qt::Key_W, Qt::Key_T, Qt::Key_P})
        QTest::keyClick(&Grid(), key, Qt::ControlModifier);
    EXPECT_EQ(print.count(), 1);
    EXPECT_EQ(read.count() + write.count() + test.count(), 3);
}

TEST_F(GuiTest, RecentFilesOpenBecomeTheDocumentsNameAndDropWhenGone) {
    const QString a = PathOf("a.sin"), b = PathOf("b.sin");
    WriteImage(a, PlanImage({{1, col::kReceive, "145.0125"}}));
    WriteImage(b, PlanImage({{2, col::kReceive, "146.5200"}}));
    ASSERT_TRUE(Start(QString(), false));
    ASSERT_TRUE(Window().OpenDocumentFile(a));
    ASSERT_TRUE(Window().OpenDocumentFile(b));
    Window().NewDocument();
    Window().Action(RecentFileCommand(0))->trigger();
    EXPECT_EQ(Grid().TextMatrix(2, col::kReceive), "146.52000");
    Window().Action(RecentFileCommand(1))->trigger();
    EXPECT_EQ(Grid().TextMatrix(1, col::kReceive), "145.01250");
    EXPECT_EQ(Window().windowTitle(), kTitle);  // the caption never names the document

    // The opened file is the document's: Save writes to it without asking, never to the previous one.
    const auto before = ReadBytes(b);
    View().List(Setting::Squelch)->setCurrentIndex(7);
    ASSERT_TRUE(Window().OnFileSave());
    EXPECT_EQ(ReadBytes(b), before);
    EXPECT_EQ(ReadBytes(a).at(kSettingsOffset + set::kSquelchLevel), 7);
    EXPECT_TRUE(fileRequests_.empty());

    // The list survives the program, four entries at most; one whose file is gone is reported and dropped.
    Stop();
    for (const char* name : {"c.sin", "d.sin", "e.sin"}) WriteImage(PathOf(name), NewDocumentImage());
    ASSERT_TRUE(Start(PathOf("c.sin")));
    ASSERT_TRUE(Window().OpenDocumentFile(PathOf("d.sin")));
    ASSERT_TRUE(Window().OpenDocumentFile(PathOf("e.sin")));
    EXPECT_EQ(SavedRecentFiles(), (QStringList{PathOf("e.sin"), PathOf("d.sin"), PathOf("c.sin"), a}));
    QFile::remove(PathOf("d.sin"));
    Window().Action(RecentFileCommand(1))->trigger();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("d.sin"), std::string::npos);
    EXPECT_EQ(Window().Document().PathName(), PathOf("e.sin"));
    EXPECT_EQ(SavedRecentFiles(), (QStringList{PathOf("e.sin"), PathOf("c.sin"), a}));
}

TEST_F(GuiTest, OpeningByCommandLineAndDrop) {
    EXPECT_FALSE(Start(PathOf("missing.sin")));  // a file that cannot be opened at start-up ends the program
    EXPECT_NE(messages_.at(0).text.find("missing.sin"), std::string::npos);

    const QString a = PathOf("a.sin"), b = PathOf("b.sin");
    WriteImage(a, PlanImage({{3, col::kReceive, "145.0125"}}));
    WriteImage(b, PlanImage({{4, col::kTransmit, "146.0000"}}));
    ASSERT_TRUE(Start(a));
    EXPECT_EQ(Grid().TextMatrix(3, col::kReceive), "145.01250");

    // A dropped file opens as File Open would.
    EXPECT_TRUE(DropFile(b));
    EXPECT_EQ(Grid().TextMatrix(4, col::kTransmit), "146.00000");
    EXPECT_EQ(Grid().TextMatrix(3, col::kReceive), "");
    EXPECT_EQ(Window().Document().PathName(), b);
}

// Which changes make the document modified is the undo tests' business; here, what the question does.
TEST_F(GuiTest, SaveQuestionOnlyWhenSomethingChanged) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Window().OnFileNew());
    EXPECT_TRUE(saveQuestions_.empty());
    View().List(Setting::NarrowWide)->setCurrentIndex(1);
    saveAnswers_ = {SaveAnswer::Cancel};
    EXPECT_FALSE(Window().OnFileNew());
    EXPECT_EQ(saveQuestions_, QStringList{"Save changes to Untitled?"});
    EXPECT_TRUE(Window().IsModified());
    saveAnswers_ = {SaveAnswer::Discard};
    EXPECT_TRUE(Window().OnFileNew());
    EXPECT_FALSE(Window().IsModified());
    // Save answers by saving, through Save As for a new document: the core's encoding reaches the file.
    (void)CommitCellText(View().Table(), 1, col::kReceive, "145.525", 0);
    saveAnswers_ = {SaveAnswer::Save};
    chosenFiles_ = {PathOf("saved.sin")};
    EXPECT_TRUE(Window().OnFileNew());
    EXPECT_EQ(fileRequests_.at(0).first, FileChoice::SaveAs);
    const auto bytes = ReadBytes(PathOf("saved.sin"));
    ASSERT_EQ(bytes.size(), kImageSize);
    EXPECT_EQ(bytes[16 + 3] << 8 | bytes[16 + 2], 0x1455);  // channel 1 receives 145.525 MHz
}

TEST_F(GuiTest, ReadOnlyFileIsKeptAndSaveAsOffered) {
    const QString locked = PathOf("locked.sin");
    ASSERT_TRUE(Start());
    (void)CommitCellText(View().Table(), 1, col::kReceive, "145.525", 0);
    chosenFiles_ = {locked};
    ASSERT_TRUE(Window().OnFileSaveAs());
    const auto before = ReadBytes(locked);
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    (void)CommitCellText(View().Table(), 2, col::kReceive, "146.52", 0);
    for (const Answer answer : {Answer::Cancel, Answer::Ok}) {
        messages_.clear();
        answers_ = {answer};
        chosenFiles_ = {PathOf("copy.sin")};
        EXPECT_EQ(Window().OnFileSave(), answer == Answer::Ok);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].buttons, Buttons::OkCancel);
        EXPECT_NE(messages_[0].text.find("locked.sin: the file is read-only"), std::string::npos);
        EXPECT_EQ(ReadBytes(locked), before) << "a read-only file is never replaced";
        EXPECT_EQ(Window().IsModified(), answer == Answer::Cancel);
    }
    EXPECT_EQ(Window().Document().PathName(), PathOf("copy.sin"));
    EXPECT_EQ(ReadBytes(PathOf("copy.sin")).size(), kImageSize);
}

TEST_F(GuiTest, F1OpensTheGuideInAWindowWhoseLinksWork) {
    ASSERT_TRUE(Start());
    QTest::keyClick(Window().View(), Qt::Key_F1);
    auto* browser = Window().findChild<QTextBrowser*>(QStringLiteral("guideBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->window()->isVisible());
    EXPECT_TRUE(browser->source().toLocalFile().endsWith(QStringLiteral("share/pm514rx/guide/index.html")));
    EXPECT_TRUE(messages_.empty());
    // The second link (the first is this page's), by keyboard as a user without a mouse would: another page.
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_NE(browser->source().fileName(), QStringLiteral("index.html"));
    EXPECT_TRUE(QFileInfo(browser->source().toLocalFile()).isFile());
    EXPECT_FALSE(browser->toPlainText().isEmpty());
}

TEST_F(GuiTest, GuideQuotesEveryMessageAsShown) {
    ASSERT_TRUE(Start());
    QTextBrowser* browser = OpenUserGuide(&Window(), QStringLiteral("troubleshooting.html"));
    ASSERT_NE(browser, nullptr);
    const QString page = browser->toPlainText().simplified();
    for (const Message& m :
         {link::kOpenFailed, link::kCommunicationError, link::kModelMismatch, link::kSendOrderError,
          link::kProgramInterrupt, link::kNotEnoughBytes, link::kReadAckError, link::kTestModeError,
          link::kTestModeDone, kMsgPleaseInputNumber, kMsgFormatError, kMsgOutOfRange, kMsgStepError,
          kMsgBandChange, kMsgEditData, kMsgInsertDropsLast, testmode::kNoVisibleInformation,
          testmode::kErro}) {
        const QString text =
            QString::fromUtf8(m.text.data(), static_cast<qsizetype>(m.text.size())).simplified();
        EXPECT_TRUE(page.contains(text)) << text.toStdString();
    }
}

}  // namespace
}  // namespace pm
