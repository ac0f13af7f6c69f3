// Undo and redo: one step per user action, whole images back; the saved state is the clean one.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include "gui/app/edit_commands.h"
#include "gui/csv/csv_commands.h"
#include "link_gui_fixture.h"

namespace pm {
namespace {

using namespace guilink;

class Undo : public Transfer {
  protected:
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        Activate();
        Grid().setFocus();
        QTest::keyClick(&Grid(), key, modifiers);
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
};

TEST_F(Undo, EveryChangeIsOneStepOfWholeImages) {
    Image plan =
        PlanImage({{1, col::kReceive, "145.5"}, {2, col::kReceive, "146.0"}, {3, col::kReceive, "144.8"}});
    plan[kRowSize * 5 + 15] = 0x33;  // a byte that nothing shows, in a channel record
    RadioOnPty radio(test::PatternImage(7));
    QFile csv(PathOf("plan.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly) &&
                csv.write("Channel,Receive(MHz),Transmit(MHz)\n1,147.00000,147.00000\n") > 0 && csv.flush());
    ScopedCsvChooser chooser([this](bool, const QString&) {
        return CsvChoice{PathOf("plan.csv"), CsvLayout::Native};
    });

    struct Row {
        const char* step;
        std::function<void()> act;
    };
    // clang-format off
    const Row rows[] = {
        {"Edit Channel 3", [&] { ClickCell(3, col::kReceive); QTest::keyClicks(Focus(), "146.5"); ClickCell(9, 1); }},
        {"Edit Channel 1", [&] { ClickCell(1, col::kReceive); QTest::keyClick(Focus(), Qt::Key_Delete);  // cleared
                                 QTest::keyClick(Focus(), Qt::Key_Return); }},
        {"Change Squelch Level", [&] { QTest::keyClick(View().List(Setting::Squelch), Qt::Key_Down); }},
        {"Band Change", [&] { answers_ = {Answer::Ok}; QTest::keyClick(View().List(Setting::Field), Qt::Key_Down); }},
        {"Import CSV", [&] { QTimer::singleShot(0, [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->accept(); });
                             Window().findChild<QAction*>("actionImportCsv")->trigger(); }},
        {"Read From Radio", [&] { Trigger(Command::ReadFromRadio); ASSERT_TRUE(StartAndWait()); }},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        OpenPlan(plan, &radio);
        EXPECT_FALSE(Window().Action(Command::EditUndo)->isEnabled());  // Open starts an empty history
        const Image before = View().EncodedImage();
        row.act();
        const Image after = View().EncodedImage();
        ASSERT_NE(after, before);
        EXPECT_EQ(Window().Action(Command::EditUndo)->text(),
                  QStringLiteral("&Undo %1\tCtrl+Z").arg(row.step));
        EXPECT_TRUE(Window().IsModified());
        Key(Qt::Key_Z);
        EXPECT_EQ(Window().Document().MemoryImage(), before);
        EXPECT_EQ(View().EncodedImage(), before);
        EXPECT_FALSE(Window().IsModified());
        EXPECT_EQ(Window().Action(Command::EditRedo)->text(),
                  QStringLiteral("&Redo %1\tCtrl+Y").arg(row.step));
        Key(Qt::Key_Y);
        EXPECT_EQ(View().EncodedImage(), after);
        Key(Qt::Key_Z);
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(View().EncodedImage(), after);
        EXPECT_EQ(Window().Edits().History().count(), 1);
    }
    // An undone band change puts its band back in force: changing it again asks again.
    messages_.clear();
    Key(Qt::Key_Z);
    EXPECT_EQ(messages_.size(), 0u);
    answers_ = {Answer::Cancel};
    QTest::keyClick(View().List(Setting::Field), Qt::Key_Down);
    EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(kMsgBandChange)});
}

TEST_F(Undo, TheSavedStateIsTheCleanOne) {
    OpenPlan(PlanImage({{1, col::kReceive, "145.5"}}), nullptr);
    QTest::keyClick(View().List(Setting::Squelch), Qt::Key_Down);
    chosenFiles_ = {PathOf("saved.sin")};
    ASSERT_TRUE(Window().OnFileSaveAs());
    EXPECT_FALSE(Window().IsModified());
    SettingCombo* squelch = View().List(Setting::Squelch);
    squelch->setFocus();
    QTest::keyClick(squelch, Qt::Key_Down);
    EXPECT_TRUE(Window().IsModified());
    // Ctrl+Z in a list of the form is the document's undo, not the list's own text undo.
    QTest::keyClick(squelch, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(Window().IsModified());  // back to what was saved
    Key(Qt::Key_Z);                       // beyond it
    EXPECT_TRUE(Window().IsModified());
    QTest::keyClick(squelch, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(Window().IsModified());

    // An emptied channel keeps its bytes through Sort and Undo: the saved plan, and no unsaved mark.
    OpenPlan(PlanImage({{1, col::kReceive, "146.0"}, {2, col::kReceive, "145.5"}}), nullptr);
    Grid().GoTo(1, col::kReceive);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(Window().FileLabel()->text(), "plan.sin *");
    chosenFiles_ = {PathOf("emptied.sin")};
    ASSERT_TRUE(Window().OnFileSaveAs());
    EXPECT_EQ(Window().FileLabel()->text(), "emptied.sin");
    Window().Edits().SortByReceive();
    EXPECT_EQ(Window().FileLabel()->text(), "emptied.sin *");
    Window().Edits().Undo();
    EXPECT_FALSE(Window().IsModified());
    EXPECT_EQ(Window().FileLabel()->text(), "emptied.sin");
}

}  // namespace
}  // namespace pm
