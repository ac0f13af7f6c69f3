#include "gui/testmode/testmode_dialog.h"

#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

#include "core/link/posix_serial_port.h"
#include "core/link/traced_port.h"
#include "core/testmode/dialog_texts.h"
#include "gui/common/message_box.h"
#include "gui/common/dialog_units.h"
#include "gui/link/transfer_runner.h"
#include "gui/testmode/tone_box.h"

namespace pm {
namespace {

using testmode::FrequencyStep;
using testmode::ToneMethod;

QString ToQ(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kCodeRole = Qt::UserRole;

// The template's buttons check themselves when clicked and belong to no group: partners are unchecked by
// the handlers. Qt toggles a checked button off again; this puts it back. True when the click is what
// checked the button, false when it was checked already.
bool CheckedByClick(QAbstractButton* button) {
    if (button->isChecked()) return true;
    button->setChecked(true);
    return false;
}

}  // namespace

TestModeDialog::TestModeDialog(const QStringList& toneTable, QWidget* parent)
    : QDialog(parent), toneTable_(toneTable), runner_(std::make_unique<TransferRunner>(this)) {
    setWindowTitle(ToQ(testmode::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Times New Roman"), 10));
    CreateControls();
    connect(runner_.get(), &TransferRunner::Finished, this, &TestModeDialog::OnExchangeEnded);
    OnInitDialog();
}

TestModeDialog::~TestModeDialog() = default;

template <typename W>
W* TestModeDialog::Add(Control control, int x, int y, int w, int h, W* widget) {
    const DialogUnits du(font());
    widget->setGeometry(du.Rect(x, y, w, h));
    controls_.insert(control, widget);
    return widget;
}

void TestModeDialog::CreateControls() {
    using C = Control;
    const DialogUnits du(font());
    setFixedSize(du.X(391), du.Y(216));
    page_ = new QWidget(this);
    page_->setGeometry(0, 0, du.X(391), du.Y(216));
    QWidget* p = page_;

    auto label = [&](Control id, const char* text, int x, int y, int w, int h) {
        auto* l = Add(id, x, y, w, h, new QLabel(QString::fromLatin1(text), p));
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // Wrapping breaks only between words: a word wider than the template's box widens it.
        const QFontMetrics metrics(l->font());
        int widest = 0;
        for (const QString& word : l->text().split(QLatin1Char(' '))) {
            widest = std::max(widest, metrics.horizontalAdvance(word) + 1);
        }
        if (widest > l->width()) l->resize(widest, l->height());
        return l;
    };
    auto radio = [&](Control id, const char* text, int x, int y, int w, int h) {
        auto* r = Add(id, x, y, w, h, new QRadioButton(QString::fromLatin1(text), p));
        r->setAutoExclusive(false);
        r->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
        return r;
    };
    auto group = [&](Control id, const char* text, int x, int y, int w, int h) {
        auto* g = Add(id, x, y, w, h, new QGroupBox(QString::fromLatin1(text), p));
        // A frame only: the controls drawn inside it stay within reach of the mouse.
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->setFocusPolicy(Qt::NoFocus);
        return g;
    };
    auto toneBox = [&](Control id, int x, int y, int w, int h) {
        auto* box = new ToneBox(p);
        Add(id, x, y, w, h, box);
        // The template's height includes the dropped list.
        box->setGeometry(du.X(x), du.Y(y), du.X(w), box->sizeHint().height());
        // A list that drops below the box, as tall as the template allows, in every style.
        box->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        box->setMaxVisibleItems(std::max(1, (du.Y(h) - box->height()) / box->fontMetrics().height()));
        return box;
    };

    defaultButton_ = Add(C::DefaultButton, 270, 178, 64, 17, new QPushButton(QStringLiteral("Default"), p));
    tree_ = Add(C::Tree, 18, 23, 98, 179, new QTreeWidget(p));
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setColumnCount(1);
    panelFrame_ = group(C::PanelFrame, "Static", 120, 13, 250, 190);
    label(C::RxFreqLabel, "Frequency (MHz)", 133, 62, 36, 17);
    label(C::TxFreqLabel, "Frequency (MHz)", 244, 61, 37, 19);
    label(C::RxToneLabel, "Tone", 134, 81, 19, 9);
    label(C::TxToneLabel, "Tone", 243, 81, 19, 10);
    label(C::RxMethodLabel, "Tone Method", 135, 98, 23, 20);
    // 49 wide rather than 53, so that the field stays inside the Receive frame.
    rx_.frequency = Add(C::RxFreqEdit, 179, 62, 49, 12, new QLineEdit(p));
    tx_.frequency = Add(C::TxFreqEdit, 283, 60, 53, 12, new QLineEdit(p));
    rx_.qt = radio(C::RxQt, "QT", 184, 94, 32, 13);
    rx_.dqt = radio(C::RxDqt, "DQT", 184, 109, 34, 10);
    label(C::TxMethodLabel, "Tone Method", 244, 99, 23, 20);
    tx_.qt = radio(C::TxQt, "QT", 297, 95, 32, 13);
    tx_.dqt = radio(C::TxDqt, "DQT", 297, 109, 34, 11);
    startButton_ = Add(C::StartButton, 157, 180, 45, 16, new QPushButton(QStringLiteral("Start"), p));
    group(C::ValueFrame, "Parameter Value", 128, 83, 214, 70);
    label(C::MinLabel, "Min", 137, 105, 28, 13);
    label(C::MaxLabel, "Max", 301, 105, 24, 13);
    slider_ = Add(C::Slider, 158, 103, 133, 14, new QSlider(Qt::Horizontal, p));
    valueLabel_ = label(C::ValueLabel, "Current Value", 139, 126, 94, 13);
    group(C::ChooseFrame, "Choose Debug Frequency", 128, 35, 221, 39);
    high_ = radio(C::HighChoice, "High(MHz)", 136, 51, 57, 12);
    middle_ = radio(C::MiddleChoice, "Middle(MHz)", 200, 51, 54, 12);
    low_ = radio(C::LowChoice, "Low(MHz)", 270, 51, 52, 12);
    rx_.tone = toneBox(C::RxToneBox, 179, 78, 44, 70);
    tx_.tone = toneBox(C::TxToneBox, 285, 77, 44, 70);
    group(C::ReceiveFrame, "Receive", 121, 50, 108, 121);
    group(C::TransmitFrame, "Transmit", 235, 50, 114, 122);
    label(C::RxStepLabel, "Step Value", 133, 123, 30, 26);
    rx_.step5 = radio(C::RxStep5, "5.00KHZ", 166, 123, 44, 11);
    rx_.step6 = radio(C::RxStep6, "6.25KHZ", 166, 134, 48, 15);
    label(C::TxStepLabel, "Step Value", 241, 123, 30, 26);
    tx_.step5 = radio(C::TxStep5, "5.00KHZ", 278, 121, 48, 15);
    tx_.step6 = radio(C::TxStep6, "6.25KHZ", 278, 136, 48, 15);
    auto* hidden = Add(C::HiddenDefault, 218, 184, 25, 11, new QPushButton(QStringLiteral("Button1"), p));
    // The dialog's default button, disabled and never shown: Enter finds nothing to press and never
    // closes the dialog.
    hidden->setDefault(true);
    hidden->setEnabled(false);
    hidden->hide();

    // Frames stay under the controls they surround, the outer one lowest.
    for (const Control id :
         {C::TransmitFrame, C::ReceiveFrame, C::ChooseFrame, C::ValueFrame, C::PanelFrame}) {
        Widget(id)->lower();
    }

    // The template's tab stops, in its order; every other control is reached by mouse only.
    const QList<QWidget*> stops = {defaultButton_, tree_,   rx_.frequency, tx_.frequency,
                                   startButton_,   slider_, rx_.tone,      tx_.tone};
    for (QWidget* stop : stops) stop->setFocusPolicy(Qt::StrongFocus);
    for (qsizetype i = 0; i + 1 < stops.size(); ++i) setTabOrder(stops[i], stops[i + 1]);
    for (const Control id :
         {C::RxFreqLabel, C::TxFreqLabel, C::RxToneLabel, C::TxToneLabel, C::RxMethodLabel, C::TxMethodLabel,
          C::MinLabel, C::MaxLabel, C::ValueLabel, C::RxStepLabel, C::TxStepLabel}) {
        Widget(id)->setFocusPolicy(Qt::NoFocus);
    }

    for (const Control id :
         {C::RxFreqLabel, C::TxFreqLabel, C::RxToneLabel,  C::TxToneLabel,   C::RxMethodLabel, C::RxFreqEdit,
          C::TxFreqEdit,  C::RxQt,        C::RxDqt,        C::TxMethodLabel, C::TxQt,          C::TxDqt,
          C::RxToneBox,   C::TxToneBox,   C::ReceiveFrame, C::TransmitFrame, C::RxStepLabel,   C::RxStep5,
          C::RxStep6,     C::TxStepLabel, C::TxStep5,      C::TxStep6}) {
        frequencyPanel_.append(Widget(id));
    }
    for (const Control id : {C::StartButton, C::ValueFrame, C::MinLabel, C::MaxLabel, C::Slider,
                             C::ValueLabel, C::ChooseFrame, C::HighChoice, C::MiddleChoice, C::LowChoice}) {
        itemPanel_.append(Widget(id));
    }
    for (QWidget* control : controls_) control->installEventFilter(this);

    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnTreeSelChanged(current); });
    connect(startButton_, &QPushButton::clicked, this, &TestModeDialog::OnStart);
    connect(defaultButton_, &QPushButton::clicked, this, &TestModeDialog::OnDefault);
    for (const bool receive : {true, false}) {
        const SideControls& side = Side(receive);
        connect(side.qt, &QRadioButton::clicked, this,
                [this, receive] { OnMethodClicked(receive, ToneMethod::Qt); });
        connect(side.dqt, &QRadioButton::clicked, this,
                [this, receive] { OnMethodClicked(receive, ToneMethod::Dqt); });
        connect(side.step5, &QRadioButton::clicked, this,
                [this, receive] { OnStepClicked(receive, FrequencyStep::Khz5); });
        connect(side.step6, &QRadioButton::clicked, this,
                [this, receive] { OnStepClicked(receive, FrequencyStep::Khz6_25); });
        connect(side.tone, &ToneBox::ClosedUp, this, [this, receive] { OnToneCloseUp(receive); });
    }
    for (QRadioButton* choice : {high_, middle_, low_}) {
        connect(choice, &QRadioButton::clicked, this, [this, choice] { OnChoiceClicked(choice); });
    }
    connect(slider_, &QSlider::valueChanged, this, &TestModeDialog::OnSliderMoved);
}

void TestModeDialog::SetBandBase(double bandBase) {
    bandBase_ = bandBase;
    for (std::size_t i = 0; i < frequencies_.size(); ++i) {
        const double mhz = bandBase + testmode::kTestFrequencies[i].offsetMhz;
        frequencies_[i].rx.frequency = frequencies_[i].tx.frequency = mhz;
    }
}

void TestModeDialog::OnInitDialog() {
    QHash<int, QTreeWidgetItem*> items;
    for (const testmode::TreeEntry& entry : testmode::kTree) {
        auto* item =
            entry.parent ? new QTreeWidgetItem(items.value(entry.parent)) : new QTreeWidgetItem(tree_);
        item->setText(0, ToQ(entry.text));
        item->setData(0, kCodeRole, entry.code);
        items.insert(entry.code, item);
    }
    items.value(testmode::code::kDebugFrequency)->setExpanded(true);
    items.value(testmode::code::kDebugItem)->setExpanded(false);
    panelFrame_->setTitle(ToQ(testmode::kChooseFrequencyFirst));

    for (QRadioButton* on : {rx_.qt, tx_.qt, high_, rx_.step5, tx_.step5}) on->setChecked(true);
    FillToneBox(rx_.tone, ToneMethod::Qt);
    FillToneBox(tx_.tone, ToneMethod::Qt);

    for (FrequencyState& state : frequencies_) {
        for (SideState* side : {&state.rx, &state.tx}) *side = SideState{side->frequency};
    }
    itemValues_.fill(0);
    frequency_ = testmode::kHigh;
    item_ = testmode::kItemTxFrequency;
    slider_->setRange(0, testmode::kMaxItemValue);
    SetSliderPosition(0);

    defaultButton_->hide();
    for (QWidget* control : frequencyPanel_) control->hide();
    for (QWidget* control : itemPanel_) control->hide();
    tree_->setFocus();
}

QTreeWidgetItem* TestModeDialog::TreeItem(int code) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, kCodeRole).toInt() == code) return *it;
    }
    return nullptr;
}

