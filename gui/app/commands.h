#pragma once
// Command ids of the menus, the toolbar and the accelerators, with their prompts and tool tips.

#include <QString>

namespace pm::cmd {

inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kFileMru1 = 57616;  // ..57619
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kReadFromRadio = 32771;
inline constexpr int kWriteToRadio = 32772;
inline constexpr int kPortCom1 = 32773;
inline constexpr int kPortCom2 = 32775;
inline constexpr int kPortCom3 = 32776;
inline constexpr int kPortCom4 = 32777;
inline constexpr int kTestMode = 32778;
inline constexpr int kEditData = 32780;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;

/** The status-bar prompt and the tool tip of a command (empty when it has none). */
struct Prompt {
    QString status;
    QString tip;
};

/** Prompt of command id, from the string table. */
[[nodiscard]] Prompt PromptOf(int id);

}  // namespace pm::cmd
