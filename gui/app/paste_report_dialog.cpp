#include "gui/app/paste_report_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/image/channel_table.h"

namespace pm {
namespace {

QString ColumnName(int column) {
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
    table_->setMinimumSize(620, 200);
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void PasteReportDialog::SetReport(const PasteReport& report) {
    const std::string text = FormatPasteReport(report);
    // The core's last line is the summary; the lines before it are the table's rows.
    QString summary = QString::fromStdString(text).trimmed();
    summary = summary.mid(summary.lastIndexOf(QLatin1Char('\n')) + 1);
    summary_->setText(summary + QStringLiteral(". Refused values leave their cells as they were."));
    table_->setRowCount(static_cast<int>(report.refused.size()));
    int row = 0;
    for (const PasteRefusal& refusal : report.refused) {
        const QStringList cells = {QString::number(refusal.channel), ColumnName(refusal.column),
                                   QString::fromStdString(refusal.text),
                                   QString::fromStdString(refusal.reason)};
        for (int c = 0; c < cells.size(); ++c) table_->setItem(row, c, new QTableWidgetItem(cells.at(c)));
        ++row;
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
}

QString PasteReportDialog::Summary() const {
    return summary_->text();
}

}  // namespace pm
