#include "gui/testmode/testmode_command.h"

#include <QDateTime>
#include <QFile>

#include "core/image/tone.h"
#include "core/link/link_texts.h"
#include "core/link/port_names.h"
#include "core/link/posix_serial_port.h"
#include "core/safety/port_diagnosis.h"
#include "core/testmode/field_frequency.h"
#include "gui/app/main_window.h"
#include "gui/app/transfer_log.h"
#include "core/safety/outcome_text.h"
#include "gui/editor/channel_view.h"
#include "gui/link/link_message.h"
#include "gui/link/transfer_commands.h"
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
    if (const auto* transfers = TransferCommands::Of(frame)) dialog.SetTrace(transfers->TraceStore());
    // The open-failure box carries the same reason under it as Read and Write show. The exchange has
    // let the port go when its box shows, so trying it again finds the same reason.
    const std::string port = QFile::encodeName(frame.View()->Port()).toStdString();
    const ScopedLinkDetail reason(link::kOpenFailed, [port] {
        PosixSerialPort probe;
        const int error = probe.Open(port);
        if (error == 0) probe.Close();
        return QString::fromStdString(error == 0 ? std::string()
                                                 : ExplainOpenFailure(DevicePathOfPort(port), error));
    });
    QObject::connect(&dialog, &TestModeDialog::ExchangeFinished, &frame, [&frame, &dialog] {
        const LinkOutcome& outcome = dialog.LastOutcome();
        const OutcomeText told = TestModeOutcomeText(outcome);
        TransferLogEntry entry{QDateTime::currentDateTime(),
                               QStringLiteral("Test Mode"),
                               dialog.Port(),
                               QString(),
                               QString::fromStdString(told.line),
                               QString::fromStdString(told.cause),
                               outcome.blocks,
                               QString(),
                               QString()};
        frame.Log().Add(entry);
        frame.ShowOutcome(entry.result, DescribeEntry(entry));
    });
    dialog.exec();
}

}  // namespace pm
