#pragma once
// Icons and fonts the program's windows need, set up once for the whole process.

#include <QIcon>
#include <QString>

namespace pm {

/** Registers the icon resources and maps "Times New Roman" onto an installed metric twin; idempotent. */
void EnsureAppResources();

/** One of our icons by name ("new", "open", ..., "pm514rx"). */
[[nodiscard]] QIcon AppIcon(const QString& name);

}  // namespace pm
