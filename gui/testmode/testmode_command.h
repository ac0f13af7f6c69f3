#pragma once
// Program, Test Mode: the alignment dialog over the main window (attached by InstallTestModeCommand).

#include <QStringList>

namespace pm {

class MainWindow;

/** Installs Program, Test Mode into window. */
void InstallTestModeCommand(MainWindow& window);

/** The command: a new dialog from the opening defaults with the view's port, run modally. */
void OnTestMode(MainWindow& frame, const QStringList& toneTable);

}  // namespace pm
