#pragma once
// Renders the main window and dialogs to PNG files, for a look at the layout at any scale.

#include <QString>

namespace pm {

/** Writes the windows to PNG files in directory; the plan shown is demoFile, or the demonstration plan. */
int RenderScreenshots(const QString& directory, const QString& demoFile);

}  // namespace pm
