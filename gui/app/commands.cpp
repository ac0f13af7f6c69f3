#include "gui/app/commands.h"

#include <array>

namespace pm {
namespace {

struct CommandText {
    Command command;
    const char* name;
    const char* entry;  // "prompt\ntip", as the string table keeps them
};

constexpr std::array<CommandText, 25> kCommands = {{
    {Command::FileNew, "FileNew", "Create a new document\nNew"},
    {Command::FileOpen, "FileOpen", "Open an existing document\nOpen"},
    {Command::FileSave, "FileSave", "Save the active document\nSave"},
    {Command::FileSaveAs, "FileSaveAs", "Save the active document with a new name\nSave As"},
    {Command::FilePrint, "FilePrint", "Print the active document\nPrint"},
    {Command::FilePrintPreview, "FilePrintPreview", "Display full pages\nPrint Preview"},
    {Command::FilePrintSetup, "FilePrintSetup", "Change the printer and printing options\nPrint Setup"},
    {Command::RecentFile1, "RecentFile1", "Open this document"},
    {Command::RecentFile2, "RecentFile2", "Open this document"},
    {Command::RecentFile3, "RecentFile3", "Open this document"},
    {Command::RecentFile4, "RecentFile4", "Open this document"},
    {Command::AppExit, "AppExit", "Quit the application; prompts to save documents\nExit"},
    {Command::AppAbout, "AppAbout", "Display program information, version number and copyright\nAbout"},
    {Command::NextPane, "NextPane", ""},
    {Command::PreviousPane, "PreviousPane", ""},
    {Command::ReadFromRadio, "ReadFromRadio", "Read Data From Radio\nRead"},
    {Command::WriteToRadio, "WriteToRadio", "Write Data to Radio \nWrite"},
    {Command::TestMode, "TestMode", "Debug TX Power,Squelch Level,Low Power Alert\nDebug on line"},
    {Command::EditData, "EditData", "Edit channel Data \nEdit"},
    {Command::PortCom1, "PortCom1", "Choose Communication Port one \nCom1"},
    {Command::PortCom2, "PortCom2", "Choose Communication Port two \nCom2"},
    {Command::PortCom3, "PortCom3", "Choose Communication Port three \nCom3"},
    {Command::PortCom4, "PortCom4", "Choose Communication Port four \nCom4"},
    {Command::ViewToolBar, "ViewToolBar", "Show or hide the toolbar\nToggle ToolBar"},
    {Command::ViewStatusBar, "ViewStatusBar", "Show or hide the status bar\nToggle StatusBar"},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < kCommands.size(); ++i) {
            if (static_cast<std::size_t>(kCommands[i].command) != i) return false;
        }
        return true;
    }(),
    "kCommands must list the commands in enum order");

// The table is in enum order, so a command is its own index.
const CommandText& TextOf(Command command) {
    return kCommands[static_cast<std::size_t>(command)];
}

}  // namespace

Prompt PromptOf(Command command) {
    const QString entry = QString::fromUtf8(TextOf(command).entry);
    const qsizetype newline = entry.indexOf(QLatin1Char('\n'));
    if (newline < 0) return {entry, QString()};
    return {entry.left(newline), entry.mid(newline + 1)};
}

QString ObjectNameOf(Command command) {
    return QStringLiteral("action") + QString::fromLatin1(TextOf(command).name);
}

}  // namespace pm
