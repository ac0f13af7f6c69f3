#include "gui/link/link_message.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>

#include "gui/common/message_box.h"

namespace pm {
namespace {

// While it lives, gives each message box shown with the given text its detail, just before the box lays
// itself out for showing. ShowMessage builds the box; this only adds to it.
class DetailAttacher : public QObject {
  public:
    DetailAttacher(QString text, std::function<QString()> detail)
        : text_(std::move(text)), detail_(std::move(detail)) {
        qApp->installEventFilter(this);
    }
    ~DetailAttacher() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* box = qobject_cast<QMessageBox*>(watched);
            if (box && box->text() == text_ && box->informativeText().isEmpty()) {
                box->setInformativeText(detail_());
                // Like the text above it, the detail is plain: a device or process name is never markup.
                if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
                    label->setTextFormat(Qt::PlainText);
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QString text_;
    std::function<QString()> detail_;
};

QString ToQ(const Message& message) {
    return QString::fromUtf8(message.text.data(), static_cast<qsizetype>(message.text.size()));
}

}  // namespace

Answer ShowLinkMessage(const Message& message, const QString& detail, QWidget* parent) {
    if (detail.isEmpty()) return ShowMessage(message, parent);
    const DetailAttacher attacher(ToQ(message), [detail] { return detail; });
    return ShowMessage(message, parent);
}

ScopedLinkDetail::ScopedLinkDetail(const Message& message, std::function<QString()> detail)
    : attacher_(std::make_unique<DetailAttacher>(ToQ(message), std::move(detail))) {}

ScopedLinkDetail::~ScopedLinkDetail() = default;

}  // namespace pm
