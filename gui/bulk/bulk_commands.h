#pragma once
// The commands on many channels at once: Ctrl+Enter and Fill Down (Edit menu), Repeater... (Channel
// menu), Find... and Find Next, Check Plan (View menu).

namespace pm {

class MainWindow;

/** Installs the commands into window's menus and grid. */
void InstallBulkCommands(MainWindow& window);

}  // namespace pm
