#pragma once
// The commands that live outside the shell (printing, CSV, the radio, Test Mode) attach here.

namespace pm {

class MainWindow;

/** Connects every feature's commands to the frame's menus and signals; called once per frame. */
void InstallFeatures(MainWindow& frame);

/** CSV: "Import CSV..." and "Export CSV..." after "Save As...". */
void InstallCsvCommands(MainWindow& frame);

/** Printing: Print, Print Preview, Print Setup and "Export PDF..." after Print Preview. */
void InstallReportCommands(MainWindow& frame);

/** The radio: Read From Radio, Write To Radio, and the Port menu's devices and virtual radio. */
void InstallTransferCommands(MainWindow& frame);

/** Test Mode: the alignment dialog of Program, Test Mode. */
void InstallTestModeCommand(MainWindow& frame);

}  // namespace pm
