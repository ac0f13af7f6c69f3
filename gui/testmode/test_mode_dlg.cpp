#include "gui/testmode/test_mode_dlg.h"

#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
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
#include "core/testmode/test_mode_texts.h"
#include "gui/app/message_box.h"
#include "gui/editor/dialog_units.h"
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

CTestModeDlg::CTestModeDlg(const QStringList& toneTable, QWidget* parent)
    : QDialog(parent), m_toneTable(toneTable), m_runner(std::make_unique<TransferRunner>(this)) {
    setWindowTitle(ToQ(testmode::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Times New Roman"), 10));
    CreateControls();
    connect(m_runner.get(), &TransferRunner::Finished, this, &CTestModeDlg::OnExchangeEnded);
    OnInitDialog();
}

CTestModeDlg::~CTestModeDlg() = default;

template <typename W>
W* CTestModeDlg::Add(int id, int x, int y, int w, int h, W* widget) {
    const DialogUnits du(font());
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    widget->setGeometry(du.Rect(x, y, w, h));
    m_controls.insert(id, widget);
    return widget;
}

void CTestModeDlg::CreateControls() {
    const DialogUnits du(font());
    setFixedSize(du.X(391), du.Y(216));
    m_page = new QWidget(this);
    m_page->setGeometry(0, 0, du.X(391), du.Y(216));
    QWidget* p = m_page;

    auto label = [&](int id, const char* text, int x, int y, int w, int h) {
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
    auto radio = [&](int id, const char* text, int x, int y, int w, int h) {
        auto* r = Add(id, x, y, w, h, new QRadioButton(QString::fromLatin1(text), p));
        r->setAutoExclusive(false);
        r->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
        return r;
    };
    auto group = [&](int id, const char* text, int x, int y, int w, int h) {
        auto* g = Add(id, x, y, w, h, new QGroupBox(QString::fromLatin1(text), p));
        // A frame only: the controls drawn inside it stay within reach of the mouse.
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        g->setFocusPolicy(Qt::NoFocus);
        return g;
    };
    auto toneBox = [&](int id, int x, int y, int w, int h) {
        auto* box = new ToneBox(p);
        Add(id, x, y, w, h, box);
        // The template's height includes the dropped list.
        box->setGeometry(du.X(x), du.Y(y), du.X(w), box->sizeHint().height());
        // A list that drops below the box, as tall as the template allows, in every style.
        box->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        box->setMaxVisibleItems(std::max(1, (du.Y(h) - box->height()) / box->fontMetrics().height()));
        return box;
    };

    m_defaultButton = Add(kDefaultButton, 270, 178, 64, 17, new QPushButton(QStringLiteral("Default"), p));
    m_tree = Add(kTree, 18, 23, 98, 179, new QTreeWidget(p));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setColumnCount(1);
    m_panelFrame = group(kPanelFrame, "Static", 120, 13, 250, 190);
    label(kRxFreqLabel, "Frequency (MHz)", 133, 62, 36, 17);
    label(kTxFreqLabel, "Frequency (MHz)", 244, 61, 37, 19);
    label(kRxToneLabel, "Tone", 134, 81, 19, 9);
    label(kTxToneLabel, "Tone", 243, 81, 19, 10);
    label(kRxMethodLabel, "Tone Method", 135, 98, 23, 20);
    // 49 wide rather than 53, so that the field stays inside the Receive frame.
    m_rxFreq = Add(kRxFreqEdit, 179, 62, 49, 12, new QLineEdit(p));
    m_txFreq = Add(kTxFreqEdit, 283, 60, 53, 12, new QLineEdit(p));
    m_rxQt = radio(kRxQt, "QT", 184, 94, 32, 13);
    m_rxDqt = radio(kRxDqt, "DQT", 184, 109, 34, 10);
    label(kTxMethodLabel, "Tone Method", 244, 99, 23, 20);
    m_txQt = radio(kTxQt, "QT", 297, 95, 32, 13);
    m_txDqt = radio(kTxDqt, "DQT", 297, 109, 34, 11);
    m_startButton = Add(kStartButton, 157, 180, 45, 16, new QPushButton(QStringLiteral("Start"), p));
    group(kValueFrame, "Parameter Value", 128, 83, 214, 70);
    label(kMinLabel, "Min", 137, 105, 28, 13);
    label(kMaxLabel, "Max", 301, 105, 24, 13);
    m_slider = Add(kSlider, 158, 103, 133, 14, new QSlider(Qt::Horizontal, p));
    m_valueLabel = label(kValueLabel, "Current Value", 139, 126, 94, 13);
    group(kChooseFrame, "Choose Debug Frequency", 128, 35, 221, 39);
    m_high = radio(kHighChoice, "High(MHz)", 136, 51, 57, 12);
    m_middle = radio(kMiddleChoice, "Middle(MHz)", 200, 51, 54, 12);
    m_low = radio(kLowChoice, "Low(MHz)", 270, 51, 52, 12);
    m_rxTone = toneBox(kRxToneBox, 179, 78, 44, 70);
    m_txTone = toneBox(kTxToneBox, 285, 77, 44, 70);
    group(kReceiveFrame, "Receive", 121, 50, 108, 121);
    group(kTransmitFrame, "Transmit", 235, 50, 114, 122);
    label(kRxStepLabel, "Step Value", 133, 123, 30, 26);
    m_rxStep5 = radio(kRxStep5, "5.00KHZ", 166, 123, 44, 11);
    m_rxStep6 = radio(kRxStep6, "6.25KHZ", 166, 134, 48, 15);
    label(kTxStepLabel, "Step Value", 241, 123, 30, 26);
    m_txStep5 = radio(kTxStep5, "5.00KHZ", 278, 121, 48, 15);
    m_txStep6 = radio(kTxStep6, "6.25KHZ", 278, 136, 48, 15);
    auto* hidden = Add(kHiddenDefault, 218, 184, 25, 11, new QPushButton(QStringLiteral("Button1"), p));
    // The dialog's default button, disabled and never shown: Enter finds nothing to press and never
    // closes the dialog.
    hidden->setDefault(true);
    hidden->setEnabled(false);
    hidden->hide();

    // Frames stay under the controls they surround, the outer one lowest.
    for (const int id : {kTransmitFrame, kReceiveFrame, kChooseFrame, kValueFrame, kPanelFrame}) {
        m_controls.value(id)->lower();
    }

    // The template's tab stops, in its order; every other control is reached by mouse only.
    const QList<QWidget*> stops = {m_defaultButton, m_tree,   m_rxFreq, m_txFreq,
                                   m_startButton,   m_slider, m_rxTone, m_txTone};
    for (QWidget* stop : stops) stop->setFocusPolicy(Qt::StrongFocus);
    for (qsizetype i = 0; i + 1 < stops.size(); ++i) setTabOrder(stops[i], stops[i + 1]);
    for (const int id : {kRxFreqLabel, kTxFreqLabel, kRxToneLabel, kTxToneLabel, kRxMethodLabel,
                         kTxMethodLabel, kMinLabel, kMaxLabel, kValueLabel, kRxStepLabel, kTxStepLabel}) {
        m_controls.value(id)->setFocusPolicy(Qt::NoFocus);
    }

    for (const int id :
         {kRxFreqLabel, kTxFreqLabel, kRxToneLabel,  kTxToneLabel,   kRxMethodLabel, kRxFreqEdit,
          kTxFreqEdit,  kRxQt,        kRxDqt,        kTxMethodLabel, kTxQt,          kTxDqt,
          kRxToneBox,   kTxToneBox,   kReceiveFrame, kTransmitFrame, kRxStepLabel,   kRxStep5,
          kRxStep6,     kTxStepLabel, kTxStep5,      kTxStep6}) {
        m_frequencyPanel.append(m_controls.value(id));
    }
    for (const int id : {kStartButton, kValueFrame, kMinLabel, kMaxLabel, kSlider, kValueLabel, kChooseFrame,
                         kHighChoice, kMiddleChoice, kLowChoice}) {
        m_itemPanel.append(m_controls.value(id));
    }
    for (QWidget* control : m_controls) control->installEventFilter(this);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnTreeSelChanged(current); });
    connect(m_startButton, &QPushButton::clicked, this, &CTestModeDlg::OnStart);
    connect(m_defaultButton, &QPushButton::clicked, this, &CTestModeDlg::OnDefault);
    connect(m_rxQt, &QRadioButton::clicked, this, [this] { OnMethodClicked(true, ToneMethod::Qt); });
    connect(m_rxDqt, &QRadioButton::clicked, this, [this] { OnMethodClicked(true, ToneMethod::Dqt); });
    connect(m_txQt, &QRadioButton::clicked, this, [this] { OnMethodClicked(false, ToneMethod::Qt); });
    connect(m_txDqt, &QRadioButton::clicked, this, [this] { OnMethodClicked(false, ToneMethod::Dqt); });
    connect(m_rxStep5, &QRadioButton::clicked, this, [this] { OnStepClicked(true, FrequencyStep::Khz5); });
    connect(m_rxStep6, &QRadioButton::clicked, this, [this] { OnStepClicked(true, FrequencyStep::Khz6_25); });
    connect(m_txStep5, &QRadioButton::clicked, this, [this] { OnStepClicked(false, FrequencyStep::Khz5); });
    connect(m_txStep6, &QRadioButton::clicked, this,
            [this] { OnStepClicked(false, FrequencyStep::Khz6_25); });
    for (QRadioButton* choice : {m_high, m_middle, m_low}) {
        connect(choice, &QRadioButton::clicked, this, [this, choice] { OnChoiceClicked(choice); });
    }
    connect(m_rxTone, &ToneBox::ClosedUp, this, [this] { OnToneCloseUp(true); });
    connect(m_txTone, &ToneBox::ClosedUp, this, [this] { OnToneCloseUp(false); });
    connect(m_slider, &QSlider::valueChanged, this, &CTestModeDlg::OnSliderMoved);
}

void CTestModeDlg::SetBandBase(double bandBase) {
    m_dBandBase = bandBase;
    m_dLowRxFreq = m_dLowTxFreq = bandBase;
    m_dMiddleRxFreq = m_dMiddleTxFreq = bandBase + 10;
    m_dHighRxFreq = m_dHighTxFreq = bandBase + testmode::kTestBandWidthMhz;
}

void CTestModeDlg::OnInitDialog() {
    QHash<int, QTreeWidgetItem*> items;
    for (const testmode::TreeEntry& entry : testmode::kTree) {
        auto* item =
            entry.parent ? new QTreeWidgetItem(items.value(entry.parent)) : new QTreeWidgetItem(m_tree);
        item->setText(0, ToQ(entry.text));
        item->setData(0, kCodeRole, entry.code);
        items.insert(entry.code, item);
    }
    items.value(testmode::code::kDebugFrequency)->setExpanded(true);
    items.value(testmode::code::kDebugItem)->setExpanded(false);
    m_panelFrame->setTitle(ToQ(testmode::kChooseFrequencyFirst));

    for (QRadioButton* on : {m_rxQt, m_txQt, m_high, m_rxStep5, m_txStep5}) on->setChecked(true);
    FillToneBox(m_rxTone, ToneMethod::Qt);
    FillToneBox(m_txTone, ToneMethod::Qt);

    m_nLowRxTone = m_nLowTxTone = m_nMiddleRxTone = m_nMiddleTxTone = m_nHighRxTone = m_nHighTxTone = 0;
    m_nLowRxStep = m_nLowTxStep = m_nHighRxStep = m_nHighTxStep = m_nMiddleRxStep = m_nMiddleTxStep = 0;
    m_nLowRxMethod = m_nLowTxMethod = m_nHighRxMethod = m_nHighTxMethod = m_nMiddleRxMethod =
        m_nMiddleTxMethod = 0;
    m_nTxFreqValue = m_nTxPowerValue = m_nSquelchValue = m_nLowPowerValue = 0;
    m_nFreqSel = testmode::kHigh;
    m_nItem = testmode::kItemTxFrequency;
    m_slider->setRange(0, testmode::kMaxItemValue);
    SetSliderPosition(0);

    m_defaultButton->hide();
    for (QWidget* control : m_frequencyPanel) control->hide();
    for (QWidget* control : m_itemPanel) control->hide();
    m_tree->setFocus();
}

QTreeWidgetItem* CTestModeDlg::TreeItem(int code) const {
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->data(0, kCodeRole).toInt() == code) return *it;
    }
    return nullptr;
}

