#include "gui/common/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace pm {
namespace {

MessageAnswerer& InstalledMessageAnswerer() {
    static MessageAnswerer answerer;
    return answerer;
}

SaveAnswerer& InstalledSaveAnswerer() {
    static SaveAnswerer answerer;
    return answerer;
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon BoxIcon(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(Buttons buttons) {
    switch (buttons) {
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case Buttons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

QWidget* DefaultParent(QWidget* parent) {
    return parent ? parent : QApplication::activeWindow();
}

}  // namespace

Answer ShowMessage(const Message& message, QWidget* parent) {
    if (const MessageAnswerer& answerer = InstalledMessageAnswerer()) return answerer(message);
    QMessageBox box(BoxIcon(message.icon), ToQString(message.caption), ToQString(message.text),
                    BoxButtons(message.buttons), DefaultParent(parent));
    // Our texts are plain: a "<" must never turn one into markup.
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Retry:
            return Answer::Retry;
        default:
            return Answer::Cancel;
    }
}

QString SaveChangesText(const QString& name) {
    return QStringLiteral("Save changes to %1?").arg(name);
}

SaveAnswer AskToSaveChanges(const QString& name, QWidget* parent) {
    const QString text = SaveChangesText(name);
    if (const SaveAnswerer& answerer = InstalledSaveAnswerer()) return answerer(text);
    QMessageBox box(QMessageBox::Warning, ToQString(kAppTitle), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, DefaultParent(parent));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveAnswer::Save;
        case QMessageBox::Discard:
            return SaveAnswer::Discard;
        default:
            return SaveAnswer::Cancel;
    }
}

ScopedAnswerers::ScopedAnswerers(MessageAnswerer messages, SaveAnswerer saves)
    : previousMessages_(std::exchange(InstalledMessageAnswerer(), std::move(messages))),
      previousSaves_(std::exchange(InstalledSaveAnswerer(), std::move(saves))) {}

ScopedAnswerers::~ScopedAnswerers() {
    InstalledMessageAnswerer() = std::move(previousMessages_);
    InstalledSaveAnswerer() = std::move(previousSaves_);
}

}  // namespace pm
