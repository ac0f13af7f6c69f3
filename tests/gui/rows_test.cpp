// Channel rows and the clipboard from keys and menus; the editors' keys; every key a caption names.

#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

#include "core/editing/channel_rows.h"
#include "gui/app/edit_commands.h"
#include "gui/editor/cell_editors.h"
#include "gui/app/paste_report_dialog.h"
#include "gui_fixture.h"

namespace pm {
namespace {

class Rows : public GuiTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        Load();
    }
    // Channels 1 to 3 out of order, and channel 80 in use.
    void Load() {
        OpenImage(PlanImage({{1, col::kReceive, "145.5"},
                             {2, col::kReceive, "146.0"},
                             {2, col::kTransmit, "145.4"},
                             {3, col::kReceive, "144.8"},
                             {80, col::kReceive, "147.0"}}));
        plan_ = View().EncodedImage();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Activate();
        QWidget* focus = QApplication::focusWidget();
        if (!focus || (focus != &Grid() && !Grid().isAncestorOf(focus))) {
            Grid().setFocus();
            focus = &Grid();
        }
        QTest::keyClick(focus, key, modifiers);
    }
    // A click on a channel's number.
    void Pick(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QHeaderView* header = Grid().verticalHeader();
        const QPoint at(header->width() / 2,
                        header->sectionViewportPosition(row - 1) + header->sectionSize(0) / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
        Grid().setFocus();
    }
    void ClickEntry(QMenu* menu, Command command) {
        if (!menu->isVisible()) menu->popup(QPoint(10, 10));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(Window().Action(command)).center());
    }
    void ContextMenuEntry(int row, Command command) {
        const QPoint at = CellCentre(row, col::kBusy);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Grid().viewport()->mapToGlobal(at));
        QApplication::sendEvent(Grid().viewport(), &event);
        ASSERT_TRUE(Window().ContextMenu()->isVisible());
        ClickEntry(Window().ContextMenu(), command);
    }
    // Receive cells of channels 1..5, "-" for empty.
    QString Receive() {
        QStringList texts;
        for (int r = 1; r <= 5; ++r) {
            const QString t = Grid().TextMatrix(r, col::kReceive);
            texts << (t.isEmpty() ? QStringLiteral("-") : t.left(5));
        }
        return texts.join(' ');
    }
    QString T(int row, int col) { return Grid().TextMatrix(row, col); }
    Image plan_{};
};

TEST_F(Rows, CommandsAreOneUndoableStepEach) {
    struct Row {
        const char* step;
        std::function<void()> act;
        const char* receive;
    };
    constexpr auto Ctrl = Qt::ControlModifier;
    // clang-format off
    const Row rows[] = {
        {"Paste 2 Channels", [&] { Pick(1); Pick(2, Qt::ShiftModifier); Key(Qt::Key_C, Ctrl); Pick(4);
                                   Key(Qt::Key_V, Ctrl); }, "145.5 146.0 144.8 145.5 146.0"},
        {"Cut Channel 2", [&] { Pick(2); Key(Qt::Key_X, Ctrl); }, "145.5 - 144.8 - -"},
        // The Delete key on cells: the cell-clearing rules, so Transmit stays.
        {"Clear 2 Cells", [&] { Grid().GoTo(1, col::kReceive); Key(Qt::Key_Down, Qt::ShiftModifier);
                                Key(Qt::Key_Delete); }, "- - 144.8 - -"},
        {"Clear Channel 2", [&] { Pick(2); ContextMenuEntry(2, Command::ClearChannel); }, "145.5 - 144.8 - -"},
        {"Insert Empty Channel", [&] { Pick(2); Key(Qt::Key_Insert); }, "145.5 - 146.0 144.8 -"},
        {"Delete Channel 2", [&] { Pick(2); Key(Qt::Key_Delete, Ctrl); }, "145.5 144.8 - - -"},
        {"Move Channel 3 Up", [&] { Pick(3); Key(Qt::Key_Up, Qt::AltModifier); }, "145.5 144.8 146.0 - -"},
        {"Move 2 Channels Down", [&] { Pick(1); Pick(2, Ctrl); Key(Qt::Key_Down, Qt::AltModifier); },
         "144.8 145.5 146.0 - -"},
        {"Sort by Receive Frequency", [&] { ClickEntry(Window().menuBar()->actions().at(1)->menu(),
                                                       Command::SortChannels); }, "144.8 145.5 146.0 147.0 -"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        Load();
        row.act();
        EXPECT_EQ(Receive(), QString(row.receive));
        EXPECT_EQ(Window().Action(Command::EditUndo)->text(),
                  QStringLiteral("&Undo %1\tCtrl+Z").arg(row.step));
        EXPECT_EQ(Window().Edits().History().count(), 1);
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(View().EncodedImage(), plan_);
    }
}

TEST_F(Rows, ClipboardTextGoesToSpreadsheetsAndBackWithOneReport) {
    Pick(1);
    Pick(2, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(copied->text().startsWith("CH\tReceive(MHz)\tTransmit(MHz)\tRx Tone"));
    EXPECT_TRUE(copied->data("text/csv").contains("\nChannel,Receive(MHz)"));

    // A column of Receive values pasted into Transmit.
    Grid().GoTo(1, col::kReceive);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    Grid().GoTo(1, col::kTransmit);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(QStringList({T(1, 2), T(2, 2), T(3, 2)}), QStringList({T(1, 1), T(2, 1), T(3, 1)}));
    EXPECT_EQ(Window().Action(Command::EditUndo)->text(), "&Undo Paste 3 Cells\tCtrl+Z");

    // Refused values: one report before anything changes; Cancel pastes nothing, Apply the values taken.
    QApplication::clipboard()->setText("Receive(MHz)\tRx Tone\n145.003\t88.5\n146.5\tXYZ\n5W\n");
    Grid().GoTo(5, col::kReceive);
    std::vector<QStringList> shown;
    bool apply = false;
    const ScopedPasteReportAnswerer answer([&](PasteReportDialog& report) {
        const QTableWidget& table = *report.Table();
        QStringList rows{report.Summary().section(QLatin1Char('.'), 0, 0)};
        for (int r = 0; r < table.rowCount(); ++r) {
            rows << table.item(r, 0)->text() + " " + table.item(r, 1)->text() + " " +
                        table.item(r, 2)->text();
        }
        shown.push_back(rows);
        return apply;
    });
    const Image before = View().EncodedImage();
    const QString five = T(5, col::kReceive) + "|" + T(5, col::kRxTone);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(View().EncodedImage(), before);
    apply = true;
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(messages_.empty());
    // Channel 5 keeps its tone: a refused receive frequency changes nothing in its channel.
    EXPECT_EQ(T(5, col::kReceive) + "|" + T(5, col::kRxTone), five);
    EXPECT_EQ(T(6, col::kReceive), "146.50000");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], (QStringList{"1 cell pasted, 3 values refused", "5 Receive(MHz) 145.003",
                                     "6 Transmit(MHz) XYZ", "7 Receive(MHz) 5W"}));
}

