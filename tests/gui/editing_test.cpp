// In-place editing with real key and mouse events: which editor opens, what a key does, the checks and
// their messages on LeaveCell and on Enter, the clearing rules, and the Enter key's walk.

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>

#include <tuple>

#include "gui/editor/cell_editors.h"
#include "gui_fixture.h"

namespace pm {
namespace {

class EditingTest : public GuiTest {
  protected:
    void SetUp() override { ASSERT_TRUE(Start()); }

    CellEditors& Editors() { return View().Editors(); }
    QLineEdit& TextEditor() { return *Editors().TextEditor(); }
    QComboBox& ToneList() { return *Editors().ToneList(); }
    QString T(int row, int col) { return Grid().TextMatrix(row, col); }
    // Columns 1..7 of a row, joined by '|'.
    QString RowText(int row) {
        QStringList texts;
        for (int c = col::kReceive; c <= col::kPower; ++c) texts << T(row, c);
        return texts.join('|');
    }
    bool Open(EditorKind kind) { return Editors().Editor(kind)->isVisible(); }

    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton) { ClickCell(row, col, button); }
    void DoubleClick(int row, int col) {
        QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(row, col));
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Type(const QString& text) { QTest::keyClicks(Focus(), text); }
    static void Press(Qt::Key key) { QTest::keyClick(Focus(), key); }
    static void Enter() { Press(Qt::Key_Return); }
    // A key typed while the grid has the keyboard focus.
    void TypeOnGrid(int row, int col, char key) {
        Grid().SetRow(row);
        Grid().SetCol(col);
        Grid().setFocus();
        QTest::keyClick(&Grid(), key);
    }
    std::vector<std::string> MessageTexts() {
        std::vector<std::string> texts;
        for (const SeenMessage& m : messages_) texts.push_back(m.text);
        return texts;
    }
    void Load(const std::vector<PlanCell>& cells) { OpenImage(PlanImage(cells)); }
};

// The checks are the core's; here, that LeaveCell and Enter each ask them with their own path.
TEST_F(EditingTest, FrequencyChecksOnLeaveCellAndOnEnter) {
    const std::string step(kTextStepError), range(kTextOutOfRange);
    answers_ = {Answer::Ok};
    QTest::keyClick(View().List(Setting::Field), Qt::Key_Down);  // band 1
    messages_.clear();
    // LeaveCell: every complaint, and the refused value leaves the cell empty.
    Click(3, col::kReceive);
    Type("150.003");
    Click(9, col::kBusy);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{range, step}));
    EXPECT_EQ(T(3, col::kReceive), "");
    messages_.clear();
    // Enter: out of range keeps the editor open and empty and the cell as it was.
    Grid().SetTextMatrix(4, col::kReceive, "144.50000");
    Click(4, col::kReceive);
    TextEditor().selectAll();
    Type("150.003");
    Enter();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{range});
    EXPECT_EQ(Focus(), &TextEditor());
    EXPECT_EQ(TextEditor().text(), "");
    EXPECT_EQ(Grid().Col(), col::kReceive);
    EXPECT_EQ(T(4, col::kReceive), "144.50000");
}

// The clearing rules are the core's; here, that LeaveCell and Enter each ask them with their own path.
TEST_F(EditingTest, ClearingDiffersBetweenLeaveCellAndEnter) {
    const std::vector<PlanCell> plan = {{2, col::kReceive, "145.5"}, {2, col::kTransmit, "145.0"},
                                        {2, col::kRxTone, "88.5"},   {2, col::kTxTone, "88.5"},
                                        {2, col::kBusy, "Carrier"},  {2, col::kPower, "Low"}};
    for (bool byEnter : {false, true}) {
        Load(plan);
        Click(2, col::kReceive);
        Press(Qt::Key_Delete);
        if (byEnter) {
            Enter();
            ASSERT_EQ(Focus(), &TextEditor());  // now on Transmit, its text selected
            Press(Qt::Key_Delete);
            Enter();
        } else {
            Click(2, col::kTransmit);
            Press(Qt::Key_Delete);
            Click(10, col::kReceive);
        }
        EXPECT_EQ(RowText(2), byEnter ? "||||||" : "|||||Add|Low");
    }
}

// The rule is the core's; here, that both ways of committing a list ask it.
TEST_F(EditingTest, ListChoicesInAnEmptyRowLeaveItEmpty) {
    const std::tuple<int, std::function<void()>, bool> rows[] = {
        {col::kBusy, [] { Press(Qt::Key_Down); }, false},
        {col::kRxTone, [] { Type("88.5"); }, true},
    };
    for (const auto& [column, choose, byEnter] : rows) {
        Window().NewDocument();
        DoubleClick(8, column);
        ASSERT_TRUE(Editors().Editor(EditorForColumn(column))->isVisible()) << column;
        choose();
        if (byEnter) {
            Enter();
        } else {
            Click(2, col::kReceive);
        }
        EXPECT_EQ(T(8, column), "") << column;
    }
}

