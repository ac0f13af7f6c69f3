#include "gui/app/paste_report_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/image/channel_table.h"

namespace pm {
namespace {

PasteReportAnswerer& Answerer() {
    static PasteReportAnswerer answerer;
    return answerer;
}

QString ColumnName(int column) {
    if (column == 0) return QStringLiteral("whole row");
    if (column >= col::kReceive && column <= col::kPower) {
        const std::string_view heading = ColumnHeadings()[static_cast<std::size_t>(column)];
        return QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size()));
    }
    return QStringLiteral("column %1").arg(column);
}

}  // namespace

PasteReportDialog::PasteReportDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("pasteReport"));
    setWindowTitle(QStringLiteral("Paste"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    table_ = new QTableWidget(0, 4, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Channel"), QStringLiteral("Column"),
                                       QStringLiteral("Value"), QStringLiteral("Reason")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setStretchLastSection(true);
    // A reason is a sentence: it wraps inside its column rather than being cut.
    table_->setWordWrap(true);
    table_->setTextElideMode(Qt::ElideNone);
    table_->setMinimumSize(760, 220);
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("apply"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void PasteReportDialog::SetReport(const PasteReport& report) {
    const std::string text = FormatPasteReport(report);
    // The core's last line is the summary; the lines before it are the table's rows.
    QString summary = QString::fromStdString(text).trimmed();
    summary = summary.mid(summary.lastIndexOf(QLatin1Char('\n')) + 1);
    summary_->setText(
        summary + QStringLiteral(". Apply pastes the values taken; refused values leave their cells as they "
                                 "were, and a channel whose receive frequency is refused stays as it was. "
                                 "Cancel pastes nothing."));
    table_->setRowCount(static_cast<int>(report.refused.size()));
    int row = 0;
    for (const PasteRefusal& refusal : report.refused) {
        const QStringList cells = {QString::number(refusal.channel), ColumnName(refusal.column),
                                   QString::fromStdString(refusal.text),
                                   QString::fromStdString(refusal.reason)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setToolTip(cells.at(c));
            table_->setItem(row, c, item);
        }
        ++row;
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->resizeRowsToContents();
}

QString PasteReportDialog::Summary() const {
    return summary_->text();
}

ScopedPasteReportAnswerer::ScopedPasteReportAnswerer(PasteReportAnswerer answerer)
    : previous_(std::exchange(Answerer(), std::move(answerer))) {}

ScopedPasteReportAnswerer::~ScopedPasteReportAnswerer() {
    Answerer() = std::move(previous_);
}

bool ConfirmPaste(const PasteReport& report, QWidget* parent) {
    PasteReportDialog dialog(parent);
    dialog.SetReport(report);
    if (const PasteReportAnswerer& answerer = Answerer()) return answerer(dialog);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace pm