void TestModeDialog::OnTreeSelChanged(QTreeWidgetItem* item) {
    if (!item) return;
    if (QTreeWidgetItem* parent = item->parent()) {
        if (firstSelect_) {
            firstSelect_ = false;
            defaultButton_->show();
        }
        const int parentCode = parent->data(0, kCodeRole).toInt();
        if (parentCode == testmode::code::kDebugFrequency) ShowPanels(true);
        if (parentCode == testmode::code::kDebugItem) ShowPanels(false);
    }
    const int code = item->data(0, kCodeRole).toInt();
    if (const testmode::TestFrequencyRow* row = testmode::TestFrequencyByCode(code)) {
        ShowFrequency(*row);
    } else if (const testmode::AlignmentItemRow* row = testmode::AlignmentItemByCode(code)) {
        ShowItem(*row);
    } else if (code == testmode::code::kExitDebug) {
        accept();
    }
}

void TestModeDialog::ShowPanels(bool frequency) {
    // Hide first, so that focus never lands on a control of the panel going away.
    for (QWidget* control : frequency ? itemPanel_ : frequencyPanel_) control->hide();
    for (QWidget* control : frequency ? frequencyPanel_ : itemPanel_) control->show();
}

TestModeDialog::FrequencyState* TestModeDialog::FrequencyOf(int number) {
    const testmode::TestFrequencyRow* row = testmode::TestFrequencyByNumber(number);
    if (!row) return nullptr;
    return &frequencies_[static_cast<std::size_t>(row - testmode::kTestFrequencies.data())];
}

