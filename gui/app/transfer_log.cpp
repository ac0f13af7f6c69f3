#include "gui/app/transfer_log.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/texts.h"

namespace pm {
namespace {

enum Column { kTime, kExchange, kPort, kAdapter, kResult, kBlocks, kBackup, kRestorePoint, kColumns };

QTreeWidgetItem* MakeRow(const TransferLogEntry& e) {
    auto* item = new QTreeWidgetItem(QStringList{e.time.toString(QStringLiteral("HH:mm:ss")), e.exchange,
                                                 e.port, e.adapter, e.result, QString::number(e.blocks),
                                                 e.backup, e.restorePoint});
    const QString full = DescribeEntry(e);
    for (int c = 0; c < kColumns; ++c) item->setToolTip(c, full);
    return item;
}

}  // namespace

QString DescribeEntry(const TransferLogEntry& e) {
    QStringList lines{
        e.exchange + QStringLiteral(" at ") + e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        QStringLiteral("Port: ") + e.port};
    if (!e.adapter.isEmpty()) lines << QStringLiteral("Adapter: ") + e.adapter;
    lines << QStringLiteral("Result: ") + e.result;
    if (!e.cause.isEmpty()) lines << QStringLiteral("Cause: ") + e.cause;
    lines << QStringLiteral("Blocks: %1").arg(e.blocks);
    if (!e.backup.isEmpty()) lines << QStringLiteral("Backup: ") + e.backup;
    if (!e.restorePoint.isEmpty()) lines << QStringLiteral("Restore point: ") + e.restorePoint;
    return lines.join(QLatin1Char('\n'));
}

TransferLogWindow::TransferLogWindow(const QList<TransferLogEntry>& entries, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("transferLog"));
    setWindowTitle(QStringLiteral("Transfer Log"));
    auto* splitter = new QSplitter(Qt::Vertical, this);
    rows_ = new QTreeWidget(splitter);
    rows_->setRootIsDecorated(false);
    rows_->setUniformRowHeights(true);
    rows_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Exchange"), QStringLiteral("Port"),
                            QStringLiteral("Adapter"), QStringLiteral("Result"), QStringLiteral("Blocks"),
                            QStringLiteral("Backup"), QStringLiteral("Restore point")});
    details_ = new QPlainTextEdit(splitter);
    details_->setReadOnly(true);
    details_->setPlaceholderText(QStringLiteral("No exchange with a radio yet in this run."));
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addWidget(buttons);
    connect(rows_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const int row = item ? rows_->indexOfTopLevelItem(item) : -1;
        details_->setPlainText(row >= 0 && row < entries_.size() ? DescribeEntry(entries_[row]) : QString());
    });
    for (const TransferLogEntry& e : entries) Append(e);
    for (int c = 0; c < kColumns; ++c) rows_->resizeColumnToContents(c);
    resize(900, 420);
}

void TransferLogWindow::Append(const TransferLogEntry& entry) {
    entries_.append(entry);
    QTreeWidgetItem* item = MakeRow(entry);
    rows_->addTopLevelItem(item);
    rows_->setCurrentItem(item);
}

TransferLog::TransferLog(QWidget& frame) : QObject(&frame), frame_(frame) {
    setObjectName(QStringLiteral("transferLogEntries"));
}

void TransferLog::Add(const TransferLogEntry& entry) {
    entries_.append(entry);
    if (window_) window_->Append(entry);
}

void TransferLog::Show() {
    if (!window_) {
        auto* window = new TransferLogWindow(entries_, &frame_);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window_ = window;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace pm
