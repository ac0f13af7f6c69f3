// Read From Radio and Write To Radio from the menus, against the virtual radio on a pseudo-terminal:
// the progress dialog, what reaches the radio and the grid, the questions, cancelling, and what the
// window refuses while a transfer runs.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/image/channel_table.h"
#include "core/image/codec.h"
#include "core/link/link_texts.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/editor/cell_editors.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
#include "gui/link/transfer_dialog.h"
#include "gui/link/transfer_commands.h"
#include "gui_fixture.h"
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
    ASSERT_NE(Dialog(), nullptr);
    TransferDialog* first = Dialog();
    EXPECT_EQ(first->windowTitle(), Q(link::kWriteCaption));
    Trigger(Command::ReadFromRadio);
    EXPECT_EQ(Dialog(), first);
    EXPECT_EQ(first->windowTitle(), Q(link::kReadCaption));  // never "Writing" over a read
    EXPECT_EQ(Window().statusBar()->currentMessage(), "Start reads the radio into the document.");
    EXPECT_FALSE(commands_->IsWrite());

    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Done);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(planRadio.Events(Kind::Read).size(), 256u);
    EXPECT_TRUE(planRadio.Events(Kind::Write).empty());
    EXPECT_EQ(Window().Document().MemoryImage(), memory);
    StringTable expected;
    SettingSelections lists;
    DecodeImage(memory, expected, lists);
    EXPECT_EQ(GridTexts(View().Table()), GridTexts(expected));
    EXPECT_EQ(View().List(Setting::Squelch)->currentIndex(), 6);

    QStringList expectedStatuses{Q(link::kStatusDetecting), Q(link::kStatusWaiting)};
    expectedStatuses << Counts(251);
    EXPECT_EQ(statuses_, expectedStatuses);
    std::vector<int> expectedPositions;
    for (int i = 1; i <= 251; ++i) expectedPositions.push_back(i);
    EXPECT_EQ(positions_, expectedPositions);
    EXPECT_TRUE(Window().Action(Command::FileNew)->isEnabled());
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
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Done);
    EXPECT_TRUE(messages_.empty());
    const Image sent = View().EncodedImage();
    const Image held = radio.Host().Memory();
    EXPECT_TRUE(std::equal(held.begin(), held.begin() + 0x7D8, sent.begin()));
    EXPECT_TRUE(std::equal(held.begin() + 0x7D8, held.end(), before.begin() + 0x7D8));
    EXPECT_EQ(Window().Document().MemoryImage(), sent);

    QStringList expectedStatuses{Q(link::kStatusDetecting), Q(link::kStatusWaiting)};
    expectedStatuses << Counts(250);
    EXPECT_EQ(statuses_, expectedStatuses);
    ASSERT_EQ(positions_.size(), 251u);
    EXPECT_EQ(positions_[249], 250);
    EXPECT_EQ(positions_.back(), 251);
    EXPECT_EQ(Window().statusBar()->currentMessage(), "Write complete: all 251 blocks are in the radio.");
}