TEST_F(EditingTest, LetterDOnAToneCell) {
    Load({{1, col::kReceive, "145.5"}});
    QApplication::clipboard()->setText("the user's own clipboard");
    TypeOnGrid(1, col::kRxTone, 'D');
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], Seen(kMsgPleaseInputNumber));
    ASSERT_TRUE(Open(EditorKind::Tone));
    EXPECT_EQ(ToneList().lineEdit()->text(), "D");
    EXPECT_EQ(ToneList().lineEdit()->cursorPosition(), 1);
    EXPECT_FALSE(ToneList().lineEdit()->hasSelectedText());
    EXPECT_EQ(ToneList().currentText(), "D");
    EXPECT_EQ(QApplication::clipboard()->text(), "the user's own clipboard");

    // Enter takes the typed text itself: no tone is called "D", so "OFF".
    Enter();
    EXPECT_EQ(T(1, col::kRxTone), "OFF");
    EXPECT_EQ(Grid().Col(), col::kTxTone);

    // LeaveCell takes the selected entry, which follows the typing.
    TypeOnGrid(1, col::kRxTone, 'D');
    Type("023");
    EXPECT_EQ(ToneList().lineEdit()->text(), "D023");
    Click(5, col::kReceive);
    EXPECT_EQ(T(1, col::kRxTone), "D023N");
}

TEST_F(EditingTest, KeysThatOpenEditors) {
    Load({{1, col::kReceive, "145.5"}});
    // A digit on a filled frequency cell replaces it, caret at the end.
    TypeOnGrid(1, col::kReceive, '1');
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(TextEditor().text(), "1");
    EXPECT_EQ(TextEditor().cursorPosition(), 1);
    EXPECT_FALSE(TextEditor().hasSelectedText());
    TextEditor().setText("145.5");  // what leaving the cell commits next
    // A non-digit on a filled cell: the message, then the letter; on an empty cell: the message, nothing.
    TypeOnGrid(1, col::kTransmit, 'x');
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{std::string(kTextPleaseInputNumber)});
    EXPECT_EQ(TextEditor().text(), "x");
    messages_.clear();
    TextEditor().setText("145.5");
    TypeOnGrid(7, col::kTransmit, 'x');
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{std::string(kTextPleaseInputNumber)});
    EXPECT_EQ(TextEditor().text(), "");
    EXPECT_TRUE(Open(EditorKind::Text));
    messages_.clear();

    // Column 6: a key opens nothing; a double-click opens the Scan list.
    Click(30, col::kSpare);
    for (char key : {'5', 'A'}) TypeOnGrid(1, col::kScan, key);
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(Open(EditorKind::Scan));
    DoubleClick(1, col::kScan);
    EXPECT_TRUE(Open(EditorKind::Scan));
    EXPECT_EQ(Editors().List(EditorKind::Scan)->currentText(), "Add");

    // Busy and Power lists keep their selection when a key opens them.
    TypeOnGrid(1, col::kPower, '3');
    EXPECT_TRUE(Open(EditorKind::Power));
    EXPECT_EQ(Editors().List(EditorKind::Power)->currentText(), "High");

    // The right button opens nothing; column 8 takes no editor.
    Click(30, col::kReceive);
    Click(1, col::kRxTone, Qt::RightButton);
    EXPECT_FALSE(Open(EditorKind::Tone));
    Click(1, col::kSpare);
    EXPECT_FALSE(Open(EditorKind::Text) || Open(EditorKind::Tone) || Open(EditorKind::Busy) ||
                 Open(EditorKind::Scan) || Open(EditorKind::Power));
}

