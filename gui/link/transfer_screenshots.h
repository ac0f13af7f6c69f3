#pragma once
// Screenshots of the radio link: the progress dialog in the middle of a read, and the Port menu open.

#include <QDir>

namespace pm {

class MainWindow;

/** Reads from the virtual radio and shoots the dialog at block 100, then the open Port menu; false on a
 * failure. */
bool RenderTransferScreenshots(MainWindow& frame, const QDir& dir);

}  // namespace pm
