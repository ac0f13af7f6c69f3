#pragma once
// The Test Mode dialog: pick a test frequency or an alignment item from the tree, set it up, and Start
// sends the item, its value, the frequency pair and the tones to the radio.

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

#include "core/link/testmode_exchange.h"
#include "core/testmode/field_frequency.h"
#include "core/testmode/tree_items.h"

class QAbstractButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTreeWidget;
class QTreeWidgetItem;

namespace pm {

class SerialTrace;

class TransferRunner;
class ToneBox;

class TestModeDialog : public QDialog {
    Q_OBJECT

  public:
    /** The dialog's controls; Widget() finds them. */
    enum class Control {
        DefaultButton,
        Tree,
        PanelFrame,
        RxFreqLabel,
        TxFreqLabel,
        RxToneLabel,
        TxToneLabel,
        RxMethodLabel,
        TxMethodLabel,
        RxFreqEdit,
        TxFreqEdit,
        RxQt,
        RxDqt,
        TxQt,
        TxDqt,
        StartButton,
        ValueFrame,
        MinLabel,
        MaxLabel,
        Slider,
        ValueLabel,
        ChooseFrame,
        HighChoice,
        MiddleChoice,
        LowChoice,
        RxToneBox,
        TxToneBox,
        ReceiveFrame,
        TransmitFrame,
        RxStepLabel,
        RxStep5,
        RxStep6,
        TxStepLabel,
        TxStep5,
        TxStep6,
        HiddenDefault,
    };

    /** The dialog in its opening state; the tone lists are slices of toneTable (263 entries). */
    explicit TestModeDialog(const QStringList& toneTable, QWidget* parent = nullptr);
    ~TestModeDialog() override;

    /** The opener's part: the band base, and the three test frequencies at base, base + 10 and base + 20. */
    void SetBandBase(double bandBase);
    /** The opener's part: the port Start opens. */
    void SetPort(const QString& port) { port_ = port; }
    /** The port Start opens. */
    [[nodiscard]] const QString& Port() const { return port_; }
    /** Where the exchanges note their bytes (none unless set). */
    void SetTrace(std::shared_ptr<SerialTrace> trace) { trace_ = std::move(trace); }

    /** The widget of a control. */
    [[nodiscard]] QWidget* Widget(Control control) const { return controls_.value(control, nullptr); }
    /** The tree of test frequencies and alignment items. */
    [[nodiscard]] QTreeWidget* Tree() const { return tree_; }
    /** The tree item that carries code, or nullptr. */
    [[nodiscard]] QTreeWidgetItem* TreeItem(int code) const;

    /** What Start would send now (the port aside). */
    [[nodiscard]] TestModeRequest CurrentRequest() const;
    /** True from Start until its exchange has ended. */
    [[nodiscard]] bool IsExchangeRunning() const;
    /** How the last exchange ended. */
    [[nodiscard]] const LinkOutcome& LastOutcome() const { return lastOutcome_; }

    /** Refused while an exchange runs: the dialog stays until the radio is let go. */
    void done(int result) override;

  signals:
    /** The exchange Start began has ended and the dialog answers again. */
    void ExchangeFinished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // One direction of a test frequency: the widgets that show it, and what it keeps between visits.
    struct SideControls {
        QLineEdit* frequency = nullptr;
        ToneBox* tone = nullptr;
        QRadioButton* qt = nullptr;
        QRadioButton* dqt = nullptr;
        QRadioButton* step5 = nullptr;
        QRadioButton* step6 = nullptr;
    };
    struct SideState {
        double frequency = 0;
        int tone = 0;
        testmode::FrequencyStep step = testmode::FrequencyStep::Khz5;
        testmode::ToneMethod method = testmode::ToneMethod::Qt;
    };
    /** What one test frequency keeps, receive and transmit, in the order of testmode::kTestFrequencies. */
    struct FrequencyState {
        SideState rx;
        SideState tx;
        [[nodiscard]] SideState& Side(bool receive) { return receive ? rx : tx; }
    };

    void CreateControls();
    template <typename W>
    W* Add(Control control, int x, int y, int w, int h, W* widget);
    void OnInitDialog();
    void OnTreeSelChanged(QTreeWidgetItem* item);
    void ShowFrequency(const testmode::TestFrequencyRow& row);
    void ShowSide(const SideControls& side, const SideState& state);
    void ShowItem(const testmode::AlignmentItemRow& row);
    void ShowPanels(bool frequency);
    void OnMethodClicked(bool receive, testmode::ToneMethod method);
    void OnStepClicked(bool receive, testmode::FrequencyStep step);
    void OnToneCloseUp(bool receive);
    void OnChoiceClicked(QRadioButton* clicked);
    void OnSliderMoved(int position);
    void OnDefault();
    void OnStart();
    void OnExchangeEnded();
    void NormaliseField(QLineEdit* field);
    void FillToneBox(ToneBox* box, testmode::ToneMethod method);
    void SetSliderPosition(int value);
    [[nodiscard]] const SideControls& Side(bool receive) const { return receive ? rx_ : tx_; }
    [[nodiscard]] FrequencyState* FrequencyOf(int number);
    [[nodiscard]] FrequencyState* CurrentFrequency();
    [[nodiscard]] int* ItemValue(int number);
    [[nodiscard]] const int* ItemValue(int number) const;
    [[nodiscard]] bool HandleEnter(QWidget* focus);

    QStringList toneTable_;
    double bandBase_ = 0;
    std::array<FrequencyState, testmode::kTestFrequencies.size()> frequencies_{};
    std::array<int, testmode::kAlignmentItems.size()> itemValues_{};
    int frequency_ = testmode::kHigh;
    int item_ = testmode::kItemTxFrequency;
    bool firstSelect_ = true;
    QString port_;
    std::shared_ptr<SerialTrace> trace_;

    QMap<Control, QWidget*> controls_;
    QWidget* page_ = nullptr;  // every control; disabled while Start runs
    QTreeWidget* tree_ = nullptr;
    QGroupBox* panelFrame_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    SideControls rx_;
    SideControls tx_;
    QRadioButton* high_ = nullptr;
    QRadioButton* middle_ = nullptr;
    QRadioButton* low_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* valueLabel_ = nullptr;
    QList<QWidget*> frequencyPanel_;
    QList<QWidget*> itemPanel_;
    std::unique_ptr<TransferRunner> runner_;
    std::shared_ptr<LinkOutcome> running_;  // filled by the worker
    LinkOutcome lastOutcome_;
};

}  // namespace pm