TestModeDialog::FrequencyState* TestModeDialog::CurrentFrequency() {
    FrequencyState* state = FrequencyOf(frequency_);
    if (!state) ShowMessage(testmode::kErro, this);
    return state;
}

int* TestModeDialog::ItemValue(int number) {
    return const_cast<int*>(std::as_const(*this).ItemValue(number));
}

const int* TestModeDialog::ItemValue(int number) const {
    const testmode::AlignmentItemRow* row = testmode::AlignmentItemByNumber(number);
    if (!row) return nullptr;
    return &itemValues_[static_cast<std::size_t>(row - testmode::kAlignmentItems.data())];
}

void TestModeDialog::FillToneBox(ToneBox* box, ToneMethod method) {
    const testmode::ToneSlice slice = testmode::ToneSliceOf(method);
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(toneTable_.mid(slice.first, slice.count));
    box->setCurrentIndex(0);
}

void TestModeDialog::ShowFrequency(const testmode::TestFrequencyRow& row) {
    const FrequencyState& state = *FrequencyOf(row.number);
    panelFrame_->setTitle(ToQ(row.caption));
    rx_.frequency->setText(QString::fromStdString(testmode::FormatFieldFrequency(state.rx.frequency)));
    tx_.frequency->setText(QString::fromStdString(testmode::FormatFieldFrequency(state.tx.frequency)));
    frequency_ = row.number;
    ShowSide(rx_, state.rx);
    ShowSide(tx_, state.tx);
}

