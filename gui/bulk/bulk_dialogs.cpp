#include "gui/bulk/bulk_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/image/tone.h"

namespace pm {
namespace {

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items, bool editable = false) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    combo->setEditable(editable);
    return combo;
}

/** Tone table entries from first, count of them. */
QStringList Tones(int first, int count) {
    QStringList out;
    for (int i = first; i < first + count; ++i)
        out << QString::fromStdString(ToneTable()[static_cast<std::size_t>(i)]);
    return out;
}

}  // namespace

RepeaterDialog::RepeaterDialog(const QString& channels, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("repeaterDialog"));
    setWindowTitle(QStringLiteral("Repeater - ") + channels);
    duplexBox_ = new QGroupBox(QStringLiteral("&Duplex"), this);
    duplexBox_->setCheckable(true);
    duplex_ = Combo(duplexBox_, "duplex",
                    {QStringLiteral("Simplex (transmit on receive)"), QStringLiteral("Plus (+ offset)"),
                     QStringLiteral("Minus (- offset)"), QStringLiteral("Split (transmit frequency)")});
    duplex_->setCurrentIndex(1);
    QStringList presets;
    for (const auto p : kOffsetPresets)
        presets << QString::fromUtf8(p.data(), static_cast<qsizetype>(p.size()));
    offset_ = Combo(duplexBox_, "offset", presets, true);
    offsetLabel_ = new QLabel(duplexBox_);
    auto* duplexForm = new QFormLayout(duplexBox_);
    duplexForm->addRow(QStringLiteral("Direction:"), duplex_);
    duplexForm->addRow(offsetLabel_, offset_);

    toneBox_ = new QGroupBox(QStringLiteral("&Tone mode"), this);
    toneBox_->setCheckable(true);
    mode_ = Combo(
        toneBox_, "toneMode",
        {QStringLiteral("None"), QStringLiteral("Tone on transmit"), QStringLiteral("Tone squelch both ways"),
         QStringLiteral("DCS both ways"), QStringLiteral("Cross (receive and transmit apart)")});
    ctcss_ = Combo(toneBox_, "ctcss", Tones(kFirstCtcss, kCtcssCount));
    ctcss_->setCurrentText(QStringLiteral("88.5"));
    QStringList codes;
    for (const QString& d : Tones(kFirstDcsNormal, kDcsCount)) codes << d.mid(1, 3);
    dcs_ = Combo(toneBox_, "dcs", codes);
    dcs_->setCurrentText(QStringLiteral("023"));
    polarity_ = Combo(toneBox_, "polarity", {QStringLiteral("Normal (N)"), QStringLiteral("Inverted (I)")});
    rxTone_ = Combo(toneBox_, "rxTone", Tones(0, kToneCount));
    txTone_ = Combo(toneBox_, "txTone", Tones(0, kToneCount));
    auto* dcsRow = new QHBoxLayout;
    dcsRow->addWidget(dcs_);
    dcsRow->addWidget(polarity_);
    auto* toneForm = new QFormLayout(toneBox_);
    toneForm->addRow(QStringLiteral("Mode:"), mode_);
    toneForm->addRow(QStringLiteral("CTCSS tone (Hz):"), ctcss_);
    toneForm->addRow(QStringLiteral("DCS code:"), dcsRow);
    toneForm->addRow(QStringLiteral("Cross, Rx Tone:"), rxTone_);
    toneForm->addRow(QStringLiteral("Cross, Tx Tone:"), txTone_);

    auto* note =
        new QLabel(QStringLiteral("Channels without a receive frequency, and results outside the band "
                                  "or off the step, are refused and stay as they are."),
                   this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(duplexBox_);
    layout->addWidget(toneBox_);
    layout->addWidget(note);
    layout->addWidget(buttons);
    for (QComboBox* c : {duplex_, mode_})
        connect(c, &QComboBox::currentIndexChanged, this, &RepeaterDialog::Update);
    Update();
}