void CTestModeDlg::OnTreeSelChanged(QTreeWidgetItem* item) {
    if (!item) return;
    if (QTreeWidgetItem* parent = item->parent()) {
        if (m_bFirstSelect) {
            m_bFirstSelect = false;
            m_defaultButton->show();
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

void CTestModeDlg::ShowPanels(bool frequency) {
    // Hide first, so that focus never lands on a control of the panel going away.
    for (QWidget* control : frequency ? m_itemPanel : m_frequencyPanel) control->hide();
    for (QWidget* control : frequency ? m_frequencyPanel : m_itemPanel) control->show();
}

CTestModeDlg::TestFrequencyState CTestModeDlg::StateOf(int number) {
    switch (number) {
        case testmode::kHigh:
            return {&m_dHighRxFreq, &m_dHighTxFreq, &m_nHighRxTone,   &m_nHighTxTone,
                    &m_nHighRxStep, &m_nHighTxStep, &m_nHighRxMethod, &m_nHighTxMethod};
        case testmode::kMiddle:
            return {&m_dMiddleRxFreq, &m_dMiddleTxFreq, &m_nMiddleRxTone,   &m_nMiddleTxTone,
                    &m_nMiddleRxStep, &m_nMiddleTxStep, &m_nMiddleRxMethod, &m_nMiddleTxMethod};
        case testmode::kLow:
            return {&m_dLowRxFreq, &m_dLowTxFreq, &m_nLowRxTone,   &m_nLowTxTone,
                    &m_nLowRxStep, &m_nLowTxStep, &m_nLowRxMethod, &m_nLowTxMethod};
        default:
            return {};
    }
}

bool CTestModeDlg::CurrentFrequency(TestFrequencyState& state) {
    state = StateOf(m_nFreqSel);
    if (state.rxFreq) return true;
    ShowMessage(testmode::kErro, this);
    return false;
}

int* CTestModeDlg::ItemValue(int item) {
    return const_cast<int*>(std::as_const(*this).ItemValue(item));
}

const int* CTestModeDlg::ItemValue(int item) const {
    switch (item) {
        case testmode::kItemTxFrequency:
            return &m_nTxFreqValue;
        case testmode::kItemLowPowerVoltage:
            return &m_nLowPowerValue;
        case testmode::kItemSquelchLevel:
            return &m_nSquelchValue;
        case testmode::kItemTxPower:
            return &m_nTxPowerValue;
        default:
            return nullptr;
    }
}

void CTestModeDlg::FillToneBox(ToneBox* box, ToneMethod method) {
    const testmode::ToneSlice slice = testmode::ToneSliceOf(method);
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(m_toneTable.mid(slice.first, slice.count));
    box->setCurrentIndex(0);
}

void CTestModeDlg::ShowFrequency(const testmode::TestFrequencyRow& row) {
    const TestFrequencyState f = StateOf(row.number);
    m_panelFrame->setTitle(ToQ(row.caption));
    m_rxFreq->setText(QString::fromStdString(testmode::FormatFieldFrequency(*f.rxFreq)));
    m_txFreq->setText(QString::fromStdString(testmode::FormatFieldFrequency(*f.txFreq)));
    m_nFreqSel = row.number;
    m_rxStep5->setChecked(*f.rxStep == 0);
    m_rxStep6->setChecked(*f.rxStep != 0);
    m_txStep5->setChecked(*f.txStep == 0);
    m_txStep6->setChecked(*f.txStep != 0);
    const auto methodOf = [](int method) { return method == 0 ? ToneMethod::Qt : ToneMethod::Dqt; };
    m_rxQt->setChecked(*f.rxMethod == 0);
    m_rxDqt->setChecked(*f.rxMethod != 0);
    FillToneBox(m_rxTone, methodOf(*f.rxMethod));
    m_txQt->setChecked(*f.txMethod == 0);
    m_txDqt->setChecked(*f.txMethod != 0);
    FillToneBox(m_txTone, methodOf(*f.txMethod));
    m_rxTone->setCurrentIndex(*f.rxTone);
    m_txTone->setCurrentIndex(*f.txTone);
}

void CTestModeDlg::ShowItem(const testmode::AlignmentItemRow& row) {
    const int value = *ItemValue(row.number);
    SetSliderPosition(value);
    m_nItem = row.number;
    m_valueLabel->setText(QString::fromStdString(testmode::CurrentPositionText(value)));
}

void CTestModeDlg::SetSliderPosition(int value) {
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(value);
}

void CTestModeDlg::OnMethodClicked(bool receive, ToneMethod method) {
    QRadioButton* clicked = receive ? (method == ToneMethod::Qt ? m_rxQt : m_rxDqt)
                                    : (method == ToneMethod::Qt ? m_txQt : m_txDqt);
    QRadioButton* partner = receive ? (method == ToneMethod::Qt ? m_rxDqt : m_rxQt)
                                    : (method == ToneMethod::Qt ? m_txDqt : m_txQt);
    // Clicking the method already chosen changes nothing, the list and its selection included.
    if (!CheckedByClick(clicked) || !partner->isChecked()) return;
    partner->setChecked(false);
    TestFrequencyState f;
    if (CurrentFrequency(f)) *(receive ? f.rxMethod : f.txMethod) = static_cast<int>(method);
    // The tone index stays as it was until the list is next closed up.
    FillToneBox(receive ? m_rxTone : m_txTone, method);
}

void CTestModeDlg::OnStepClicked(bool receive, FrequencyStep step) {
    QRadioButton* clicked = receive ? (step == FrequencyStep::Khz5 ? m_rxStep5 : m_rxStep6)
                                    : (step == FrequencyStep::Khz5 ? m_txStep5 : m_txStep6);
    QRadioButton* partner = receive ? (step == FrequencyStep::Khz5 ? m_rxStep6 : m_rxStep5)
                                    : (step == FrequencyStep::Khz5 ? m_txStep6 : m_txStep5);
    (void)CheckedByClick(clicked);
    partner->setChecked(false);
    TestFrequencyState f;
    if (CurrentFrequency(f)) *(receive ? f.rxStep : f.txStep) = static_cast<int>(step);
}

void CTestModeDlg::OnToneCloseUp(bool receive) {
    TestFrequencyState f;
    if (!CurrentFrequency(f)) return;
    *(receive ? f.rxTone : f.txTone) = (receive ? m_rxTone : m_txTone)->currentIndex();
}

void CTestModeDlg::OnChoiceClicked(QRadioButton* clicked) {
    (void)CheckedByClick(clicked);
    for (QRadioButton* other : {m_high, m_middle, m_low}) {
        if (other != clicked) other->setChecked(false);
    }
}

void CTestModeDlg::OnSliderMoved(int position) {
    m_valueLabel->setText(QString::fromStdString(testmode::CurrentPositionText(position)));
    if (int* value = ItemValue(m_nItem)) {
        *value = position;
    } else {
        ShowMessage(testmode::kErro, this);
    }
}

void CTestModeDlg::OnDefault() {
    if (m_slider->isVisibleTo(this)) {
        const testmode::AlignmentItemRow* row = testmode::AlignmentItemByNumber(m_nItem);
        if (!row) {
            ShowMessage(testmode::kErro, this);
            return;
        }
        *ItemValue(m_nItem) = row->defaultValue;
        m_valueLabel->setText(QString::fromStdString(testmode::CurrentPositionText(row->defaultValue)));
        SetSliderPosition(row->defaultValue);
    } else if (m_rxFreq->isVisibleTo(this)) {
        const testmode::TestFrequencyRow* row = testmode::TestFrequencyByNumber(m_nFreqSel);
        if (!row) {
            ShowMessage(testmode::kErro, this);
            return;
        }
        const TestFrequencyState f = StateOf(m_nFreqSel);
        *f.rxFreq = *f.txFreq = m_dBandBase + row->offsetMhz;
        const QString text = QString::fromStdString(testmode::FormatFieldFrequency(*f.rxFreq));
        m_rxFreq->setText(text);
        m_txFreq->setText(text);
        *f.rxStep = *f.txStep = 0;
        m_rxStep5->setChecked(true);
        m_txStep5->setChecked(true);
        m_rxStep6->setChecked(false);
        m_txStep6->setChecked(false);
        *f.rxMethod = *f.txMethod = 0;
        m_rxQt->setChecked(true);
        m_txQt->setChecked(true);
        m_rxDqt->setChecked(false);
        m_txDqt->setChecked(false);
        FillToneBox(m_rxTone, ToneMethod::Qt);
        FillToneBox(m_txTone, ToneMethod::Qt);
        *f.rxTone = *f.txTone = 0;
    } else {
        ShowMessage(testmode::kNoVisibleInformation, this);
    }
}

void CTestModeDlg::NormaliseField(QLineEdit* field) {
    const bool fiveKhz = (field == m_rxFreq ? m_rxStep5 : m_txStep5)->isChecked();
    const std::string text = field->text().toStdString();
    field->setText(QString::fromStdString(testmode::NormaliseFieldText(
        text, m_dBandBase, fiveKhz ? FrequencyStep::Khz5 : FrequencyStep::Khz6_25)));
}

bool CTestModeDlg::HandleEnter(QWidget* focus) {
    if (focus == m_defaultButton) {
        OnDefault();
        return true;
    }
    // A focused push button is pressed by its own handling of Enter.
    if (focus == m_startButton) return false;
    if (focus == m_rxFreq || focus == m_txFreq) NormaliseField(static_cast<QLineEdit*>(focus));
    focusNextChild();
    return true;
}

bool CTestModeDlg::eventFilter(QObject* watched, QEvent* event) {
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

TestModeRequest CTestModeDlg::CurrentRequest() const {
    TestModeRequest request;
    request.item = static_cast<TestItem>(m_nItem);
    if (const int* value = ItemValue(m_nItem)) request.value = static_cast<std::uint8_t>(*value);
    request.rxFrequency = m_rxFreq->text().toStdString();
    request.txFrequency = m_txFreq->text().toStdString();
    request.rxTone = m_rxTone->currentText().toStdString();
    request.txTone = m_txTone->currentText().toStdString();
    return request;
}

bool CTestModeDlg::IsExchangeRunning() const {
    return m_runner->IsRunning();
}

void CTestModeDlg::OnStart() {
    if (m_runner->IsRunning()) return;
    const TestModeRequest request = CurrentRequest();
    const std::string port = QFile::encodeName(m_strPort).toStdString();
    // Nothing in the dialog answers until the radio has been let go.
    m_page->setEnabled(false);
    (void)m_runner->Start([request, port](SafeWriteHost& host) {
        PosixSerialPort serial;
        (void)RunTestMode(serial, port, request, host);
    });
}

void CTestModeDlg::OnExchangeEnded() {
    m_page->setEnabled(true);
    m_startButton->setFocus();
    emit ExchangeFinished();
}

void CTestModeDlg::done(int result) {
    if (m_runner->IsRunning()) return;
    QDialog::done(result);
}

void CTestModeDlg::closeEvent(QCloseEvent* event) {
    if (m_runner->IsRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace pm
