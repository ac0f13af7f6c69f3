#pragma once
// The commands of the menus, the toolbar and the accelerators, with their prompts and tool tips.

#include <QString>

namespace pm {

/** Every command the main window offers as an action. */
enum class Command {
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    FilePrint,
    FilePrintPreview,
    FilePrintSetup,
    RecentFile1,
    RecentFile2,
    RecentFile3,
    RecentFile4,
    AppExit,
    AppAbout,
    NextPane,
    PreviousPane,
    ReadFromRadio,
    WriteToRadio,
    TestMode,
    EditData,
    PortCom1,
    PortCom2,
    PortCom3,
    PortCom4,
    ViewToolBar,
    ViewStatusBar,
    EditUndo,
    EditRedo,
    EditCut,
    EditCopy,
    EditPaste,
    EditClear,
    ClearChannel,
    InsertChannel,
    DeleteChannel,
    MoveChannelUp,
    MoveChannelDown,
    SortChannels,
    GoToChannel,
};

/** The recent-file entry index (0 first). */
[[nodiscard]] constexpr Command RecentFileCommand(int index) {
    return static_cast<Command>(static_cast<int>(Command::RecentFile1) + index);
}

/** The status-bar prompt and the tool tip of a command (empty when it has none). */
struct Prompt {
    QString status;
    QString tip;
};

/** Prompt of a command, from the string table. */
[[nodiscard]] Prompt PromptOf(Command command);

/** The action's object name ("actionFileNew"), for finding it from outside. */
[[nodiscard]] QString ObjectNameOf(Command command);

}  // namespace pm
