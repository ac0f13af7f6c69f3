// The Test Mode dialog driven by real mouse and key events: the tree and its two panels, the fields,
// tone lists and buttons, the slider, Default, Enter, closing; and Start against the virtual radio on a
// pseudo-terminal, with a dialog that does nothing else while the exchange runs.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <array>
#include <deque>
#include <memory>
#include <tuple>

#include <gtest/gtest.h>

#include "core/image/memory_image.h"
#include "core/image/tone.h"
#include "core/link/link_texts.h"
#include "core/testmode/field_frequency.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/editor/channel_view.h"
#include "gui/testmode/testmode_dialog.h"
#include "gui/testmode/tone_box.h"
#include "gui_fixture.h"
#include "sim/pty_host.h"

namespace pm {
namespace {

using Id = TestModeDialog::Control;
namespace code = testmode::code;
using Bytes = std::array<std::uint8_t, 8>;

const Id kFrequencyPanel[] = {Id::RxFreqEdit, Id::TxFreqEdit, Id::RxToneBox, Id::TxToneBox,   Id::RxQt,
                              Id::TxDqt,      Id::RxStep5,    Id::TxStep6,   Id::ReceiveFrame};
const Id kItemPanel[] = {Id::StartButton, Id::Slider, Id::ValueLabel, Id::HighChoice, Id::ChooseFrame};

class TestModeDialogTest : public ::testing::Test {
  protected:
    TestModeDialogTest()
        : answerers_([this](const Message& message) {
              messages_.push_back(Seen(message));
              if (answers_.empty() || message.buttons == Buttons::Ok) return Answer::Ok;
              const Answer answer = answers_.front();
              answers_.pop_front();
              return answer;
          }) {
        Open();
    }

    // A new dialog from the opening state, on the virtual radio when there is one.
    void Open() {
        QStringList tones;
        for (const std::string& tone : ToneTable()) tones << QString::fromStdString(tone);
        dialog_ = std::make_unique<TestModeDialog>(tones);
        dialog_->SetBandBase(testmode::TestBandBase());
        if (radio_) dialog_->SetPort(QString::fromStdString(radio_->Path()));
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }
    void OpenOnRadio(sim::Faults faults = {}) {
        std::string error;
        radio_ = sim::PtyHost::Create(sim::VirtualRadio(NewDocumentImage(), kDefaultModel, std::move(faults)),
                                      {}, error);
        ASSERT_TRUE(radio_) << error;
        radio_->Start();
        Open();
    }

    template <typename W = QWidget>
    W* C(Id id) {
        return qobject_cast<W*>(dialog_->Widget(id));
    }
    QLineEdit* Field(Id id) { return C<QLineEdit>(id); }
    ToneBox* Box(Id id) { return C<ToneBox>(id); }
    bool Checked(Id id) { return C<QRadioButton>(id)->isChecked(); }
    bool Shown(Id id) { return dialog_->Widget(id)->isVisible(); }
    QString Caption() { return C<QGroupBox>(Id::PanelFrame)->title(); }
    QString Position() { return C<QLabel>(Id::ValueLabel)->text(); }

