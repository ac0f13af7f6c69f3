// The Test Mode dialog under real mouse and key events, and Start against the virtual radio. The rules behind
// what it shows (band, steps, tone lists, defaults, frames) are the core's; here, that it keeps and sends
// them.

#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTreeWidget>

#include <array>
#include <optional>

#include "core/image/tone.h"
#include "core/link/link_texts.h"
#include "core/link/traced_port.h"
#include "core/testmode/field_frequency.h"
#include "gui/testmode/testmode_dialog.h"
#include "gui/testmode/tone_box.h"
#include "gui_fixture.h"
#include "tests/support/radio_fixture.h"

namespace pm {
namespace {

using Id = TestModeDialog::Control;
namespace code = testmode::code;
using Bytes = std::array<std::uint8_t, 8>;

const auto kQtCount = std::ssize(testmode::ToneList(testmode::ToneMethod::Qt));

// Messages are answered by GuiTest: from answers_, then Ok.
class TestModeDialogTest : public GuiTest {
  protected:
    TestModeDialogTest() { Open(); }

    // A new dialog from the opening state, on the virtual radio when there is one.
    void Open(std::optional<sim::Faults> faults = std::nullopt) {
        if (faults) radio_ = std::make_unique<test::RadioOnPty>(NewDocumentImage(), kDefaultModel, *faults);
        QStringList tones;
        for (const std::string& tone : ToneTable()) tones << QString::fromStdString(tone);
        dialog_ = std::make_unique<TestModeDialog>(tones);
        dialog_->SetBandBase(testmode::TestBandBase());
        if (radio_) dialog_->SetPort(QString::fromStdString(radio_->Path()));
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    template <typename W = QWidget>
    W* C(Id id) {
        return qobject_cast<W*>(dialog_->Widget(id));
    }
    QString Text(Id id) { return C<QLineEdit>(id)->text(); }
    ToneBox* Box(Id id) { return C<ToneBox>(id); }
    bool Checked(Id id) { return C<QRadioButton>(id)->isChecked(); }

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
        C<QLineEdit>(id)->setFocus();
        C<QLineEdit>(id)->selectAll();
        QTest::keyClicks(dialog_->Widget(id), text);
        QTest::keyClick(dialog_->Widget(id), Qt::Key_Return);
    }
    // Drops the list, moves to entry and takes it with Enter.
    void Choose(Id id, int entry) {
        Box(id)->showPopup();
        Box(id)->view()->setCurrentIndex(Box(id)->view()->model()->index(entry, 0));
        QTest::keyClick(Box(id)->view(), Qt::Key_Return);
        QApplication::processEvents();  // the close-up is reported after the choice
    }
    // Presses Start and waits for the exchange to end; false when it did not end in time.
    bool StartAndWait() {
        QSignalSpy finished(dialog_.get(), &TestModeDialog::ExchangeFinished);
        Click(Id::StartButton);
        return finished.wait(120000);
    }
    std::unique_ptr<test::RadioOnPty> radio_;
    std::unique_ptr<TestModeDialog> dialog_;
};

TEST_F(TestModeDialogTest, EachSelectionShowsItsPanelAndItemsKeepTheirValues) {
    enum Panel { kNone, kFrequency, kItem };
    const struct {
        const char* name;
        int select;
        const char* caption;
        Panel panel;
    } rows[] = {
        {"branch_root_changes_nothing", code::kDebugItem, "Please Choose Frequency first", kNone},
        {"test_frequency", code::kMiddleFrequency, "Middle Frequency", kFrequency},
        {"item_keeps_the_last_frequency_caption", code::kTxPower, "Middle Frequency", kItem},
    };
    for (const auto& row : rows) {
        Select(row.select);
        EXPECT_EQ(C<QGroupBox>(Id::PanelFrame)->title(), row.caption) << row.name;
        for (const Id id : {Id::RxFreqEdit, Id::TxToneBox, Id::RxQt, Id::TxStep6, Id::ReceiveFrame})
            EXPECT_EQ(dialog_->Widget(id)->isVisible(), row.panel == kFrequency) << row.name;
        for (const Id id : {Id::StartButton, Id::Slider, Id::ValueLabel, Id::HighChoice})
            EXPECT_EQ(dialog_->Widget(id)->isVisible(), row.panel == kItem) << row.name;
        EXPECT_EQ(dialog_->Widget(Id::DefaultButton)->isVisible(), row.panel != kNone) << row.name;
    }
    // Each item keeps its own slider value; the keyboard moves it up to 255 and no further.
    Click(Id::DefaultButton);
    Select(code::kLowPowerVoltage);
    C<QSlider>(Id::Slider)->setFocus();
    QTest::keyClick(dialog_->Widget(Id::Slider), Qt::Key_End);
    QTest::keyClick(dialog_->Widget(Id::Slider), Qt::Key_Right);
    for (const auto& [itemCode, value] : {std::pair{code::kTxPower, 47}, std::pair{code::kTxFrequency, 0},
                                          std::pair{code::kLowPowerVoltage, 255}}) {
        Select(itemCode);
        EXPECT_EQ(C<QLabel>(Id::ValueLabel)->text(), QStringLiteral("Current Position:%1").arg(value));
    }
}

TEST_F(TestModeDialogTest, EachTestFrequencyKeepsFieldsStepsMethodsAndTonesUntilDefault) {
    Select(code::kLowFrequency);
    Click(Id::TxStep6);
    // Enter normalises a field by its own side's step and moves on; it changes the field only.
    Enter(Id::RxFreqEdit, "231.2032");
    Enter(Id::TxFreqEdit, "231.2032");
    EXPECT_EQ(Text(Id::RxFreqEdit) + " " + Text(Id::TxFreqEdit), "231.20500 231.20625");
    Click(Id::TxDqt);
    EXPECT_EQ(Box(Id::TxToneBox)->count(), std::ssize(testmode::ToneList(testmode::ToneMethod::Dqt)));
    // The other method refills the list; the index kept is the one chosen when the list last closed up.
    Click(Id::RxDqt);
    Choose(Id::RxToneBox, 12);
    Click(Id::RxQt);
    EXPECT_EQ(Box(Id::RxToneBox)->count(), kQtCount);
    EXPECT_EQ(Box(Id::RxToneBox)->currentIndex(), 0);

    Select(code::kHighFrequency);
    EXPECT_TRUE(Checked(Id::TxStep5) && Checked(Id::TxQt) && Box(Id::RxToneBox)->currentIndex() == 0);
    Select(code::kLowFrequency);
    EXPECT_EQ(Text(Id::RxFreqEdit), "220.00000");
    EXPECT_TRUE(Checked(Id::TxStep6) && Checked(Id::TxDqt) && Checked(Id::RxQt));
    EXPECT_EQ(Box(Id::RxToneBox)->currentIndex(), 12);
    C<QLineEdit>(Id::TxFreqEdit)->setText(QStringLiteral("999"));
    Click(Id::DefaultButton);
    EXPECT_EQ(Text(Id::TxFreqEdit), "220.00000");
    Select(code::kHighFrequency);
    Select(code::kLowFrequency);
    EXPECT_TRUE(Checked(Id::TxStep5) && Checked(Id::TxQt) && Box(Id::RxToneBox)->currentIndex() == 0);
    EXPECT_EQ(Box(Id::TxToneBox)->count(), kQtCount);
}

TEST_F(TestModeDialogTest, EnterNeverClosesButExitDebugDoes) {
    Select(code::kMiddleFrequency);
    C<QLineEdit>(Id::RxFreqEdit)->setText(QStringLiteral("233"));
    // Enter walks the panel's tab stops (Start and the slider are hidden) and, on Default, presses it.
    dialog_->Tree()->setFocus();
    for (const Id stop :
         {Id::Tree, Id::RxFreqEdit, Id::TxFreqEdit, Id::RxToneBox, Id::TxToneBox, Id::DefaultButton}) {
        ASSERT_EQ(QApplication::focusWidget(), dialog_->Widget(stop)) << int(stop);
        QTest::keyClick(dialog_->Widget(stop), Qt::Key_Return);
    }
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(Text(Id::RxFreqEdit), "230.00000");

    // Down from Low Frequency passes the closed "Debug Item" and reaches "Exit Debug", which closes.
    dialog_->Tree()->setFocus();
    dialog_->Tree()->setCurrentItem(dialog_->TreeItem(code::kLowFrequency));
    QTest::keyClick(dialog_->Tree(), Qt::Key_Down);
    EXPECT_TRUE(dialog_->isVisible());
    QTest::keyClick(dialog_->Tree(), Qt::Key_Down);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
}

TEST_F(TestModeDialogTest, StartSendsWhatTheDialogHoldsWhileTheDialogStaysInert) {
    Open(sim::Faults{});
    const auto trace = std::make_shared<SerialTrace>();
    dialog_->SetTrace(trace);
    Select(code::kMiddleFrequency);
    Choose(Id::TxToneBox, 9);  // "88.5"
    Select(code::kTxPower);
    Click(Id::DefaultButton);  // 47
    QSignalSpy finished(dialog_.get(), &TestModeDialog::ExchangeFinished);
    Click(Id::StartButton);
    ASSERT_TRUE(dialog_->IsExchangeRunning());
    Click(Id::StartButton);  // no second exchange
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog_->close());
    dialog_->Tree()->setCurrentItem(dialog_->TreeItem(code::kExitDebug));
    EXPECT_TRUE(dialog_->isVisible());
    ASSERT_TRUE(finished.wait(120000));
    EXPECT_EQ(messages_, (std::vector<SeenMessage>{Seen(link::kTestModeDone)}));
    EXPECT_NE(trace->Text().find("-> 74  t"), std::string::npos) << trace->Text();  // the item command

