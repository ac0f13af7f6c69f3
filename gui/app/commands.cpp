#include "gui/app/commands.h"

#include <array>

namespace pm {
namespace {

struct CommandText {
    Command command;
    const char* name;
    const char* entry;  // "prompt\ntip", as the string table keeps them
};

constexpr std::array<CommandText, 38> kCommands = {{
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
    {Command::EditUndo, "EditUndo", "Undo the last change\nUndo"},
    {Command::EditRedo, "EditRedo", "Redo the change undone last\nRedo"},
    {Command::EditCut, "EditCut", "Copy the selection to the clipboard and empty it\nCut"},
    {Command::EditCopy, "EditCopy", "Copy the selection to the clipboard\nCopy"},
    {Command::EditPaste, "EditPaste", "Paste channels or cells from the clipboard at the selection\nPaste"},
    {Command::EditClear, "EditClear", "Empty the selected cells\nClear"},
    {Command::ClearChannel, "ClearChannel", "Empty the selected channels\nClear Channel"},
    {Command::InsertChannel, "InsertChannel",
     "Open an empty channel here; the channels below move down\nInsert"},
    {Command::DeleteChannel, "DeleteChannel",
     "Remove the selected channels; the channels below move up\nDelete"},
    {Command::MoveChannelUp, "MoveChannelUp", "Move the selected channels up one place\nMove Up"},
    {Command::MoveChannelDown, "MoveChannelDown", "Move the selected channels down one place\nMove Down"},
    {Command::SortChannels, "SortChannels", "Sort the channels by receive frequency, empty ones last\nSort"},
    {Command::GoToChannel, "GoToChannel", "Go to a channel by its number\nGo to"},
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