TEST_F(EditingTest, EnterMovesOnOrChoosesOutsideTheWalk) {
    // The Power list of the last channel: on to the next control.
    Load({{80, col::kReceive, "145.5"}});
    Click(80, col::kPower);
    Press(Qt::Key_Up);
    Enter();
    EXPECT_EQ(T(80, col::kPower), "Low");
    EXPECT_EQ(Focus(), View().List(Setting::NarrowWide));

    // Enter on the grid: right, and from Scan the next control.
    Grid().SetCol(col::kBusy);
    Grid().setFocus();
    Enter();
    EXPECT_EQ(Grid().Col(), col::kScan);
    EXPECT_EQ(Focus(), &Grid());
    Enter();
    EXPECT_EQ(Grid().Col(), col::kScan);
    EXPECT_EQ(Focus(), View().List(Setting::NarrowWide));

    // A list of the form: Enter is the Tab key (the hidden power rank list is skipped).
    View().List(Setting::Squelch)->setFocus();
    Enter();
    EXPECT_EQ(Focus(), &Grid());
    // Its dropped list: Enter chooses the highlighted entry and closes the list.
    SettingCombo* nw = View().List(Setting::NarrowWide);
    nw->showPopup();
    QAbstractItemView* popup = nw->view();
    popup->setCurrentIndex(popup->model()->index(1, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(nw->currentText(), "Narrow");
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(EditingTest, KeyboardOnlyEntryOfThreeChannels) {
    Window().Action(Command::EditData)->trigger();
    messages_.clear();
    Grid().setFocus();
    QTest::keyClick(&Grid(), '1');
    Type("45.5");
    Enter();  // Receive
    Type("145.0");
    Enter();  // Transmit
    Type("88.5");
    Enter();  // Rx Tone
    Type("88.5");
    Enter();  // Tx Tone
    Press(Qt::Key_Down);
    Enter();  // Busy: Carrier
    Enter();  // Scan: Add
    Press(Qt::Key_Up);
    Enter();  // Power: Low, on to channel 2
    ASSERT_EQ(Grid().Row(), 2);
    ASSERT_EQ(Focus(), &TextEditor());
    Type("146.52");
    for (int i = 0; i < 7; ++i) Enter();
    EXPECT_EQ(RowText(1), "145.50000|145.00000|88.5|88.5|Carrier|Add|Low");
    EXPECT_EQ(RowText(2), "146.52000|146.52000|OFF|OFF|OFF|Add|High");  // a new channel's defaults
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(3, int(col::kReceive)));
    EXPECT_EQ(Focus(), &TextEditor());
}

TEST_F(EditingTest, SaveAndPrintCommitAnOpenEditorFirst) {
    // The shell's own part of Print: the report dialog itself is the print tests' business.
    QObject::disconnect(&Window(), &MainWindow::PrintRequested, nullptr, nullptr);
    QObject::disconnect(&Window(), &MainWindow::PrintPreviewRequested, nullptr, nullptr);
    Click(1, col::kReceive);
    Type("145.5");
    chosenFiles_ = {PathOf("typed.sin")};
    QTest::keyClick(Focus(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(fileRequests_.size(), 1u);
    const auto bytes = ReadBytes(PathOf("typed.sin"));
    EXPECT_EQ(bytes.at(16 + 3) << 8 | bytes.at(16 + 2), 0x1455);  // channel 1 receives 145.5 MHz
    EXPECT_FALSE(Open(EditorKind::Text));
    EXPECT_FALSE(Window().IsModified());

    Click(2, col::kReceive);
    Type("146.0");
    QString printed;
    QObject::connect(&Window(), &MainWindow::PrintRequested, [&] { printed = T(2, col::kReceive); });
    Window().Action(Command::FilePrint)->trigger();
    EXPECT_EQ(printed, "146.00000");

    Click(3, col::kReceive);
    Type("146.5");
    chosenFiles_ = {PathOf("as.sin")};
    ASSERT_TRUE(Window().OnFileSaveAs());
    EXPECT_EQ(ReadBytes(PathOf("as.sin")).at(48 + 2), 0x65);

    // Closing with a value still typed asks to save it.
    Click(4, col::kReceive);
    Type("147.0");
    saveAnswers_ = {SaveAnswer::Cancel};
    EXPECT_FALSE(Window().close());
    EXPECT_EQ(saveQuestions_.size(), 1u);
}

// Every editor covers its cell exactly, wherever the grid is scrolled; also at 2x (a second run below).
TEST_F(EditingTest, EditorsSitExactlyOverTheirCells) {
    Load({{40, col::kReceive, "145.5"}});
    for (int row : {1, 40, 80}) {
        for (int col = col::kReceive; col <= col::kPower; ++col) {
            Click(row, col);
            if (col == col::kScan) DoubleClick(row, col);
            QWidget* editor = Editors().Editor(EditorForColumn(col));
            ASSERT_TRUE(editor->isVisible()) << row << "," << col;
            EXPECT_EQ(editor->geometry(), Grid().CellRect(row, col)) << row << "," << col;
            EXPECT_EQ(editor->parentWidget(), &Grid());
        }
    }
    // A second document reuses the five editors.
    const int editors = static_cast<int>(Grid().findChildren<QComboBox*>(Qt::FindDirectChildrenOnly).size());
    Window().NewDocument();
    EXPECT_EQ(Grid().findChildren<QComboBox*>(Qt::FindDirectChildrenOnly).size(), editors);
    EXPECT_FALSE(Open(EditorKind::Power));
}

TEST(EditorPlacement, ExactAtTwiceTheScale) {
    if (qEnvironmentVariableIsSet("PM_GUI_TEST_CHILD")) GTEST_SKIP() << "already the scaled run";
    QProcess child;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("PM_GUI_TEST_CHILD", "1");
    env.insert("QT_SCALE_FACTOR", "2");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=EditingTest.EditorsSitExactlyOverTheirCells"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

}  // namespace
}  // namespace pm
