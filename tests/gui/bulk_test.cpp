// Many channels at once from real keys: Ctrl+Enter over a selection, Fill Down, Repeater and Find; each
// change one undo step.

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "gui/app/edit_commands.h"
#include "gui/bulk/bulk_dialogs.h"
#include "gui/csv/csv_import_dialog.h"
#include "gui_fixture.h"

namespace pm {
namespace {

class Bulk : public GuiTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        OpenImage(PlanImage({{1, col::kReceive, "146.94"},
                             {2, col::kReceive, "146.52"},
                             {4, col::kReceive, "174.7"},
                             {5, col::kReceive, "145.5"}}));
        Activate();
    }
    /** Selects cells (first..last, column) with a click and a Shift+click. */
    void Select(int first, int last, int column) {
        ClickCell(first, column);
        QTest::mouseClick(Grid().viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCentre(last, column));
        Grid().setFocus();
    }
    QString Column(int column, int first, int last) const {
        QStringList texts;
        for (int r = first; r <= last; ++r) {
            const QString t = Grid().TextMatrix(r, column);
            texts << (t.isEmpty() ? QStringLiteral("-") : t);
        }
        return texts.join(' ');
    }
    /** Undo takes back exactly what one step did. */
    void ExpectOneStep(const QString& before, int column, int first, int last) {
        EXPECT_EQ(Window().Edits().History().count(), 1);
        Activate();  // a report beside the grid may have taken the focus
        QTest::keyClick(&Grid(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Column(column, first, last), before);
    }
};

TEST_F(Bulk, CtrlEnterCommitsTheTypedValueIntoEverySelectedCellOfItsColumn) {
    Select(1, 5, col::kPower);
    QTest::keyClicks(&Grid(), "L");  // opens the Power list, which takes no text
    QComboBox* power = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(power, nullptr);
    power->setCurrentText(QStringLiteral("Low"));
    QTest::keyClick(power, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Column(col::kPower, 1, 5), "Low Low - Low Low") << "an empty channel stays empty";
    ExpectOneStep("High High - High High", col::kPower, 1, 5);

    Select(1, 2, col::kTransmit);
    QTest::keyClick(&Grid(), Qt::Key_1);  // opens the text editor, which takes the rest
    QTest::keyClicks(QApplication::focusWidget(), "47.3");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::ControlModifier);
    EXPECT_EQ(Column(col::kTransmit, 1, 2), "147.30000 147.30000");
}

TEST_F(Bulk, FillDownAndPasteOfOneValueFillTheSelection) {
    OpenImage(PlanImage({{1, col::kReceive, "146.94"},
                         {1, col::kRxTone, "88.5"},
                         {2, col::kReceive, "146.52"},
                         {4, col::kReceive, "174.7"},
                         {5, col::kReceive, "145.5"}}));
    Select(1, 5, col::kRxTone);
    QTest::keyClick(&Grid(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(Column(col::kRxTone, 1, 5), "88.5 88.5 - 88.5 88.5");
    ExpectOneStep("88.5 OFF - OFF OFF", col::kRxTone, 1, 5);
    QApplication::clipboard()->setText(QStringLiteral("Carrier"));
    Select(2, 5, col::kBusy);
    QTest::keyClick(&Grid(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Column(col::kBusy, 1, 5), "OFF Carrier - Carrier Carrier");
}

TEST_F(Bulk, RepeaterDialogSetsTransmitAndTonesAndRefusesOutOfBandPerChannel) {
    Select(1, 5, col::kReceive);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<RepeaterDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QComboBox*>(QStringLiteral("offset"))->setCurrentText(QStringLiteral("0.6"));
        dialog->findChild<QComboBox*>(QStringLiteral("toneMode"))->setCurrentIndex(2);
        dialog->findChild<QComboBox*>(QStringLiteral("ctcss"))->setCurrentText(QStringLiteral("100.0"));
        dialog->accept();
    });
    QString summary;
    const ScopedPasteReportAnswerer answer([&](PasteReportDialog& report) {
        summary = report.Summary();
        return true;
    });
    Window().findChild<QAction*>(QStringLiteral("actionRepeater"))->trigger();
    EXPECT_EQ(Column(col::kTransmit, 1, 5), "147.54000 147.12000 - 174.70000 146.10000");
    EXPECT_EQ(Column(col::kTxTone, 1, 5), "100.0 100.0 - OFF 100.0") << "a refused channel keeps its cells";
    // channels 3 (empty) and 4 are refused
    EXPECT_TRUE(summary.startsWith(QStringLiteral("9 cells pasted, 2 values"))) << summary.toStdString();
    ExpectOneStep("146.94000 146.52000 - 174.70000 145.50000", col::kTransmit, 1, 5);
}

TEST_F(Bulk, FindGoesToTheNextMatchAndF3Repeats) {
    QTest::keyClick(&Grid(), Qt::Key_F, Qt::ControlModifier);
    auto* find = Window().findChild<FindDialog*>();
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(find->isVisible());
    QTest::keyClicks(find->findChild<QLineEdit*>(QStringLiteral("findText")), "146");
    QTest::keyClick(find->findChild<QLineEdit*>(QStringLiteral("findText")), Qt::Key_Return);
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(1, int(col::kTransmit)));
    QTest::keyClick(&Grid(), Qt::Key_F3);
    QTest::keyClick(&Grid(), Qt::Key_F3);
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(2, int(col::kTransmit)));
    EXPECT_EQ(Window().Edits().History().count(), 0) << "Find changes nothing";
}

TEST_F(Bulk, CheckPlanListsFindingsThatGoToTheirCell) {
    Window().findChild<QAction*>(QStringLiteral("actionCheckPlan"))->trigger();
    auto* list = Window().findChild<QListWidget*>(QStringLiteral("findings"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 0);
    Window().View()->Table().SetText(3, col::kTransmit, "146.52000");
    Window().findChild<PlanCheckDialog*>()->Recheck();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "Channel 3: transmits on 146.52000 MHz but has no receive frequency");
    emit list->itemActivated(list->item(0));
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(3, int(col::kReceive)));
}

TEST_F(Bulk, AddChannelListMergesIntoEmptyChannelsAsOneStep) {
    auto* lists = Window().findChild<QAction*>(QStringLiteral("actionAddChannelList"));
    ASSERT_NE(lists, nullptr);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CsvImportDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        qobject_cast<QAbstractButton*>(dialog->Widget(CsvImportDialog::Control::Import))->click();
    });
    lists->menu()->actions().at(1)->trigger();  // MURS, five rows: after channel 5
    EXPECT_EQ(Column(col::kReceive, 5, 11), "145.50000 151.82000 151.88000 151.94000 154.57000 154.60000 -");
    ExpectOneStep("145.50000 - - - - - -", col::kReceive, 5, 11);
}

}  // namespace
}  // namespace pm