void TestModeDialog::ShowSide(const SideControls& side, const SideState& state) {
    side.step5->setChecked(state.step == FrequencyStep::Khz5);
    side.step6->setChecked(state.step != FrequencyStep::Khz5);
    side.qt->setChecked(state.method == ToneMethod::Qt);
    side.dqt->setChecked(state.method != ToneMethod::Qt);
    FillToneBox(side.tone, state.method);
    side.tone->setCurrentIndex(state.tone);
}

void TestModeDialog::ShowItem(const testmode::AlignmentItemRow& row) {
    const int value = *ItemValue(row.number);
    SetSliderPosition(value);
    item_ = row.number;
    valueLabel_->setText(QString::fromStdString(testmode::CurrentPositionText(value)));
}

void TestModeDialog::SetSliderPosition(int value) {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(value);
}

void TestModeDialog::OnMethodClicked(bool receive, ToneMethod method) {
    const SideControls& side = Side(receive);
    QRadioButton* clicked = method == ToneMethod::Qt ? side.qt : side.dqt;
    QRadioButton* partner = method == ToneMethod::Qt ? side.dqt : side.qt;
    // Clicking the method already chosen changes nothing, the list and its selection included.
    if (!CheckedByClick(clicked) || !partner->isChecked()) return;
    partner->setChecked(false);
    if (FrequencyState* state = CurrentFrequency()) state->Side(receive).method = method;
    // The tone index stays as it was until the list is next closed up.
    FillToneBox(side.tone, method);
}

void TestModeDialog::OnStepClicked(bool receive, FrequencyStep step) {
    const SideControls& side = Side(receive);
    (void)CheckedByClick(step == FrequencyStep::Khz5 ? side.step5 : side.step6);
    (step == FrequencyStep::Khz5 ? side.step6 : side.step5)->setChecked(false);
    if (FrequencyState* state = CurrentFrequency()) state->Side(receive).step = step;
}

void TestModeDialog::OnToneCloseUp(bool receive) {
    if (FrequencyState* state = CurrentFrequency())
        state->Side(receive).tone = Side(receive).tone->currentIndex();
}

void TestModeDialog::OnChoiceClicked(QRadioButton* clicked) {
    (void)CheckedByClick(clicked);
    for (QRadioButton* other : {high_, middle_, low_}) {
        if (other != clicked) other->setChecked(false);
    }
}

