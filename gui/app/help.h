#pragma once
// The Help menu and the user guide it opens in a window of the program.

#include <QString>

class QTextBrowser;
class QWidget;

namespace pm {

class MainWindow;

/** The guide's first page: share/pm514rx/guide beside the program's folder (installed, or copied there by the
 * build); empty when it is not there. */
[[nodiscard]] QString UserGuidePath();

/** Shows the user guide (at page, a file name with an optional #anchor, or its first page) in the guide
 * window of parent's top-level window, making that window when needed; a missing guide is said in a message.
 * The browser shown, or null. */
QTextBrowser* OpenUserGuide(QWidget* parent, const QString& page = QString());

/** Adds the Help menu after the last menu: User Guide (F1) and the About command. */
void InstallHelpMenu(MainWindow& window);

}  // namespace pm
