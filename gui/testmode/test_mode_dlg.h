#pragma once
// The Test Mode dialog: pick a test frequency or an alignment item from the tree, set it up, and Start
// sends the item, its value, the frequency pair and the tones to the radio.

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

#include "core/link/test_mode.h"
#include "core/testmode/test_frequency.h"
#include "core/testmode/test_mode_items.h"

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

class TransferRunner;
class ToneBox;

class CTestModeDlg : public QDialog {
    Q_OBJECT

  public:
    /** Control ids of the dialog's template; Control(id) finds the widget. */
    enum Id {
        kDefaultButton = 1028,
        kTree = 1026,
        kPanelFrame = 1029,
        kRxFreqLabel = 1054,
        kTxFreqLabel = 1055,
        kRxToneLabel = 1056,
        kTxToneLabel = 1057,
        kRxMethodLabel = 1058,
        kRxFreqEdit = 1030,
        kTxFreqEdit = 1031,
        kRxQt = 1034,
        kRxDqt = 1035,
        kTxMethodLabel = 1059,
        kTxQt = 1036,
        kTxDqt = 1037,
        kStartButton = 1038,
        kValueFrame = 1044,
        kMinLabel = 1049,
        kMaxLabel = 1051,
        kSlider = 1039,
        kValueLabel = 1052,
        kChooseFrame = 1043,
        kHighChoice = 1040,
        kMiddleChoice = 1041,
        kLowChoice = 1042,
        kRxToneBox = 1012,
        kTxToneBox = 1013,
        kReceiveFrame = 1060,
        kTransmitFrame = 1061,
        kRxStepLabel = 1062,
        kRxStep5 = 1063,
        kRxStep6 = 1064,
        kTxStepLabel = 1065,
        kTxStep5 = 1066,
        kTxStep6 = 1067,
        kHiddenDefault = 1068,
    };

    /** The dialog in its opening state; the tone lists are slices of toneTable (263 entries). */
    explicit CTestModeDlg(const QStringList& toneTable, QWidget* parent = nullptr);
    ~CTestModeDlg() override;

    /** The opener's part: the band base, and the three test frequencies at base, base + 10 and base + 20. */
    void SetBandBase(double bandBase);
    /** The opener's part: the port Start opens. */
    void SetPort(const QString& port) { m_strPort = port; }
    /** The port Start opens. */
    [[nodiscard]] const QString& Port() const { return m_strPort; }

    /** The widget of a control id, or nullptr. */
    [[nodiscard]] QWidget* Control(int id) const { return m_controls.value(id, nullptr); }
    /** The tree of test frequencies and alignment items. */
    [[nodiscard]] QTreeWidget* Tree() const { return m_tree; }
    /** The tree item that carries code, or nullptr. */
    [[nodiscard]] QTreeWidgetItem* TreeItem(int code) const;

    /** What Start would send now (the port aside). */
    [[nodiscard]] TestModeRequest CurrentRequest() const;
    /** True from Start until its exchange has ended. */
    [[nodiscard]] bool IsExchangeRunning() const;

    /** Refused while an exchange runs: the dialog stays until the radio is let go. */
    void done(int result) override;

  signals:
    /** The exchange Start began has ended and the dialog answers again. */
    void ExchangeFinished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    template <typename W>
    W* Add(int id, int x, int y, int w, int h, W* widget);
    void OnInitDialog();
    void OnTreeSelChanged(QTreeWidgetItem* item);
    void ShowFrequency(const testmode::TestFrequencyRow& row);
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
    [[nodiscard]] int* ItemValue(int item);
    [[nodiscard]] const int* ItemValue(int item) const;
    [[nodiscard]] bool HandleEnter(QWidget* focus);

    // Per test frequency: its stored frequencies, tone indices, steps and methods.
    struct TestFrequencyState {
        double* rxFreq;
        double* txFreq;
        int* rxTone;
        int* txTone;
        int* rxStep;
        int* txStep;
        int* rxMethod;
        int* txMethod;
    };
    [[nodiscard]] bool CurrentFrequency(TestFrequencyState& state);
    [[nodiscard]] TestFrequencyState StateOf(int number);

    QStringList m_toneTable;

    double m_dLowRxFreq = 0;
    double m_dHighRxFreq = 0;
    double m_dMiddleRxFreq = 0;
    double m_dLowTxFreq = 0;
    double m_dMiddleTxFreq = 0;
    double m_dHighTxFreq = 0;
    double m_dBandBase = 0;
    bool m_bFirstSelect = true;
    QString m_strPort;
    int m_nLowRxTone = 0, m_nLowTxTone = 0, m_nMiddleRxTone = 0, m_nMiddleTxTone = 0, m_nHighRxTone = 0,
        m_nHighTxTone = 0;
    int m_nFreqSel = testmode::kHigh;
    int m_nItem = testmode::kItemTxFrequency;
    int m_nTxFreqValue = 0, m_nTxPowerValue = 0, m_nSquelchValue = 0, m_nLowPowerValue = 0;
    int m_nLowRxStep = 0, m_nLowTxStep = 0, m_nHighRxStep = 0, m_nHighTxStep = 0, m_nMiddleRxStep = 0,
        m_nMiddleTxStep = 0;
    int m_nLowRxMethod = 0, m_nLowTxMethod = 0, m_nHighRxMethod = 0, m_nHighTxMethod = 0,
        m_nMiddleRxMethod = 0, m_nMiddleTxMethod = 0;

    QHash<int, QWidget*> m_controls;
    QWidget* m_page = nullptr;  // every control; disabled while Start runs
    QTreeWidget* m_tree = nullptr;
    QGroupBox* m_panelFrame = nullptr;
    QPushButton* m_defaultButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QLineEdit* m_rxFreq = nullptr;
    QLineEdit* m_txFreq = nullptr;
    ToneBox* m_rxTone = nullptr;
    ToneBox* m_txTone = nullptr;
    QRadioButton* m_rxQt = nullptr;
    QRadioButton* m_rxDqt = nullptr;
    QRadioButton* m_txQt = nullptr;
    QRadioButton* m_txDqt = nullptr;
    QRadioButton* m_rxStep5 = nullptr;
    QRadioButton* m_rxStep6 = nullptr;
    QRadioButton* m_txStep5 = nullptr;
    QRadioButton* m_txStep6 = nullptr;
    QRadioButton* m_high = nullptr;
    QRadioButton* m_middle = nullptr;
    QRadioButton* m_low = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_valueLabel = nullptr;
    QList<QWidget*> m_frequencyPanel;
    QList<QWidget*> m_itemPanel;
    std::unique_ptr<TransferRunner> m_runner;
};

}  // namespace pm
