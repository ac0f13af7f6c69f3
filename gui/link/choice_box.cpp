#include "gui/link/choice_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "core/texts.h"

namespace pm {
namespace {

ChoiceAnswerer& InstalledAnswerer() {
    static ChoiceAnswerer answerer;
    return answerer;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeChoiceBox(const ChoiceBox& choice, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent ? parent : QApplication::activeWindow());
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
    box->setTextFormat(Qt::PlainText);
    box->setText(choice.text);
    box->setInformativeText(choice.detail);
    // A device or process name in the cause is never markup.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    for (qsizetype i = 0; i < choice.buttons.size(); ++i) {
        const bool last = i + 1 == choice.buttons.size();
        QPushButton* button =
            box->addButton(choice.buttons[i], last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        button->setProperty("choice", static_cast<int>(i));
        if (i == 0) box->setDefaultButton(button);
        if (last) box->setEscapeButton(button);
    }
    return box;
}

int ShowChoice(const ChoiceBox& choice, QWidget* parent, QPointer<QMessageBox>* live) {
    if (const ChoiceAnswerer& answerer = InstalledAnswerer()) return answerer(choice);
    const std::unique_ptr<QMessageBox> box = MakeChoiceBox(choice, parent);
    if (live) *live = box.get();
    box->exec();
    if (live) live->clear();
    const QAbstractButton* pressed = box->clickedButton();
    const int last = static_cast<int>(choice.buttons.size()) - 1;
    return pressed ? pressed->property("choice").toInt() : last;
}

ScopedChoiceAnswerer::ScopedChoiceAnswerer(ChoiceAnswerer answerer)
    : previous_(std::exchange(InstalledAnswerer(), std::move(answerer))) {}

ScopedChoiceAnswerer::~ScopedChoiceAnswerer() {
    InstalledAnswerer() = std::move(previous_);
}

}  // namespace pm