TEST_F(Transfer, CancelBeforeStartClosesWithoutTouchingThePort) {
    RadioOnPty radio(SecondPlan());
    OpenPlan(PlanImage({}), &radio);
    struct Way {
        const char* name;
        void (*cancel)(TransferDialog&);
    };
    const Way ways[] = {
        {"Cancel button", [](TransferDialog& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); }},
        {"Esc", [](TransferDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](TransferDialog& d) { d.close(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Trigger(Command::ReadFromRadio);
        ASSERT_NE(Dialog(), nullptr);
        EXPECT_EQ(Dialog()->StatusText(), "   Not start yet");
        EXPECT_EQ(Dialog()->Pos(), 0);
        EXPECT_TRUE(Dialog()->StartButton()->isEnabled());
        way.cancel(*Dialog());
        QApplication::processEvents();
        EXPECT_EQ(Dialog(), nullptr);
    }
    EXPECT_TRUE(radio.Host().Events().empty());
    EXPECT_FALSE(commands_->IsRunning());
}

TEST_F(Transfer, StartCommitsTheEditorAndCancelBehindItsMessageStartsNothing) {
    RadioOnPty radio(SecondPlan());
    OpenPlan(PlanImage({}), &radio);
    Trigger(Command::WriteToRadio);
    // Typed after the command: Start commits it, and its check complains.
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
    Watch();
    QSignalSpy ended(commands_, &TransferCommands::TransferEnded);
    QTest::mouseClick(Dialog()->StartButton(), Qt::LeftButton);
    EXPECT_FALSE(Dialog()->StartButton()->isEnabled());
    ASSERT_TRUE(WaitForPosition(20));

    for (Command id : {Command::FileNew, Command::FileOpen}) EXPECT_FALSE(Window().Action(id)->isEnabled());
    EXPECT_FALSE(Window().OnFileNew());
    EXPECT_FALSE(Window().close());  // "Keep Running"
    EXPECT_TRUE(Window().isVisible());
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
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_LT(radio.Events(Kind::Read).size(), 256u);
    EXPECT_TRUE(radio.Events(Kind::Write).empty());
    EXPECT_EQ(Window().Document().MemoryImage(), image);
    EXPECT_EQ(GridTexts(View().Table()), grid);
    EXPECT_EQ(Window().Document().PathName(), file);
    EXPECT_TRUE(messages_.empty());
    for (Command id : {Command::FileNew, Command::FileOpen}) EXPECT_TRUE(Window().Action(id)->isEnabled());
    EXPECT_EQ(Window().statusBar()->currentMessage(), "Read cancelled: nothing changed.");
}

TEST_F(Transfer, FailedReadLeavesGridAndImageAsTheyWere) {
    struct Row {
        const char* name;
        sim::BlockFault fault;
        Message message;
    };
    const Row rows[] = {
        {"short reply", {sim::BlockFaultKind::ShortReply, 40, 6}, link::kNotEnoughBytes},
        {"acknowledgement refused", {sim::BlockFaultKind::ReadNak, 40, 0}, link::kReadAckError},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Faults faults;
        faults.blocks = {row.fault};
        RadioOnPty radio(SecondPlan(), kDefaultModel, faults);
        OpenPlan(PlanImage({{3, col::kReceive, "145.5"}}), &radio);
        const Image image = Window().Document().MemoryImage();
        const std::vector<std::string> grid = GridTexts(View().Table());
        messages_.clear();

        Trigger(Command::ReadFromRadio);
        ASSERT_TRUE(StartAndWait());
        EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(row.message)});
        ASSERT_FALSE(choices_.empty());  // then the outcome, with the message as its cause
        EXPECT_EQ(choices_.back().text + choices_.back().detail,
                  "Read failed: nothing changed.Cause: " + Q(row.message.text));
        EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Failed);
        EXPECT_EQ(Dialog(), nullptr);
        EXPECT_EQ(Window().Document().MemoryImage(), image);
        EXPECT_EQ(GridTexts(View().Table()), grid);
    }
}

TEST_F(Transfer, QuestionsOfTheWriteAreAnsweredInMessageBoxes) {
    struct Row {
        const char* name;
        std::uint8_t model;
        sim::Faults faults;
        Answer answer;
        Message question;
        bool written;
        std::size_t wakeUps;
    };
    sim::Faults lostConfirmation;
    lostConfirmation.ignoreConfirmations = 1;
    const Row rows[] = {
        {"communication error, Retry", kDefaultModel, lostConfirmation, Answer::Retry,
         link::kCommunicationError, true, 2},
        {"communication error, Cancel", kDefaultModel, lostConfirmation, Answer::Cancel,
         link::kCommunicationError, false, 1},
        {"other model, OK", 0x42, {}, Answer::Ok, link::kModelMismatch, true, 2},
        {"other model, Cancel", 0x42, {}, Answer::Cancel, link::kModelMismatch, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Image before = test::PatternImage(3);
        RadioOnPty radio(before, row.model, row.faults);
        OpenPlan(SecondPlan(), &radio);
        messages_.clear();
        answers_ = {row.answer};

        Trigger(Command::WriteToRadio);
        ASSERT_TRUE(StartAndWait());
        EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(row.question)});
        EXPECT_EQ(Dialog(), nullptr);
        EXPECT_EQ(radio.Events(Kind::WakeUp).size(), row.wakeUps);
        const Image held = radio.Host().Memory();
        if (row.written) {
            EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Done);
            const Image sent = View().EncodedImage();
            EXPECT_TRUE(std::equal(held.begin(), held.begin() + 0x7D8, sent.begin()));
        } else {
            EXPECT_NE(commands_->LastOutcome().result, LinkResult::Done);
            EXPECT_TRUE(radio.Events(Kind::Write).empty());
            EXPECT_EQ(held, before);
        }
    }
}

TEST_F(Transfer, APortThatDoesNotOpenIsReportedAndEndsTheTransfer) {
    OpenPlan(SecondPlan(), nullptr);
    View().SetPort(PathOf(QStringLiteral("no-such-tty")));
    const Image image = Window().Document().MemoryImage();
    Trigger(Command::ReadFromRadio);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(messages_, std::vector<SeenMessage>{Seen(link::kOpenFailed)});
    EXPECT_EQ(commands_->LastOutcome().result, LinkResult::Failed);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Window().Document().MemoryImage(), image);
    EXPECT_TRUE(Window().Action(Command::FileOpen)->isEnabled());
}

}  // namespace
}  // namespace pm
