#pragma once
// The commands that live outside the shell (printing, CSV, the radio, Test Mode) attach here.

namespace pm {

class CMainFrame;

/** Connects every feature's commands to the frame's menus and signals; called once per frame. */
void InstallFeatures(CMainFrame& frame);

/** Printing: Print, Print Preview, Print Setup and "Export PDF..." after Print Preview. */
void InstallReportCommands(CMainFrame& frame);

}  // namespace pm