void TestModeDialog::OnSliderMoved(int position) {
    valueLabel_->setText(QString::fromStdString(testmode::CurrentPositionText(position)));
    if (int* value = ItemValue(item_)) {
        *value = position;
    } else {
        ShowMessage(testmode::kErro, this);
    }
}

void TestModeDialog::OnDefault() {
    if (slider_->isVisibleTo(this)) {
        const testmode::AlignmentItemRow* row = testmode::AlignmentItemByNumber(item_);
        if (!row) {
            ShowMessage(testmode::kErro, this);
            return;
        }
        *ItemValue(item_) = row->defaultValue;
        valueLabel_->setText(QString::fromStdString(testmode::CurrentPositionText(row->defaultValue)));
        SetSliderPosition(row->defaultValue);
    } else if (rx_.frequency->isVisibleTo(this)) {
        const testmode::TestFrequencyRow* row = testmode::TestFrequencyByNumber(frequency_);
        if (!row) {
            ShowMessage(testmode::kErro, this);
            return;
        }
        FrequencyState& state = *FrequencyOf(frequency_);
        const QString text =
            QString::fromStdString(testmode::FormatFieldFrequency(bandBase_ + row->offsetMhz));
        for (const bool receive : {true, false}) {
            state.Side(receive) = SideState{bandBase_ + row->offsetMhz};
            const SideControls& side = Side(receive);
            side.frequency->setText(text);
            side.step5->setChecked(true);
            side.step6->setChecked(false);
            side.qt->setChecked(true);
            side.dqt->setChecked(false);
            FillToneBox(side.tone, ToneMethod::Qt);
        }
    } else {
        ShowMessage(testmode::kNoVisibleInformation, this);
    }
}

void TestModeDialog::NormaliseField(QLineEdit* field) {
    const bool fiveKhz = (field == rx_.frequency ? rx_.step5 : tx_.step5)->isChecked();
    const std::string text = field->text().toStdString();
    field->setText(QString::fromStdString(testmode::NormaliseFieldText(
        text, bandBase_, fiveKhz ? FrequencyStep::Khz5 : FrequencyStep::Khz6_25)));
}

bool TestModeDialog::HandleEnter(QWidget* focus) {
    if (focus == defaultButton_) {
        OnDefault();
        return true;
    }
    // A focused push button is pressed by its own handling of Enter.
    if (focus == startButton_) return false;
    if (focus == rx_.frequency || focus == tx_.frequency) NormaliseField(static_cast<QLineEdit*>(focus));
    focusNextChild();
    return true;
}

bool TestModeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (enter && mods == Qt::NoModifier && watched == focusWidget()) {
            return HandleEnter(static_cast<QWidget*>(watched));
        }
    }
    return QDialog::eventFilter(watched, event);
}

TestModeRequest TestModeDialog::CurrentRequest() const {
    TestModeRequest request;
    request.item = static_cast<TestItem>(item_);
    if (const int* value = ItemValue(item_)) request.value = static_cast<std::uint8_t>(*value);
    request.rxFrequency = rx_.frequency->text().toStdString();
    request.txFrequency = tx_.frequency->text().toStdString();
    request.rxTone = rx_.tone->currentText().toStdString();
    request.txTone = tx_.tone->currentText().toStdString();
    return request;
}

bool TestModeDialog::IsExchangeRunning() const {
    return runner_->IsRunning();
}

void TestModeDialog::OnStart() {
    if (runner_->IsRunning()) return;
    const TestModeRequest request = CurrentRequest();
    const std::string port = QFile::encodeName(port_).toStdString();
    // Nothing in the dialog answers until the radio has been let go.
    page_->setEnabled(false);
    running_ = std::make_shared<LinkOutcome>();
    (void)runner_->Start([request, port, result = running_, trace = trace_](SafeWriteHost& host) {
        PosixSerialPort serial;
        if (!trace) {
            *result = RunTestMode(serial, port, request, host);
            return;
        }
        trace->Clear();
        TracedPort traced(serial, *trace);
        *result = RunTestMode(traced, port, request, host);
    });
}

void TestModeDialog::OnExchangeEnded() {
    if (running_) lastOutcome_ = *std::exchange(running_, nullptr);
    page_->setEnabled(true);
    startButton_->setFocus();
    emit ExchangeFinished();
}

void TestModeDialog::done(int result) {
    if (runner_->IsRunning()) return;
    QDialog::done(result);
}

void TestModeDialog::closeEvent(QCloseEvent* event) {
    if (runner_->IsRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace pm