    // The port was let go: Start works again at once. The fields go as they stand (typed, not normalised;
    // too big for the frame: clamped as Enter would), the lists as chosen.
    Select(code::kLowFrequency);
    Click(Id::RxDqt);  // its first entry, "210.7"
    Click(Id::TxDqt);
    Choose(Id::TxToneBox, 9);  // "D023N"
    C<QLineEdit>(Id::RxFreqEdit)->setText(QStringLiteral("231.20625"));
    C<QLineEdit>(Id::TxFreqEdit)->setText(QStringLiteral("1e9"));
    Select(code::kTxFrequency);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(radio_->Host().TestRecords(),
              (std::vector<sim::TestRecord>{{'t', Bytes{0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x00, 0x23},
                                             Bytes{0x00, 0x00, 0x85, 0x08, 0xFB, 0x01, 0x01, 0x2F}},
                                            {'q', Bytes{0x25, 0x06, 0x12, 0x23, 0x00, 0x00, 0x00, 0x24},
                                             Bytes{0x07, 0x21, 0x00, 0x00, 0xFB, 0x01, 0x01, 0x00}}}));
}

// The exchange's own steps and their questions are the core's; the dialog asks on the UI thread and obeys.
TEST_F(TestModeDialogTest, RetryAfterASilentRadioStartsOver) {
    sim::Faults faults;
    faults.testSilentAfter = sim::TestFrame::Value;
    faults.testSilentTimes = 1;
    Open(faults);
    answers_ = {Answer::Retry};
    Select(code::kLowPowerVoltage);
    ASSERT_TRUE(StartAndWait());
    EXPECT_EQ(messages_, (std::vector<SeenMessage>{Seen(link::kTestModeError), Seen(link::kTestModeDone)}));
    EXPECT_EQ(radio_->Host().TestRecords().size(), 2u);  // the value frames the radio received
    EXPECT_TRUE(dialog_->isVisible() && dialog_->Widget(Id::StartButton)->isEnabled());
}

}  // namespace
}  // namespace pm
