// Read From Radio and Write To Radio from the menus, against the virtual radio on a pseudo-terminal:
// the progress dialog, what reaches the radio and the grid, the questions, cancelling, and what the
// window refuses while a transfer runs.

#include <QAction>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <numeric>

#include "core/image/document.h"
#include "gui/editor/cell_editors.h"
#include "link_gui_fixture.h"

namespace pm {
namespace {

using namespace guilink;

TEST_F(Transfer, ReadShowsTheRadioAfterTheDirectionWasChangedInAnOpenDialog) {
    // A plan in the channel rows, and bytes of the radio's own in the last rows that no write reaches.
    Image memory = SecondPlan();
    const Image pattern = test::PatternImage(5);
    std::copy(pattern.begin() + 0x7E0, pattern.end(), memory.begin() + 0x7E0);
    RadioOnPty planRadio(memory);
    OpenPlan(PlanImage({{3, col::kReceive, "145.5"}}), &planRadio);

    Trigger(Command::WriteToRadio);
    TransferDialog* first = Dialog();
    ASSERT_NE(first, nullptr);
    Trigger(Command::ReadFromRadio);
    EXPECT_EQ(Dialog(), first);
    EXPECT_EQ(first->windowTitle(), Q(link::kReadCaption));  // never "Writing" over a read
    EXPECT_EQ(Window().statusBar()->currentMessage(), "Start reads the radio into the document.");
    EXPECT_FALSE(commands_->IsWrite());
    EXPECT_TRUE(commands_->AdapterLabel()->isHidden()) << "nothing to say of a device before it is used";

    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Done);
    EXPECT_FALSE(commands_->AdapterLabel()->isHidden());
    EXPECT_EQ(commands_->AdapterLabel()->text(), "pseudo-terminal");
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(planRadio.Events(Kind::Write).empty());
    EXPECT_EQ(Window().Document().MemoryImage(), memory);
    EditorState expected = DecodeToState(memory);
    EXPECT_EQ(GridTexts(View().Table()), GridTexts(expected.table));
    EXPECT_EQ(View().List(Setting::Squelch)->currentIndex(), 6);