    // A click on the tree item, its branch opened first as the user would.
    void Select(int itemCode) {
        QTreeWidgetItem* item = dialog_->TreeItem(itemCode);
        if (item->parent()) item->parent()->setExpanded(true);
        QTest::mouseClick(dialog_->Tree()->viewport(), Qt::LeftButton, {},
                          dialog_->Tree()->visualItemRect(item).center());
    }
    // A click on the round mark of a radio button, or the middle of a push button.
    void Click(Id id) {
        QWidget* w = dialog_->Widget(id);
        const QPoint at = qobject_cast<QRadioButton*>(w) ? QPoint(6, w->height() / 2) : w->rect().center();
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
    }
    // Types text over the field's contents and presses Enter in it.
    void Enter(Id id, const QString& text) {
        Field(id)->setFocus();
        Field(id)->selectAll();
        QTest::keyClicks(Field(id), text);
        QTest::keyClick(Field(id), Qt::Key_Return);
    }
    // Drops the list, moves to entry and takes it with Enter.
    void Choose(Id id, int entry) {
        Box(id)->showPopup();
        QAbstractItemView* view = Box(id)->view();
        view->setCurrentIndex(view->model()->index(entry, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QApplication::processEvents();  // the close-up is reported after the choice
    }
    // Presses Start and waits for the exchange to end; false when it did not end in time.
    bool StartAndWait() {
        QSignalSpy finished(dialog_.get(), &TestModeDialog::ExchangeFinished);
        Click(Id::StartButton);
        return finished.wait(60000);
    }

    std::vector<SeenMessage> messages_;
    std::deque<Answer> answers_;  // to Retry/Cancel questions; Cancel when none is left
    ScopedAnswerers answerers_;
    std::unique_ptr<sim::PtyHost> radio_;
    std::unique_ptr<TestModeDialog> dialog_;
};

TEST_F(TestModeDialogTest, OpensWithTheTreeAndNoPanel) {
    EXPECT_EQ(dialog_->windowTitle(), "Debug Mode for  ARVOS");
    EXPECT_EQ(Caption(), "Please Choose Frequency first");
    // The tree is the core's table; here only what the dialog adds: which branch starts open.
    EXPECT_TRUE(dialog_->TreeItem(code::kDebugFrequency)->isExpanded());
    EXPECT_FALSE(dialog_->TreeItem(code::kDebugItem)->isExpanded());
    // A branch root changes nothing, not even the Default button.
    Select(code::kDebugItem);
    for (const Id id : kFrequencyPanel) EXPECT_FALSE(Shown(id)) << static_cast<int>(id);
    for (const Id id : kItemPanel) EXPECT_FALSE(Shown(id)) << static_cast<int>(id);
    EXPECT_FALSE(Shown(Id::DefaultButton));
    EXPECT_FALSE(Shown(Id::HiddenDefault));
    EXPECT_TRUE(Shown(Id::Tree));
}

TEST_F(TestModeDialogTest, EachTestFrequencyShowsItsCaptionAndBandValue) {
    const std::array<std::tuple<int, const char*, const char*>, 3> rows = {{
        {code::kMiddleFrequency, "Middle Frequency", "230.00000"},
        {code::kLowFrequency, "Low frequency", "220.00000"},
        {code::kHighFrequency, "High Frequency", "240.00000"},
    }};
    for (const auto& [itemCode, caption, frequency] : rows) {
        SCOPED_TRACE(caption);
        Select(itemCode);
        EXPECT_EQ(Caption(), caption);
        EXPECT_EQ(Field(Id::RxFreqEdit)->text(), frequency);
        EXPECT_EQ(Field(Id::TxFreqEdit)->text(), frequency);
        EXPECT_TRUE(Shown(Id::DefaultButton));
        for (const Id id : kFrequencyPanel) EXPECT_TRUE(Shown(id)) << static_cast<int>(id);
        for (const Id id : kItemPanel) EXPECT_FALSE(Shown(id)) << static_cast<int>(id);
        EXPECT_TRUE(Checked(Id::RxQt) && Checked(Id::TxStep5) && !Checked(Id::TxDqt));
        EXPECT_EQ(Box(Id::TxToneBox)->currentText(), "OFF");
    }
}

TEST_F(TestModeDialogTest, EnterNormalisesByTheFieldsOwnStepAndMovesOn) {
    struct Row {
        Id field;
        Id txStep;  // the receive step stays 5.00 kHz
        const char* typed;
        const char* shown;
        Id next;
    };
    const Row rows[] = {
        {Id::RxFreqEdit, Id::TxStep6, "231.2032", "231.20500", Id::TxFreqEdit},
        {Id::TxFreqEdit, Id::TxStep6, "231.2032", "231.20625", Id::RxToneBox},
    };
    Select(code::kMiddleFrequency);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        Click(row.txStep);
        Enter(row.field, QString::fromLatin1(row.typed));
        EXPECT_EQ(Field(row.field)->text(), row.shown);
        EXPECT_EQ(QApplication::focusWidget(), dialog_->Widget(row.next));
        EXPECT_TRUE(dialog_->isVisible());
    }
}

TEST_F(TestModeDialogTest, FieldsShowTheStoredValueUntilDefaultStoresTheBand) {
    Select(code::kLowFrequency);
    Enter(Id::RxFreqEdit, "225.5");
    Select(code::kHighFrequency);
    Select(code::kLowFrequency);
    EXPECT_EQ(Field(Id::RxFreqEdit)->text(), "220.00000");  // the edit went to the field only

    // Default puts all of Low back: fields, steps, methods, lists and tones.
    Click(Id::RxStep6);
    Click(Id::TxDqt);
    Choose(Id::RxToneBox, 5);
    Field(Id::TxFreqEdit)->setText(QStringLiteral("999"));
    Click(Id::DefaultButton);
    Select(code::kMiddleFrequency);
    Select(code::kLowFrequency);
    EXPECT_EQ(Field(Id::TxFreqEdit)->text(), "220.00000");
    EXPECT_TRUE(Checked(Id::RxStep5) && !Checked(Id::RxStep6));
    EXPECT_TRUE(Checked(Id::TxQt) && !Checked(Id::TxDqt));
    EXPECT_EQ(Box(Id::TxToneBox)->count(), 43);
    EXPECT_EQ(Box(Id::RxToneBox)->currentText(), "OFF");
}

TEST_F(TestModeDialogTest, MethodButtonsSwitchTheToneList) {
    Select(code::kHighFrequency);
    Choose(Id::RxToneBox, 9);
    EXPECT_EQ(Box(Id::RxToneBox)->currentText(), "88.5");

    Click(Id::RxDqt);
    EXPECT_TRUE(!Checked(Id::RxQt) && Checked(Id::RxDqt));
    ASSERT_EQ(Box(Id::RxToneBox)->count(), 168);
    EXPECT_EQ(Box(Id::RxToneBox)->itemText(167), "D311I");
    EXPECT_EQ(Box(Id::RxToneBox)->currentText(), "210.7");
    EXPECT_EQ(Box(Id::TxToneBox)->count(), 43);  // the other side keeps its list

    // The method already checked changes nothing, the list and its selection included.
    Choose(Id::RxToneBox, 12);
    Click(Id::RxDqt);
    EXPECT_TRUE(Checked(Id::RxDqt));
    EXPECT_EQ(Box(Id::RxToneBox)->currentText(), "D031N");

    Click(Id::RxQt);
    EXPECT_FALSE(Checked(Id::RxDqt));
    EXPECT_EQ(Box(Id::RxToneBox)->count(), 43);
    EXPECT_EQ(Box(Id::RxToneBox)->currentText(), "OFF");
    // The stored index moves only when the list closes up: back at High it is still 12, now of the QT list.
    Select(code::kMiddleFrequency);
    Select(code::kHighFrequency);
    EXPECT_EQ(Box(Id::RxToneBox)->currentText(), "97.4");
}

TEST_F(TestModeDialogTest, StepAndChoiceButtonsAreExclusivePairs) {
    Select(code::kMiddleFrequency);
    Click(Id::TxStep6);
    Click(Id::TxStep6);  // clicking the checked one keeps it checked
    EXPECT_TRUE(Checked(Id::TxStep6) && !Checked(Id::TxStep5));
    Select(code::kHighFrequency);
    EXPECT_TRUE(Checked(Id::TxStep5));
    Select(code::kMiddleFrequency);
    EXPECT_TRUE(Checked(Id::TxStep6) && Checked(Id::RxStep5));

    Select(code::kTxPower);
    EXPECT_TRUE(Checked(Id::HighChoice));
    Click(Id::LowChoice);
    Click(Id::LowChoice);
    EXPECT_TRUE(Checked(Id::LowChoice) && !Checked(Id::HighChoice) && !Checked(Id::MiddleChoice));
}

TEST_F(TestModeDialogTest, ItemsKeepTheirOwnSliderValues) {
    Select(code::kMiddleFrequency);
    Select(code::kTxPower);
    EXPECT_EQ(Caption(), "Middle Frequency");  // still names the last test frequency
    for (const Id id : kItemPanel) EXPECT_TRUE(Shown(id)) << static_cast<int>(id);
    for (const Id id : kFrequencyPanel) EXPECT_FALSE(Shown(id)) << static_cast<int>(id);
    EXPECT_EQ(Position(), "Current Position:0");
    Click(Id::DefaultButton);
    EXPECT_EQ(C<QSlider>(Id::Slider)->value(), 47);
    EXPECT_EQ(Position(), "Current Position:47");
    Select(code::kSquelchLevel);
    EXPECT_EQ(Position(), "Current Position:0");
    Click(Id::DefaultButton);
    EXPECT_EQ(Position(), "Current Position:160");

    // The keyboard moves the slider of the item shown, up to 255 and no further.
    Select(code::kLowPowerVoltage);
    QSlider* slider = C<QSlider>(Id::Slider);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(Position(), "Current Position:1");
    QTest::keyClick(slider, Qt::Key_End);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(Position(), "Current Position:255");

    Select(code::kHighFrequency);
    for (const auto& [itemCode, value] :
         {std::pair{code::kTxPower, 47}, std::pair{code::kSquelchLevel, 160},
          std::pair{code::kLowPowerVoltage, 255}, std::pair{code::kTxFrequency, 0}}) {
        Select(itemCode);
        EXPECT_EQ(slider->value(), value);
        EXPECT_EQ(Position(), QStringLiteral("Current Position:%1").arg(value));
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TestModeDialogTest, EnterNeverClosesAndExitDebugEscapeAndCloseBoxDo) {
    Select(code::kMiddleFrequency);
    // Through every tab stop of the frequency panel (Start and the slider are hidden), Default last.
    dialog_->Tree()->setFocus();
    QList<QWidget*> visited;
    for (int i = 0; i < 6; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        visited << focus;
        QTest::keyClick(focus, Qt::Key_Return);
        ASSERT_TRUE(dialog_->isVisible()) << focus->objectName().toStdString();
    }
    const QList<QWidget*> stops = {dialog_->Widget(Id::Tree),       dialog_->Widget(Id::RxFreqEdit),
                                   dialog_->Widget(Id::TxFreqEdit), dialog_->Widget(Id::RxToneBox),
                                   dialog_->Widget(Id::TxToneBox),  dialog_->Widget(Id::DefaultButton)};
    EXPECT_EQ(visited, stops);
    // Enter on Default is Default.
    Field(Id::RxFreqEdit)->setText(QStringLiteral("233"));
    C<QPushButton>(Id::DefaultButton)->setFocus();
    QTest::keyClick(dialog_->Widget(Id::DefaultButton), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Field(Id::RxFreqEdit)->text(), "230.00000");

    // Down from Low Frequency passes the closed "Debug Item" and reaches "Exit Debug", which closes.
    dialog_->Tree()->setFocus();
    dialog_->Tree()->setCurrentItem(dialog_->TreeItem(code::kLowFrequency));
    QTest::keyClick(dialog_->Tree(), Qt::Key_Down);
    EXPECT_TRUE(dialog_->isVisible());
    QTest::keyClick(dialog_->Tree(), Qt::Key_Down);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);

    ASSERT_NO_FATAL_FAILURE(Open());
    Select(code::kExitDebug);
    EXPECT_FALSE(dialog_->isVisible());
    ASSERT_NO_FATAL_FAILURE(Open());
    QTest::keyClick(dialog_->Tree(), Qt::Key_Escape);
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(dialog_->close());
}

TEST_F(TestModeDialogTest, StartSendsTheExampleWhileTheDialogStaysInert) {
    ASSERT_NO_FATAL_FAILURE(OpenOnRadio());
    Select(code::kMiddleFrequency);
    Choose(Id::TxToneBox, 9);  // "88.5"
    Select(code::kTxPower);
    Click(Id::DefaultButton);  // 47

    QSignalSpy finished(dialog_.get(), &TestModeDialog::ExchangeFinished);
    Click(Id::StartButton);
    ASSERT_TRUE(dialog_->IsExchangeRunning());
    EXPECT_FALSE(dialog_->Widget(Id::StartButton)->isEnabled());
    Click(Id::StartButton);  // no second exchange
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->close());
    dialog_->Tree()->setCurrentItem(dialog_->TreeItem(code::kExitDebug));
    EXPECT_TRUE(dialog_->isVisible());
    ASSERT_TRUE(finished.wait(60000));

