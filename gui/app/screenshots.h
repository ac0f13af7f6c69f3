#pragma once
// Renders the main window and dialogs to PNG files, for a look at the layout at any scale.

#include <QString>

namespace pm {

/** Writes the windows to PNG files in directory; demoFile, when given, is the channel plan shown. */
int RenderScreenshots(const QString& directory, const QString& demoFile);

}  // namespace pm
