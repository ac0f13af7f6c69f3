#include "gui/testmode/test_mode_command.h"

#include "core/image/tone.h"
#include "core/testmode/test_frequency.h"
#include "gui/app/features.h"
#include "gui/app/main_frame.h"
#include "gui/editor/tovar_view.h"
#include "gui/testmode/test_mode_dlg.h"

namespace pm {

void InstallTestModeCommand(CMainFrame& frame) {
    QStringList toneTable;
    for (const std::string& tone : ToneTable()) toneTable << QString::fromStdString(tone);
    QObject::connect(&frame, &CMainFrame::TestModeRequested, &frame,
                     [&frame, toneTable] { OnTestMode(frame, toneTable); });
}

void OnTestMode(CMainFrame& frame, const QStringList& toneTable) {
    // Nothing survives from one opening to the next: every opening builds the dialog afresh.
    CTestModeDlg dialog(toneTable, &frame);
    dialog.SetBandBase(testmode::TestBandBase());
    dialog.SetPort(frame.GetActiveView()->m_strPort);
    dialog.exec();
}

}  // namespace pm
