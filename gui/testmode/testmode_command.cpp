#include "gui/testmode/testmode_command.h"

#include "core/image/tone.h"
#include "core/testmode/field_frequency.h"
#include "gui/app/main_window.h"
#include "gui/editor/channel_view.h"
#include "gui/testmode/testmode_dialog.h"

namespace pm {

void InstallTestModeCommand(MainWindow& frame) {
    QStringList toneTable;
    for (const std::string& tone : ToneTable()) toneTable << QString::fromStdString(tone);
    QObject::connect(&frame, &MainWindow::TestModeRequested, &frame,
                     [&frame, toneTable] { OnTestMode(frame, toneTable); });
}

void OnTestMode(MainWindow& frame, const QStringList& toneTable) {
    // Nothing survives from one opening to the next: every opening builds the dialog afresh.
    TestModeDialog dialog(toneTable, &frame);
    dialog.SetBandBase(testmode::TestBandBase());
    dialog.SetPort(frame.View()->Port());
    dialog.exec();
}

}  // namespace pm
