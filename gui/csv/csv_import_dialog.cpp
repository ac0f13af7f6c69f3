#include "gui/csv/csv_import_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "core/image/channel_table.h"
#include "gui/common/file_names.h"

namespace pm {
namespace {

// Rows that go to no channel stand out from the taken ones in any theme's light or dark base.
const QColor kRefusedColor(0xC0, 0x20, 0x20);

constexpr int kLineColumn = 0;
constexpr int kChannelColumn = 1;
constexpr int kColumns = 2 + col::kPower - col::kReceive + 1;

QString FromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The core's hint names the command line's option; here the choice is a button above the preview.
QString Reason(const std::string& reason) {
    return FromStd(reason).replace(FromStd(kSequentialHint),
                                   QStringLiteral(" (place the rows in file order)"));
}

QString Count(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString Summary(const CsvImportResult& plan) {
    const auto didNotFit =
        static_cast<int>(std::count_if(plan.rows.begin(), plan.rows.end(), [](const CsvPlanRow& r) {
            return r.fate == CsvRowFate::NoChannelLeft;
        }));
    QString text = Count(plan.channelsImported, "channel", "channels");
    if (plan.rowsRefused > didNotFit)
        text += QStringLiteral(", ") + Count(plan.rowsRefused - didNotFit, "row", "rows") +
                QStringLiteral(" refused");
    if (didNotFit > 0)
        text += QStringLiteral(", ") + Count(didNotFit, "row", "rows") + QStringLiteral(" did not fit");
    return text;
}

}  // namespace

CsvImportDialog::CsvImportDialog(const QString& path, const Image& base, QWidget* parent)
    : QDialog(parent), path_(path), base_(base) {
    setObjectName(QStringLiteral("csvImportDialog"));
    setWindowTitle(QStringLiteral("Import CSV"));
    heading_ = new QLabel(this);
    heading_->setWordWrap(true);

    auto* placeBox = new QGroupBox(QStringLiteral("Place the rows"), this);
    auto* byLocation = new QRadioButton(QStringLiteral("By Location"), placeBox);
    byLocation->setChecked(true);
    inFileOrder_ = new QRadioButton(QStringLiteral("In file order from channel"), placeBox);
    firstChannel_ = new QSpinBox(placeBox);
    firstChannel_->setRange(1, kChannelCount);
    firstChannel_->setEnabled(false);
    auto* placeLayout = new QVBoxLayout(placeBox);
    placeLayout->addWidget(byLocation);
    auto* orderLine = new QHBoxLayout;
    orderLine->addWidget(inFileOrder_);
    orderLine->addWidget(firstChannel_);
    orderLine->addStretch();
    placeLayout->addLayout(orderLine);

    auto* planBox = new QGroupBox(QStringLiteral("Current plan"), this);
    auto* replace = new QRadioButton(QStringLiteral("Replace all channels"), planBox);
    replace->setChecked(true);
    merge_ = new QRadioButton(QStringLiteral("Merge into the current plan"), planBox);
    auto* planLayout = new QVBoxLayout(planBox);
    planLayout->addWidget(replace);
    planLayout->addWidget(merge_);

    preview_ = new QTableWidget(0, kColumns, this);
    QStringList headings{QStringLiteral("Line")};
    for (int c = col::kNumber; c <= col::kPower; ++c)
        headings << FromStd(ColumnHeadings()[static_cast<std::size_t>(c)]);
    preview_->setHorizontalHeaderLabels(headings);
    preview_->verticalHeader()->setVisible(false);
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A long reason wraps in its row rather than ending in "...", at whatever width the dialog is given.
    preview_->setWordWrap(true);
    preview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(preview_->horizontalHeader(), &QHeaderView::sectionResized, this, &CsvImportDialog::FitRows);

    notes_ = new QPlainTextEdit(this);
    notes_->setReadOnly(true);
    notes_->setPlaceholderText(QStringLiteral("No notes on this file."));
    notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 2 * notes_->frameWidth() + 8);
    summary_ = new QLabel(this);

