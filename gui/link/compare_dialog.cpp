#include "gui/link/compare_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <string>

#include "core/image/channel_table.h"
#include "core/image/setting_lists.h"

namespace pm {
namespace {

QString FromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An empty cell is shown so, rather than as nothing at all.
QString Shown(const std::string& text) {
    return text.empty() ? QStringLiteral("(empty)") : FromStd(text);
}

}  // namespace

CompareDialog::CompareDialog(const ImageDiff& diff, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(QStringLiteral("Compare With Radio"));

    const auto count = static_cast<int>(diff.cells.size() + diff.settings.size());
    const std::vector<int> channels = diff.Channels();
    QString summary;
    if (diff.Equal()) {
        summary = QStringLiteral("The radio holds the same channels and settings as the document.");
    } else if (count == 0) {
        summary = QStringLiteral("Channels and settings are the same; other bytes differ.");
    } else {
        summary =
            QStringLiteral("%1 %2 between the document and the radio (%3 %4, %5 %6):")
                .arg(count)
                .arg(count == 1 ? QStringLiteral("difference") : QStringLiteral("differences"))
                .arg(channels.size())
                .arg(channels.size() == 1 ? QStringLiteral("channel") : QStringLiteral("channels"))
                .arg(diff.settings.size())
                .arg(diff.settings.size() == 1 ? QStringLiteral("setting") : QStringLiteral("settings"));
    }
    summary_ = new QLabel(summary, this);
    summary_->setObjectName(QStringLiteral("compareSummary"));
    summary_->setWordWrap(true);

    table_ = new QTableWidget(0, 3, this);
    table_->setObjectName(QStringLiteral("compareTable"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Where"), QStringLiteral("Document"), QStringLiteral("Radio")});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto add = [this](const QString& where, const QString& a, const QString& b) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        table_->setItem(row, 0, new QTableWidgetItem(where));
        table_->setItem(row, 1, new QTableWidgetItem(a));
        table_->setItem(row, 2, new QTableWidgetItem(b));
    };
    for (const CellDifference& d : diff.cells) {
        add(QStringLiteral("CH %1 %2")
                .arg(d.channel)
                .arg(FromStd(ColumnHeadings()[static_cast<std::size_t>(d.column)])),
            Shown(d.a), Shown(d.b));
    }
    for (const SettingDifference& d : diff.settings)
        add(FromStd(Info(d.setting).label), Shown(d.a), Shown(d.b));
    if (diff.otherBytes > 0) {
        char offset[16];
        std::snprintf(offset, sizeof offset, "0x%03zX", diff.firstOtherOffset);
        add(QStringLiteral("Other bytes"),
            QStringLiteral("%1 %2 differ, the first at offset %3")
                .arg(diff.otherBytes)
                .arg(diff.otherBytes == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
                .arg(QString::fromLatin1(offset)),
            QString());
        table_->setSpan(table_->rowCount() - 1, 1, 1, 2);
    }
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    table_->setVisible(table_->rowCount() > 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
    resize(table_->rowCount() > 0 ? QSize(560, 420) : QSize(420, 120));
}

QString CompareDialog::Summary() const {
    return summary_->text();
}

}  // namespace pm
