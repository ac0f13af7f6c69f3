#pragma once
// The Help menu and the user guide it opens.

#include <QString>

class QWidget;

namespace pm {

class MainWindow;

/** The guide's first page: an installed copy under the program's prefix, else the source tree's; empty when
 * neither is there. */
[[nodiscard]] QString UserGuidePath();

/** Opens the user guide in the desktop's browser; a missing guide or browser is said in a message. */
bool OpenUserGuide(QWidget* parent);

/** Adds the Help menu after the last menu: User Guide (F1) and the About command. */
void InstallHelpMenu(MainWindow& window);

}  // namespace pm