    auto* buttons = new QDialogButtonBox(this);
    import_ = buttons->addButton(QStringLiteral("Import"), QDialogButtonBox::AcceptRole);
    import_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* options = new QHBoxLayout;
    options->addWidget(placeBox, 1);
    options->addWidget(planBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addLayout(options);
    layout->addWidget(preview_, 1);
    layout->addWidget(new QLabel(QStringLiteral("Notes:"), this));
    layout->addWidget(notes_);
    layout->addWidget(summary_);
    layout->addWidget(buttons);

    controls_ = {{Control::ByLocation, byLocation},
                 {Control::InFileOrder, inFileOrder_},
                 {Control::FirstChannel, firstChannel_},
                 {Control::Replace, replace},
                 {Control::Merge, merge_},
                 {Control::Preview, preview_},
                 {Control::Notes, notes_},
                 {Control::Summary, summary_},
                 {Control::Import, import_}};

    // One button of each pair is enough: toggling one toggles the other.
    connect(inFileOrder_, &QRadioButton::toggled, this, [this](bool on) {
        firstChannel_->setEnabled(on);
        Replan();
    });
    connect(merge_, &QRadioButton::toggled, this, &CsvImportDialog::Replan);
    connect(firstChannel_, &QSpinBox::valueChanged, this, &CsvImportDialog::Replan);
    Replan();
    // Columns as wide as what they hold, and room for the usual reason on one line; the last column
    // takes what the dialog gives beyond that.
    preview_->resizeColumnsToContents();
    QHeaderView* header = preview_->horizontalHeader();
    // The view would size the channel column by the reasons spanning from it; "CH" is wider than "80".
    preview_->setColumnWidth(kChannelColumn, header->sectionSizeHint(kChannelColumn));
    const int columns = std::max(header->length(), preview_->columnWidth(kLineColumn) +
                                                       preview_->fontMetrics().averageCharWidth() * 90);
    header->setStretchLastSection(true);
    const int width =
        columns + 2 * preview_->frameWidth() + preview_->verticalScrollBar()->sizeHint().width();
    preview_->setMinimumWidth(width);
    preview_->setMinimumHeight(preview_->verticalHeader()->defaultSectionSize() * 10);
}

CsvImportOptions CsvImportDialog::Options() const {
    CsvImportOptions options;
    options.placement = inFileOrder_->isChecked() ? CsvPlacement::Sequential : CsvPlacement::Location;
    options.firstChannel = firstChannel_->value();
    options.merge = merge_->isChecked();
    return options;
}

void CsvImportDialog::Replan() {
    plan_ = ImportCsvFile(FileNameBytes(path_), base_, Options());
    ShowPlan();
}

void CsvImportDialog::ShowPlan() {
    const QString layout = plan_.layout == CsvLayout::Native ? QStringLiteral("this program's layout")
                                                             : QStringLiteral("common layout");
    heading_->setText(QStringLiteral("%1: channel list, %2").arg(QFileInfo(path_).fileName(), layout));
    preview_->clearSpans();
    preview_->setRowCount(0);
    // The file may have gone since it was chosen: then there is nothing to import.
    import_->setEnabled(plan_.ok());
    if (!plan_.ok()) {
        notes_->setPlainText(FromStd(plan_.fileError));
        summary_->setText(QStringLiteral("Nothing to import"));
        return;
    }
    std::set<int> rowLines;
    for (const CsvPlanRow& row : plan_.rows) {
        rowLines.insert(row.line);
        if (row.fate == CsvRowFate::Placeholder) continue;
        const int r = preview_->rowCount();
        preview_->insertRow(r);
        auto* line = new QTableWidgetItem(QString::number(row.line));
        line->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        preview_->setItem(r, kLineColumn, line);
        if (row.fate == CsvRowFate::Taken) {
            auto* channel = new QTableWidgetItem(QString::number(row.channel));
            channel->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            preview_->setItem(r, kChannelColumn, channel);
            QStringList notes;
            for (const auto& note : row.notes) notes << FromStd(note);
            for (int c = col::kReceive; c <= col::kPower; ++c) {
                auto* cell = new QTableWidgetItem(FromStd(row.cells[static_cast<std::size_t>(c)]));
                cell->setToolTip(notes.join(QLatin1Char('\n')));
                preview_->setItem(r, kChannelColumn + c, cell);
            }
            continue;
        }
        const QString why = row.fate == CsvRowFate::NoChannelLeft ? QStringLiteral("did not fit: ")
                            : row.channel > 0 ? QStringLiteral("channel %1 refused: ").arg(row.channel)
                                              : QStringLiteral("refused: ");
        auto* reason = new QTableWidgetItem(why + Reason(row.reason));
        reason->setToolTip(reason->text());
        for (QTableWidgetItem* item : {line, reason}) item->setForeground(kRefusedColor);
        preview_->setItem(r, kChannelColumn, reason);
        preview_->setSpan(r, kChannelColumn, 1, kColumns - kChannelColumn);
    }
    // Notes on taken rows, and the setting lines of our own layout that were refused.
    std::vector<std::pair<int, QString>> notes;
    for (const CsvRowReport& note : plan_.notes) {
        notes.emplace_back(note.line, QStringLiteral("line %1, channel %2: %3")
                                          .arg(note.line)
                                          .arg(note.channel)
                                          .arg(FromStd(note.reason)));
    }
    for (const CsvRowReport& refused : plan_.refused) {
        if (!rowLines.contains(refused.line))
            notes.emplace_back(
                refused.line,
                QStringLiteral("line %1: refused: %2").arg(refused.line).arg(Reason(refused.reason)));
    }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList text;
    for (const auto& note : notes) text << note.second;
    if (plan_.noRows && !plan_.merge)
        text << QStringLiteral("no channels in %1").arg(QFileInfo(path_).fileName());
    notes_->setPlainText(text.join(QLatin1Char('\n')));
    summary_->setText(Summary(plan_));
    FitRows();
}

void CsvImportDialog::FitRows() {
    // A reason spans the row, wider than any one column the view would measure it by.
    const QFontMetrics metrics = preview_->fontMetrics();
    const int margin = preview_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, preview_) + 1;
    const int lineHeight = metrics.height() + 8;
    for (int r = 0; r < preview_->rowCount(); ++r) {
        int height = lineHeight;
        if (preview_->columnSpan(r, kChannelColumn) > 1) {
            const QRect cell = preview_->visualRect(preview_->model()->index(r, kChannelColumn));
            const QRect text =
                metrics.boundingRect(QRect(0, 0, cell.width() - 2 * margin, 1 << 16), Qt::TextWordWrap,
                                     preview_->item(r, kChannelColumn)->text());
            height = std::max(lineHeight, text.height() + lineHeight - metrics.height());
        }
        preview_->setRowHeight(r, height);
    }
}

}  // namespace pm
