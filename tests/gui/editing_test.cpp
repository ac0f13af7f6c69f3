// In-place editing with real key and mouse events: which editor opens, what a key does, the checks and
// their messages on LeaveCell and on Enter, the clearing rules, and the Enter key's walk.

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "core/editing/cell_rules.h"
#include "core/image/channel_table.h"
#include "core/image/tone.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/editor/cell_editors.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
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
    bool Open(EditorKind kind) { return Editors().Editor(kind)->isVisible(); }

    QPoint CellCentre(int row, int col) {
        const QModelIndex index = Grid().model()->index(row - 1, col - 1);
        Grid().scrollTo(index);
        return Grid().visualRect(index).center();
    }
    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Grid().viewport(), button, Qt::NoModifier, CellCentre(row, col));
    }
    void DoubleClick(int row, int col) {
        const QPoint at = CellCentre(row, col);
        QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, Qt::NoModifier, at);
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
    void SelectBand(int band) {
        answers_ = {Answer::Ok};
        View().List(Setting::Field)->setFocus();
        QTest::keyClick(View().List(Setting::Field), band == 1 ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(View().List(Setting::Field)->currentIndex(), band);
        messages_.clear();
    }
    std::vector<std::string> MessageTexts() {
        std::vector<std::string> texts;
        for (const SeenMessage& m : messages_) texts.push_back(m.text);
        return texts;
    }
    void Load(const std::vector<PlanCell>& cells) {
        const QString plan = PathOf("plan.sin");
        WriteImage(plan, PlanImage(cells));
        ASSERT_TRUE(Window().OpenDocumentFile(plan));
    }
};

TEST_F(EditingTest, NewChannelTypedIntoReceiveGetsTheDefaults) {
    Click(5, col::kReceive);
    ASSERT_TRUE(Open(EditorKind::Text));
    EXPECT_EQ(Focus(), &TextEditor());
    Type("145.0125");
    Enter();
    const QStringList row = {T(5, 1), T(5, 2), T(5, 3), T(5, 4), T(5, 5), T(5, 6), T(5, 7)};
    EXPECT_EQ(row, (QStringList{"145.01250", "145.01250", "OFF", "OFF", "OFF", "Add", "High"}));
    EXPECT_TRUE(messages_.empty());
    // The walk went on: Transmit is open with its text selected.
    EXPECT_EQ(Grid().Col(), col::kTransmit);
    ASSERT_TRUE(Open(EditorKind::Text));
    EXPECT_EQ(TextEditor().text(), "145.01250");
    EXPECT_EQ(TextEditor().selectedText(), "145.01250");
}

TEST_F(EditingTest, TransmitOnlyEntryLeavesReceiveEmpty) {
    for (bool byEnter : {true, false}) {
        Window().NewDocument();
        Click(6, col::kTransmit);
        Type("145.0125");
        if (byEnter) {
            Enter();
        } else {
            Click(9, col::kReceive);
        }
        const QStringList row = {T(6, 1), T(6, 2), T(6, 3), T(6, 4), T(6, 5), T(6, 6), T(6, 7)};
        EXPECT_EQ(row, (QStringList{"", "145.01250", "OFF", "OFF", "OFF", "Add", "High"})) << byEnter;
    }
}

TEST_F(EditingTest, FrequencyChecksOnLeaveCellAndOnEnter) {
    struct Row {
        const char* text;
        int band;
        std::vector<std::string> commitMessages;
        std::vector<std::string> enterMessages;
        const char* cell;  // after a commit by LeaveCell
    };
    const std::string step(kTextStepError), format(kTextFormatError), range(kTextOutOfRange);
    // The rules themselves are the core's; these rows prove the editor asks them at both moments.
    const Row rows[] = {
        {"145.00625", 0, {}, {}, "145.00625"},
        {"145.003", 0, {step}, {step}, ""},
        {"abc", 0, {format}, {format}, ""},
        {"150.003", 1, {range, step}, {range}, ""},
    };
    for (const Row& row : rows) {
        Window().NewDocument();
        if (row.band == 1) SelectBand(1);
        // LeaveCell: the check runs as the cell is left.
        Click(3, col::kReceive);
        Type(row.text);
        Click(9, col::kBusy);
        EXPECT_EQ(MessageTexts(), row.commitMessages) << row.text << " band " << row.band;
        EXPECT_EQ(T(3, col::kReceive), row.cell) << row.text;
        messages_.clear();

        // Enter: out of range keeps the editor open and empty and the cell as it was.
        Grid().SetTextMatrix(4, col::kReceive, "144.50000");
        Click(4, col::kReceive);
        TextEditor().selectAll();
        Type(row.text);
        Enter();
        EXPECT_EQ(MessageTexts(), row.enterMessages) << row.text << " band " << row.band;
        const bool stopped = row.enterMessages == std::vector<std::string>{range};
        if (stopped) {
            EXPECT_TRUE(Open(EditorKind::Text)) << row.text;
            EXPECT_EQ(TextEditor().text(), "") << row.text;
            EXPECT_EQ(Focus(), &TextEditor()) << row.text;
            EXPECT_EQ(Grid().Col(), col::kReceive) << row.text;
            EXPECT_EQ(T(4, col::kReceive), "144.50000") << row.text;
        } else {
            EXPECT_EQ(T(4, col::kReceive), row.cell) << row.text;
            EXPECT_EQ(Grid().Col(), col::kTransmit) << row.text;
        }
        messages_.clear();
    }
}

