#include "gui/link/other_port_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pm {

OtherPortDialog::OtherPortDialog(const std::vector<PortChoice>& choices, const QString& current,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Other Port"));
    auto* layout = new QVBoxLayout(this);
    auto* label =
        new QLabel(QStringLiteral("Serial device, or the path of any port (a pseudo-terminal too):"), this);
    layout->addWidget(label);
    ports_ = new QComboBox(this);
    ports_->setObjectName(QStringLiteral("otherPortList"));
    ports_->setEditable(true);
    // A typed path is used as it is, never added to the list or completed into another entry.
    ports_->setInsertPolicy(QComboBox::NoInsert);
    ports_->setCompleter(nullptr);
    ports_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ports_->setMinimumContentsLength(36);
    for (const PortChoice& choice : choices) {
        ports_->addItem(QString::fromStdString(choice.label), QString::fromStdString(choice.path));
    }
    label->setBuddy(ports_);
    const int listed = ports_->findData(current);
    if (listed >= 0) {
        ports_->setCurrentIndex(listed);
    } else {
        ports_->setEditText(current);
    }
    ports_->lineEdit()->selectAll();
    layout->addWidget(ports_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ports_, &QComboBox::editTextChanged, this,
            [this](const QString& text) { ok_->setEnabled(!text.trimmed().isEmpty()); });
    ok_->setEnabled(!ports_->currentText().trimmed().isEmpty());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString OtherPortDialog::ChosenPath() const {
    const QString text = ports_->currentText();
    const int listed = ports_->findText(text, Qt::MatchExactly);
    if (listed >= 0) return ports_->itemData(listed).toString();
    return text.trimmed();
}

}  // namespace pm
