// The form: the grid's geometry and notifications, the Function Setting lists, the band change, the
// status-bar hints and Edit Data.

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

#include "gui_fixture.h"

namespace pm {
namespace {

class ViewTest : public GuiTest {
  protected:
    void SetUp() override { ASSERT_TRUE(Start()); }
};

QString Selected(ChannelView& view, Setting s) {
    return view.List(s)->currentIndex() < 0 ? QString() : view.List(s)->currentText();
}

TEST_F(ViewTest, TheFormStartsOnTheTimeListAndTabWalksPastTheHiddenLists) {
    EXPECT_EQ(QApplication::focusWidget(), View().List(Setting::TxTotalTime));
    EXPECT_EQ(std::pair(Grid().Row(), Grid().Col()), std::pair(1, 1));
    EXPECT_FALSE(View().List(Setting::TxPowerRank)->isVisible());
    EXPECT_FALSE(View().List(Setting::BatterySave)->isVisible());
    // The Tab key walks the template's order.
    QStringList order;
    QWidget* w = View().List(Setting::TxTotalTime);
    for (int i = 0; i < 6; ++i) {
        order << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || w->focusProxy());
    }
    EXPECT_EQ(order, (QStringList{"setting_tx_total_time", "setting_warning", "setting_squelch",
                                  "channelGrid", "setting_nw", "setting_field"}));
}

TEST_F(ViewTest, GridGeometryFollowsOneBaseWidth) {
    ChannelGrid& grid = Grid();
    const int w = grid.ColWidth(2) * 10 / 12;  // column 2 is 1.2 W
    const double factors[] = {0.4, 1.2, 1.2, 5.0 / 6, 5.0 / 6, 5.0 / 7, 5.0 / 7, 0.625, 2.0 / 3};
    for (int c = 0; c < 9; ++c) EXPECT_NEAR(grid.ColWidth(c), w * factors[c], 30) << c;  // within 2 pixels
    for (int r = 0; r <= 16; ++r) EXPECT_EQ(grid.RowHeight(r), grid.RowHeight(2)) << r;

    // The whole table fits the form's grid: no column is cut off at the start.
    const int needed = grid.verticalHeader()->width() + grid.horizontalHeader()->length();
    EXPECT_LE(needed, grid.viewport()->width() + grid.verticalHeader()->width());
}

TEST_F(ViewTest, LeaveCellNamesTheOldCellAndEnterCellTheNew) {
    ChannelGrid& grid = Grid();
    QStringList events;  // "L" leave or "E" enter, row, column
    const auto note = [&](char kind) {
        events << QStringLiteral("%1%2,%3").arg(kind).arg(grid.Row()).arg(grid.Col());
    };
    QObject::connect(&grid, &ChannelGrid::LeaveCell, [&] { note('L'); });
    QObject::connect(&grid, &ChannelGrid::EnterCell, [&] { note('E'); });
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"L1,1 E1,2 L1,2 E2,2",
         [&] {
             QTest::keyClick(&grid, Qt::Key_Right);
             QTest::keyClick(&grid, Qt::Key_Down);
         }},
        {"L2,2 E3,4", [&] { ClickCell(3, 4); }},
        // The cell that is already current raises nothing; the last column goes no further.
        {"L3,4 E3,8",
         [&] {
             grid.SetCol(4);
             grid.SetCol(8);
             QTest::keyClick(&grid, Qt::Key_Right);
         }},
        // Edit Data: column first, then row.
        {"L3,8 E3,1 L3,1 E1,1", [&] { Window().Action(Command::EditData)->trigger(); }},
    };
    grid.setFocus();
    for (const auto& [expected, act] : steps) {
        events.clear();
        act();
        EXPECT_EQ(events.join(' '), expected);
    }
}

// Which list snaps to which default is the core's; here, that typing cannot leave a text of its own.
TEST_F(ViewTest, TypingIntoAListSnapsItToItsDefault) {
    SettingCombo* squelch = View().List(Setting::Squelch);
    squelch->setCurrentIndex(8);
    squelch->setFocus();
    QTest::keyClicks(squelch->lineEdit(), "7");
    EXPECT_EQ(squelch->currentText(), "4");
    EXPECT_EQ(squelch->lineEdit()->text(), "4");
    // Also when the default is already selected: the typed text never stays.
    QTest::keyClicks(squelch->lineEdit(), "x");
    EXPECT_EQ(squelch->lineEdit()->text(), "4");
    // N/W and the band list keep typed text and their selection.
    SettingCombo* nw = View().List(Setting::NarrowWide);
    nw->setFocus();
    nw->lineEdit()->selectAll();
    QTest::keyClicks(nw->lineEdit(), "Nar");
    EXPECT_EQ(nw->lineEdit()->text(), "Nar");
    EXPECT_EQ(nw->currentIndex(), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ViewTest, BandChangeAsksAndResetsOrRestores) {
    const Image image = PlanImage({{1, col::kReceive, "145.0125"}, {9, col::kReceive, "146.0"}}, 6);
    OpenImage(image);
    SettingCombo* band = View().List(Setting::Field);
    band->setFocus();

    // Cancel: the old band again, nothing else changes.
    answers_ = {Answer::Cancel};
    QTest::keyClick(band, Qt::Key_Down);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], Seen(kMsgBandChange));
    EXPECT_EQ(band->currentIndex(), 0);
    EXPECT_EQ(Grid().TextMatrix(9, col::kReceive), "146.00000");
    EXPECT_EQ(Window().Document().MemoryImage(), image);

    // OK: the core's band reset reaches the grid and the lists.
    messages_.clear();
    QTest::keyClick(band, Qt::Key_Down);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(band->currentText(), "144 - 146MHZ");
    EXPECT_EQ(Grid().TextMatrix(9, col::kReceive), "");
    EXPECT_EQ(Selected(View(), Setting::Squelch), "4");
    EXPECT_TRUE(Window().IsModified());

    // Same band as in force: nothing is asked. The band in force is still the one of the initial update.
    messages_.clear();
    EXPECT_EQ(View().BandInForce(), 0);
    QTest::keyClick(band, Qt::Key_Up);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(band->currentIndex(), 0);

    // Dropping the list records the band in force; picking that band asks nothing.
    band->setCurrentIndex(1);
    band->showPopup();
    band->hidePopup();
    EXPECT_EQ(View().BandInForce(), 1);
    emit band->activated(1);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ViewTest, StatusBarHintsFollowThePointer) {
    const QString list("Please click the CommBox to choose value"),
        cell("Please Click the cell to edit or input data");
    const std::pair<QWidget*, QString> rows[] = {
        {View().List(Setting::Squelch), list},
        {View().List(Setting::Field)->lineEdit(), list},
        {Grid().viewport(), cell},
        {Grid().horizontalHeader(), cell},
        {View().findChild<QLabel*>(), "For help，please press F1"},
        {&View(), "For help，please press F1"},
    };
    for (const auto& [widget, hint] : rows) {
        ASSERT_NE(widget, nullptr);
        QTest::mouseMove(widget, QPoint(4, 4));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(widget, &enter);
        if (widget == &View()) {
            QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&View(), &move);
        }
        EXPECT_EQ(Window().statusBar()->currentMessage(), hint) << widget->objectName().toStdString();
    }
}

}  // namespace
}  // namespace pm
