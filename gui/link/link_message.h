#pragma once
// Messages of the radio link that carry a second part under their fixed text: why a port did not open,
// which channels a verify found different.

#include <QString>

#include "core/texts.h"

class QWidget;

namespace pm {

/**
 * Shows message exactly as ShowMessage does (and through its answerer in tests); a real box also shows
 * detail under the text, so that the fixed text itself never changes.
 */
Answer ShowLinkMessage(const Message& message, const QString& detail, QWidget* parent = nullptr);

}  // namespace pm