void RepeaterDialog::Update() {
    const int d = duplex_->currentIndex();
    offset_->setEnabled(d != 0);
    offsetLabel_->setText(d == 3 ? QStringLiteral("Transmit (MHz):") : QStringLiteral("Offset (MHz):"));
    const int m = mode_->currentIndex();
    ctcss_->setEnabled(m == 1 || m == 2);
    dcs_->setEnabled(m == 3);
    polarity_->setEnabled(m == 3);
    rxTone_->setEnabled(m == 4);
    txTone_->setEnabled(m == 4);
}

RepeaterEdit RepeaterDialog::Edit() const {
    RepeaterEdit edit;
    if (duplexBox_->isChecked()) {
        edit.duplex = static_cast<Duplex>(duplex_->currentIndex());
        edit.offset = offset_->currentText().trimmed().toStdString();
    }
    if (toneBox_->isChecked()) {
        edit.tone = static_cast<ToneMode>(mode_->currentIndex());
        edit.ctcss = ctcss_->currentText().toStdString();
        edit.dcs = dcs_->currentText().toStdString();
        edit.polarity = polarity_->currentIndex() == 1 ? 'I' : 'N';
        edit.rxTone = rxTone_->currentText().toStdString();
        edit.txTone = txTone_->currentText().toStdString();
    }
    return edit;
}

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Find"));
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("findText"));
    text_->setPlaceholderText(QStringLiteral("146.94, 146 or 88.5"));
    frequency_ = new QRadioButton(QStringLiteral("&Frequency (MHz)"), this);
    frequency_->setChecked(true);
    auto* tone = new QRadioButton(QStringLiteral("T&one"), this);
    tone->setObjectName(QStringLiteral("findTone"));
    receive_ = new QCheckBox(QStringLiteral("&Receive"), this);
    transmit_ = new QCheckBox(QStringLiteral("&Transmit"), this);
    receive_->setChecked(true);
    transmit_->setChecked(true);
    auto* next = new QPushButton(QStringLiteral("Find &Next"), this);
    next->setObjectName(QStringLiteral("findNext"));
    next->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(next, &QPushButton::clicked, this, &FindDialog::FindNext);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* kind = new QHBoxLayout;
    kind->addWidget(frequency_);
    kind->addWidget(tone);
    auto* sides = new QHBoxLayout;
    sides->addWidget(receive_);
    sides->addWidget(transmit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(close);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Find &what:"), text_);
    form->addRow(QStringLiteral("By:"), kind);
    form->addRow(QStringLiteral("In:"), sides);
    form->addRow(buttons);
}

FindQuery FindDialog::Query() const {
    FindQuery q;
    q.kind = frequency_->isChecked() ? FindQuery::Kind::Frequency : FindQuery::Kind::Tone;
    q.text = text_->text().toStdString();
    q.receive = receive_->isChecked();
    q.transmit = transmit_->isChecked();
    return q;
}

PlanCheckDialog::PlanCheckDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("planCheckDialog"));
    setWindowTitle(QStringLiteral("Check Plan"));
    summary_ = new QLabel(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("findings"));
    list_->setWordWrap(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setResizeMode(QListView::Adjust);
    auto* again = new QPushButton(QStringLiteral("Check &Again"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(again, &QPushButton::clicked, this, &PlanCheckDialog::Recheck);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const auto& f = findings_.at(static_cast<std::size_t>(list_->row(item)));
        emit GoTo(f.channel, f.column);
    });
    connect(list_, &QListWidget::itemClicked, list_, &QListWidget::itemActivated);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        new QLabel(QStringLiteral("Click a finding to go to its channel. Nothing is changed."), this));
    buttons->addStretch();
    buttons->addWidget(again);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(640, 320);
}

void PlanCheckDialog::SetFindings(const std::vector<Finding>& findings) {
    findings_ = findings;
    list_->clear();
    for (const Finding& f : findings) {
        list_->addItem(QStringLiteral("Channel %1: ").arg(f.channel) + QString::fromStdString(f.text));
    }
    summary_->setText(findings.empty() ? QStringLiteral("No findings: the plan looks sound.")
                                       : QStringLiteral("%1 finding(s):").arg(findings.size()));
}

}  // namespace pm
