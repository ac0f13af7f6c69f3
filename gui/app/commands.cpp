#include "gui/app/commands.h"

namespace pm::cmd {

Prompt PromptOf(int id) {
    // Each entry is "prompt\ntip", as the string table keeps them.
    QString entry;
    switch (id) {
        case kFileNew:
            entry = QStringLiteral("Create a new document\nNew");
            break;
        case kFileOpen:
            entry = QStringLiteral("Open an existing document\nOpen");
            break;
        case kFileSave:
            entry = QStringLiteral("Save the active document\nSave");
            break;
        case kFileSaveAs:
            entry = QStringLiteral("Save the active document with a new name\nSave As");
            break;
        case kFilePrintSetup:
            entry = QStringLiteral("Change the printer and printing options\nPrint Setup");
            break;
        case kFilePrint:
            entry = QStringLiteral("Print the active document\nPrint");
            break;
        case kFilePrintPreview:
            entry = QStringLiteral("Display full pages\nPrint Preview");
            break;
        case kFileMru1:
        case kFileMru1 + 1:
        case kFileMru1 + 2:
        case kFileMru1 + 3:
            entry = QStringLiteral("Open this document");
            break;
        case kAppAbout:
            entry = QStringLiteral("Display program information, version number and copyright\nAbout");
            break;
        case kAppExit:
            entry = QStringLiteral("Quit the application; prompts to save documents\nExit");
            break;
        case kReadFromRadio:
            entry = QStringLiteral("Read Data From Radio\nRead");
            break;
        case kWriteToRadio:
            entry = QStringLiteral("Write Data to Radio \nWrite");
            break;
        case kTestMode:
            entry = QStringLiteral("Debug TX Power,Squelch Level,Low Power Alert\nDebug on line");
            break;
        case kEditData:
            entry = QStringLiteral("Edit channel Data \nEdit");
            break;
        case kPortCom1:
            entry = QStringLiteral("Choose Communication Port one \nCom1");
            break;
        case kPortCom2:
            entry = QStringLiteral("Choose Communication Port two \nCom2");
            break;
        case kPortCom3:
            entry = QStringLiteral("Choose Communication Port three \nCom3");
            break;
        case kPortCom4:
            entry = QStringLiteral("Choose Communication Port four \nCom4");
            break;
        case kViewToolbar:
            entry = QStringLiteral("Show or hide the toolbar\nToggle ToolBar");
            break;
        case kViewStatusBar:
            entry = QStringLiteral("Show or hide the status bar\nToggle StatusBar");
            break;
        default:
            return {};
    }
    const qsizetype newline = entry.indexOf(QLatin1Char('\n'));
    if (newline < 0) return {entry, QString()};
    return {entry.left(newline), entry.mid(newline + 1)};
}

}  // namespace pm::cmd