    EXPECT_EQ(messages_, (std::vector<SeenMessage>{Seen(link::kTestModeDone)}));
    EXPECT_EQ(radio_->TestRecords(),
              (std::vector<sim::TestRecord>{{'t', Bytes{0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x00, 0x23},
                                             Bytes{0x00, 0x00, 0x85, 0x08, 0xFB, 0x01, 0x01, 0x2F}}}));
    EXPECT_TRUE(dialog_->isVisible());
    // The port was let go: Start works again at once, with the same values.
    ASSERT_TRUE(StartAndWait());
    ASSERT_EQ(radio_->TestRecords().size(), 2u);
    EXPECT_EQ(radio_->TestRecords()[1], radio_->TestRecords()[0]);
}

TEST_F(TestModeDialogTest, StartSendsEmptyFieldsTypedTextsAndDqtEntries) {
    ASSERT_NO_FATAL_FAILURE(OpenOnRadio());
    Select(code::kSquelchLevel);
    Click(Id::DefaultButton);     // 160
    ASSERT_TRUE(StartAndWait());  // before any test frequency was shown

    Select(code::kLowFrequency);
    Click(Id::RxDqt);  // "210.7" selected
    Click(Id::TxDqt);
    Choose(Id::TxToneBox, 9);  // "D023N"
    Field(Id::RxFreqEdit)->setText(QStringLiteral("231.20625"));
    Field(Id::TxFreqEdit)->setText(QStringLiteral("1e9"));  // too big for the frame: clamped as Enter would
    Select(code::kTxFrequency);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(
        radio_->TestRecords(),
        (std::vector<sim::TestRecord>{{'s', Bytes{}, Bytes{0x00, 0x00, 0x00, 0x00, 0xFB, 0x01, 0x01, 0xA0}},
                                      {'q', Bytes{0x25, 0x06, 0x12, 0x23, 0x00, 0x00, 0x00, 0x24},
                                       Bytes{0x07, 0x21, 0x00, 0x00, 0xFB, 0x01, 0x01, 0x00}}}));
}

TEST_F(TestModeDialogTest, RetryStartsOverAndCancelLetsThePortGo) {
    const SeenMessage error = Seen(link::kTestModeError);
    const SeenMessage done = Seen(link::kTestModeDone);
    // The exchange's own steps are the core's; the dialog asks the question and obeys the answer.
    const std::array<std::tuple<sim::TestFrame, Answer, std::vector<SeenMessage>, std::size_t>, 2> rows = {{
        {sim::TestFrame::Value, Answer::Retry, {error, done}, 2},  // value frames the radio received
        {sim::TestFrame::Frequency, Answer::Cancel, {error}, 0},
    }};
    for (const auto& [silentAfter, answer, seen, records] : rows) {
        SCOPED_TRACE(static_cast<int>(silentAfter));
        sim::Faults faults;
        faults.testSilentAfter = silentAfter;
        faults.testSilentTimes = 1;
        ASSERT_NO_FATAL_FAILURE(OpenOnRadio(faults));
        messages_.clear();
        answers_ = {answer};
        Select(code::kLowPowerVoltage);
        ASSERT_TRUE(StartAndWait());
        EXPECT_EQ(messages_, seen);
        EXPECT_EQ(radio_->TestRecords().size(), records);
    }
    // After Cancel the port is closed: the next Start opens it and, the fault spent, succeeds.
    messages_.clear();
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(messages_, (std::vector<SeenMessage>{done}));

    // A port that will not open: the message, and the dialog stays open for another try.
    messages_.clear();
    dialog_->SetPort(QStringLiteral("/nonexistent/ttyTEST"));
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(messages_, (std::vector<SeenMessage>{Seen(link::kOpenFailed)}));
    EXPECT_TRUE(dialog_->isVisible() && dialog_->Widget(Id::StartButton)->isEnabled());
}

class TestModeCommand : public GuiTest {};

// The command builds a new dialog each time: nothing of the last opening survives, the port is the view's.
TEST_F(TestModeCommand, EveryOpeningStartsFromTheDefaults) {
    ASSERT_TRUE(Start());
    View().SetPort(QStringLiteral("/dev/ttyUSB7"));
    QStringList seen;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TestModeDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
                return;
            }
            dialog->Tree()->setCurrentItem(dialog->TreeItem(code::kTxPower));
            auto* slider = qobject_cast<QSlider*>(dialog->Widget(TestModeDialog::Control::Slider));
            seen << QStringLiteral("%1 %2").arg(dialog->Port()).arg(slider->value());
            slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
            dialog->Tree()->setCurrentItem(dialog->TreeItem(code::kExitDebug));
        });
        Window().Action(Command::TestMode)->trigger();
    }
    EXPECT_EQ(seen, (QStringList{"/dev/ttyUSB7 0", "/dev/ttyUSB7 0"}));
}

}  // namespace
}  // namespace pm
