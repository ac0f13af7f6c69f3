#pragma once
// The commands that live outside the shell (printing, CSV, the radio, Test Mode) attach here.

namespace pm {

class CMainFrame;

/** Connects every feature's commands to the frame's menus and signals; called once per frame. */
void InstallFeatures(CMainFrame& frame);

/** CSV: "Import CSV..." and "Export CSV..." after "Save As...". */
void InstallCsvCommands(CMainFrame& frame);

/** Printing: Print, Print Preview, Print Setup and "Export PDF..." after Print Preview. */
void InstallReportCommands(CMainFrame& frame);

/** The radio: Read From Radio, Write To Radio, and the Port menu's devices and virtual radio. */
void InstallTransferCommands(CMainFrame& frame);

/** Test Mode: the alignment dialog of Program, Test Mode. */
void InstallTestModeCommand(CMainFrame& frame);

}  // namespace pm