TEST_F(Rows, InsertAsksBeforeChannel80IsPushedOff) {
    Pick(2);
    answers_ = {Answer::Cancel};
    Key(Qt::Key_Insert);
    EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(kMsgInsertDropsLast)});
    EXPECT_EQ(View().EncodedImage(), plan_);
}

TEST_F(Rows, EditorKeysEscapeTabAndScroll) {
    QLineEdit& edit = *View().Editors().TextEditor();
    // Escape: the cell keeps its text, and there is nothing to undo.
    ClickCell(1, col::kReceive);
    QTest::keyClicks(&edit, "147");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(edit.isVisible());
    EXPECT_EQ(T(1, col::kReceive), "145.50000");
    EXPECT_EQ(Window().Edits().History().count(), 0);

    // Tab commits and goes on, across the row's end; Shift+Tab comes back.
    ClickCell(3, col::kReceive);
    QTest::keyClicks(&edit, "147");
    Key(Qt::Key_Tab);
    EXPECT_EQ(T(3, col::kReceive), "147.00000");
    EXPECT_EQ(Grid().Col(), col::kTransmit);
    Grid().GoTo(3, col::kPower);
    Key(Qt::Key_Tab);
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(4, int(col::kReceive)));
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(3, int(col::kPower)));

    // A scroll commits and closes whatever editor is open: none stays over another channel's row.
    for (int col : {col::kReceive, col::kBusy}) {
        ClickCell(2, col);
        if (col == col::kReceive) QTest::keyClicks(&edit, "146.5");
        if (col == col::kBusy) Key(Qt::Key_Down);
        Grid().verticalScrollBar()->setValue(5);
        EXPECT_FALSE(View().Editors().Editor(EditorForColumn(col))->isVisible()) << col;
    }
    EXPECT_EQ(T(2, col::kReceive), "146.50000");
    EXPECT_EQ(T(2, col::kBusy), "Carrier");

    // After an error message the empty editor still shows where it is.
    ClickCell(4, col::kReceive);
    QTest::keyClicks(&edit, "200");
    Key(Qt::Key_Return);
    ASSERT_TRUE(edit.isVisible() && edit.text().isEmpty());
    const QImage shot = edit.grab().toImage();
    EXPECT_NE(shot.pixel(0, shot.height() / 2), shot.pixel(shot.width() / 2, shot.height() / 2));
}

TEST_F(Rows, EveryKeyACaptionNamesWorks) {
    Key(Qt::Key_E, Qt::ControlModifier);  // Ctrl+R, Ctrl+W and Ctrl+T: app_test
    EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(kMsgEditData)});
    Activate();
    bool asked = false;
    QTimer::singleShot(0, [&asked] {
        if (auto* go = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            go->setIntValue(40);
            go->accept();
        }
    });
    Key(Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Grid().Row(), 40);
}

TEST_F(Rows, TheWindowShowsTwentyChannelsWhereTheScreenAllows) {
    const int screen = Window().screen()->availableGeometry().height();
    EXPECT_TRUE(Grid().viewport()->height() >= 20 * Grid().rowHeight(0) || Window().height() >= screen);
    EXPECT_GE(Grid().geometry().top(), View().List(Setting::TxTotalTime)->geometry().bottom());
}

}  // namespace
}  // namespace pm