TEST_F(EditingTest, ClearingDiffersBetweenLeaveCellAndEnter) {
    const std::vector<PlanCell> plan = {{2, col::kReceive, "145.5"}, {2, col::kTransmit, "145.0"},
                                        {2, col::kRxTone, "88.5"},   {2, col::kTxTone, "88.5"},
                                        {2, col::kBusy, "Carrier"},  {2, col::kPower, "Low"},
                                        {3, col::kReceive, "146.0"}, {3, col::kTransmit, ""}};
    // LeaveCell: emptying Receive empties Rx Tone only; emptying Transmit too empties Busy, not Scan or
    // Power.
    Load(plan);
    Click(2, col::kReceive);
    Press(Qt::Key_Delete);
    Click(2, col::kTransmit);
    EXPECT_EQ(T(2, 1) + "|" + T(2, 3) + "|" + T(2, 5), "|" + QString() + "|Carrier");
    EXPECT_EQ(T(2, 4), "88.5");
    Press(Qt::Key_Delete);
    Click(10, col::kReceive);
    const QStringList afterCommit = {T(2, 1), T(2, 2), T(2, 3), T(2, 4), T(2, 5), T(2, 6), T(2, 7)};
    EXPECT_EQ(afterCommit, (QStringList{"", "", "", "", "", "Add", "Low"}));

    // Enter: with both frequencies gone, Busy, Scan and Power go too.
    Load(plan);
    Click(2, col::kReceive);
    Press(Qt::Key_Delete);
    Enter();
    EXPECT_EQ(T(2, 3), "");
    EXPECT_EQ(T(2, 5), "Carrier");
    ASSERT_EQ(Focus(), &TextEditor());  // now on Transmit, its text selected
    Press(Qt::Key_Delete);
    Enter();
    const QStringList afterEnter = {T(2, 1), T(2, 2), T(2, 3), T(2, 4), T(2, 5), T(2, 6), T(2, 7)};
    EXPECT_EQ(afterEnter, (QStringList{"", "", "", "", "", "", ""}));
}

TEST_F(EditingTest, ListChoicesInAnEmptyRowLeaveItEmpty) {
    struct Row {
        int col;
        std::function<void()> choose;
    };
    const Row rows[] = {
        {col::kBusy, [] { Press(Qt::Key_Down); }},
        {col::kRxTone, [] { Type("88.5"); }},
    };
    for (const Row& row : rows) {
        for (bool byEnter : {false, true}) {
            Window().NewDocument();
            DoubleClick(8, row.col);
            ASSERT_TRUE(Editors().Editor(EditorForColumn(row.col))->isVisible()) << row.col;
            row.choose();
            if (byEnter) {
                Enter();
            } else {
                Click(2, col::kReceive);
            }
            if (!byEnter) {
                EXPECT_FALSE(Editors().Editor(EditorForColumn(row.col))->isVisible()) << row.col;
            }
            EXPECT_EQ(T(8, row.col), "") << row.col << (byEnter ? " enter" : " leave");
        }
    }
    // With a frequency in the row the choice is written.
    Window().NewDocument();
    Grid().SetTextMatrix(8, col::kReceive, "145.00000");
    Click(8, col::kBusy);
    Press(Qt::Key_Down);
    Click(2, col::kReceive);
    EXPECT_EQ(T(8, col::kBusy), "Carrier");
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
    EXPECT_EQ(ToneList().itemText(ToneList().currentIndex()),
              QString::fromStdString(ToneTable()[FindTonePrefix("D")]));  // the first entry it begins
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
    for (EditorKind kind :
         {EditorKind::Text, EditorKind::Tone, EditorKind::Busy, EditorKind::Scan, EditorKind::Power}) {
        EXPECT_FALSE(Editors().Editor(kind)->isVisible());
    }
}

TEST_F(EditingTest, EnterInThePowerListOfRow80MovesToTheNextControl) {
    Load({{80, col::kReceive, "145.5"}, {79, col::kReceive, "145.6"}});
    Click(79, col::kPower);
    Press(Qt::Key_Up);
    Enter();
    EXPECT_EQ(T(79, col::kPower), "Low");
    EXPECT_EQ(Grid().Row(), 80);
    EXPECT_EQ(Grid().Col(), col::kReceive);
    EXPECT_TRUE(Open(EditorKind::Text));

    Click(80, col::kPower);
    Press(Qt::Key_Up);
    Enter();
    EXPECT_EQ(T(80, col::kPower), "Low");
    EXPECT_EQ(Grid().Row(), 80);
    EXPECT_FALSE(Open(EditorKind::Power));
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
}

TEST_F(EditingTest, EnterInTheFormsListsMovesOnOrChooses) {
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
    const std::vector<QStringList> expected = {
        {"145.50000", "145.00000", "88.5", "88.5", "Carrier", "Add", "Low"},
        {"146.52000", "146.52000", "OFF", "OFF", "OFF", "Add", "High"},
    };
    for (int r = 1; r <= 2; ++r) {
        QStringList row;
        for (int c = 1; c <= 7; ++c) row << T(r, c);
        EXPECT_EQ(row, expected[static_cast<std::size_t>(r - 1)]) << r;
    }
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_EQ(Grid().Col(), col::kReceive);
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
    ASSERT_EQ(bytes.size(), kImageSize);
    EXPECT_EQ(bytes[16 + 3], 0x14);  // channel 1 receives 145.5 MHz
    EXPECT_EQ(bytes[16 + 2], 0x55);
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
