#pragma once
// Messages of the radio link that carry a second part under their fixed text: why a port did not open,
// which channels a verify found different.

#include <QString>

#include <functional>
#include <memory>

#include "core/texts.h"

class QObject;
class QWidget;

namespace pm {

/**
 * Shows message exactly as ShowMessage does (and through its answerer in tests); a real box also shows
 * detail under the text, so that the fixed text itself never changes.
 */
Answer ShowLinkMessage(const Message& message, const QString& detail, QWidget* parent = nullptr);

/**
 * While it lives, every real message box that shows message's text also shows detail() under it,
 * computed as the box appears: for boxes that another part of the program shows.
 */
class ScopedLinkDetail {
  public:
    /** Attaches detail to the boxes of message. */
    ScopedLinkDetail(const Message& message, std::function<QString()> detail);
    ~ScopedLinkDetail();
    ScopedLinkDetail(const ScopedLinkDetail&) = delete;
    ScopedLinkDetail& operator=(const ScopedLinkDetail&) = delete;

  private:
    std::unique_ptr<QObject> attacher_;
};

}  // namespace pm