    EXPECT_EQ(statuses_, Statuses(251));
    std::vector<int> expectedPositions(251);
    std::iota(expectedPositions.begin(), expectedPositions.end(), 1);
    EXPECT_EQ(positions_, expectedPositions);
}

TEST_F(Transfer, WriteSendsTheViewWithTheOpenEditorCommitted) {
    const Image before = test::PatternImage(9);
    RadioOnPty radio(before);
    OpenPlan(SecondPlan(), &radio);
    // A frequency still being typed when the command comes belongs to what is written.
    View().Grid().SetRow(4);
    View().Grid().SetCol(col::kReceive);
    View().BeginCellEdit('1');
    QTest::keyClicks(View().Editors().TextEditor(), QStringLiteral("47.3"));
    Trigger(Command::ReadFromRadio);
    Trigger(Command::WriteToRadio);
    EXPECT_EQ(View().Table().Text(4, col::kReceive), "147.30000");
    EXPECT_EQ(Dialog()->windowTitle(), Q(link::kWriteCaption));  // never "Reading" over a write

    ASSERT_TRUE(StartAndWait());
    EXPECT_TRUE(messages_.empty());
    Image sent = View().EncodedImage();
    EXPECT_EQ(Window().Document().MemoryImage(), sent);
    std::copy(before.begin() + 0x7D8, before.end(), sent.begin() + 0x7D8);  // the rows no write reaches
    EXPECT_EQ(radio.Host().Memory(), sent);

    EXPECT_EQ(statuses_, Statuses(250));  // the bar still reaches 251
    ASSERT_EQ(positions_.size(), 251u);
    EXPECT_EQ(positions_.back(), 251);
    EXPECT_EQ(Window().OutcomeLabel()->text(), "Write complete: all 251 blocks are in the radio.");
}

TEST_F(Transfer, CancelBeforeStartOrBehindTheEditorsMessageNeverTouchesThePort) {
    RadioOnPty radio(SecondPlan());
    OpenPlan(PlanImage({}), &radio);
    const std::pair<const char*, void (*)(TransferDialog&)> ways[] = {
        {"Cancel button", [](TransferDialog& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); }},
        {"Esc", [](TransferDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](TransferDialog& d) { d.close(); }},
    };
    for (const auto& [name, cancel] : ways) {
        SCOPED_TRACE(name);
        Trigger(Command::ReadFromRadio);
        ASSERT_NE(Dialog(), nullptr);
        EXPECT_EQ(Dialog()->StatusText(), "   Not start yet");
        cancel(*Dialog());
        QApplication::processEvents();
        EXPECT_EQ(Dialog(), nullptr);
    }
    // Typed after the command: Start commits it, its check complains, and Cancel behind that starts nothing.
    Trigger(Command::WriteToRadio);
    View().Grid().SetRow(4);
    View().Grid().SetCol(col::kReceive);
    View().BeginCellEdit('5');
    std::vector<std::string> seen;
    const ScopedAnswerers cancelling([&](const Message& message) {
        seen.emplace_back(message.text);
        if (Dialog()) Dialog()->reject();
        return Answer::Ok;
    });
    QTest::mouseClick(Dialog()->StartButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(seen, std::vector<std::string>{"Error Data Format，Please input again"});
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_FALSE(commands_->IsRunning());
    EXPECT_TRUE(Window().Action(Command::FileNew)->isEnabled());
    EXPECT_TRUE(radio.Host().Events().empty());  // no worker was started that could reach the port
}

TEST_F(Transfer, WhileReadingTheWindowRefusesToCloseThenCancelKeepsEverything) {
    RadioOnPty radio(SecondPlan());
    OpenPlan(PlanImage({{3, col::kReceive, "145.5"}}), &radio);
    const Image image = Window().Document().MemoryImage();
    const std::vector<std::string> grid = GridTexts(View().Table());
    const QString file = Window().Document().PathName();

    Trigger(Command::ReadFromRadio);
    QSignalSpy ended(commands_, &TransferCommands::TransferEnded);
    QTest::mouseClick(Dialog()->StartButton(), Qt::LeftButton);
    EXPECT_FALSE(Dialog()->StartButton()->isEnabled());
    ASSERT_TRUE(WaitForPosition(20));
    EXPECT_EQ(Window().statusBar()->currentMessage(), "Reading the radio...");

    for (Command id : {Command::FileNew, Command::FileOpen}) EXPECT_FALSE(Window().Action(id)->isEnabled());
    EXPECT_FALSE(Window().OnFileNew());
    EXPECT_FALSE(Window().close());  // "Keep Running"
    EXPECT_EQ(Window().statusBar()->currentMessage(), QString::fromLatin1(TransferCommands::kBusyText));
    // The rest of the window keeps working; a port chosen now serves the next transfer.
    Trigger(Command::PortCom3);
    EXPECT_EQ(View().Port(), "COM3");
    Trigger(Command::WriteToRadio);
    EXPECT_EQ(Dialog()->windowTitle(), Q(link::kReadCaption));

    QTest::mouseClick(Dialog()->CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(Dialog() && Dialog()->isVisible());  // until the transfer reaches its next stop
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Cancelled);
    EXPECT_LT(radio.Events(Kind::Read).size(), 256u);
    EXPECT_EQ(Window().Document().MemoryImage(), image);
    EXPECT_EQ(GridTexts(View().Table()), grid);
    EXPECT_EQ(Window().Document().PathName(), file);
    EXPECT_TRUE(messages_.empty());
    for (Command id : {Command::FileNew, Command::FileOpen}) EXPECT_TRUE(Window().Action(id)->isEnabled());
    EXPECT_EQ(Window().OutcomeLabel()->text(), "Read cancelled: nothing changed.");
}

// Which message a fault brings is the link's business; here, that it is shown, then the outcome with it.
TEST_F(Transfer, FailedReadLeavesGridAndImageAsTheyWere) {
    sim::Faults faults;
    faults.blocks = {{sim::BlockFaultKind::ReadNak, 40, 0}};
    RadioOnPty radio(SecondPlan(), kDefaultModel, faults);
    OpenPlan(PlanImage({{3, col::kReceive, "145.5"}}), &radio);
    const Image image = Window().Document().MemoryImage();
    const std::vector<std::string> grid = GridTexts(View().Table());
    Trigger(Command::ReadFromRadio);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(link::kReadAckError)});
    ASSERT_EQ(choices_.size(), 1u);
    EXPECT_EQ(choices_[0].text + choices_[0].detail,
              "Read failed: nothing changed.Cause: " + Q(link::kReadAckError.text));
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Failed);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Window().Document().MemoryImage(), image);
    EXPECT_EQ(GridTexts(View().Table()), grid);
}

// Which question comes when, and what each answer does, is the session's; here, that the box answers it.
TEST_F(Transfer, QuestionsOfTheWriteAreAnsweredInMessageBoxes) {
    const Image before = test::PatternImage(3);
    RadioOnPty radio(before, 0x42);  // another model
    OpenPlan(SecondPlan(), &radio);
    answers_ = {Answer::Cancel};
    Trigger(Command::WriteToRadio);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(link::kModelMismatch)});
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_NE(commands_->LastOutcome().result, LinkResult::Done);
    EXPECT_TRUE(radio.Events(Kind::Write).empty());
    EXPECT_EQ(radio.Host().Memory(), before);
}

}  // namespace
}  // namespace pm
