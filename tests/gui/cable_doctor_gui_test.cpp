// Port, Check Cable... against the virtual radio, and Help, Save Serial Trace... of what it exchanged.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QPushButton>

#include "core/link/traced_port.h"
#include "gui/link/cable_doctor_dialog.h"
#include "sim/demo_image.h"
#include "link_gui_fixture.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

using namespace guilink;

TEST_F(Transfer, CheckCableTellsTheRadioThenTheFailedLoopbackAndTheTraceCanBeSaved) {
    RadioOnPty radio(sim::DemoImage());
    View().SetPort(QString::fromStdString(radio.Path()));
    auto* check = Window().findChild<QAction*>(QStringLiteral("actionCheckCable"));
    auto* save = Window().findChild<QAction*>(QStringLiteral("actionSaveSerialTrace"));
    ASSERT_TRUE(check && save);
    ASSERT_TRUE(Window().PortMenu()->actions().contains(check));
    check->trigger();
    CableDoctorDialog* dialog = commands_->CableDoctor();
    ASSERT_NE(dialog, nullptr);
    QSignalSpy checked(dialog, &CableDoctorDialog::Checked);
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_TRUE(
        dialog->Text().contains(QStringLiteral("OK       radio: the radio answered: model code 0x37")))
        << dialog->Text().toStdString();
    EXPECT_EQ(dialog->Report().ExitCode(), 0);
    const QString shots = QStringLiteral(PM_BUILD_DIR "/screenshots");
    QDir().mkpath(shots);
    EXPECT_TRUE(dialog->grab().save(shots + QStringLiteral("/check-cable.png")));

    // The radio is no loopback: the 256 bytes do not come back.
    dialog->LoopbackBox()->setChecked(true);
    QTest::mouseClick(dialog->CheckButton(), Qt::LeftButton);
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_TRUE(dialog->Text().contains(QStringLiteral("PROBLEM  loopback: ")))
        << dialog->Text().toStdString();
    EXPECT_EQ(radio.Events(Kind::WakeUp).size(), 1u);

    const test::TempDir dir;
    const QString file = QString::fromStdString((dir / "trace.txt").string());
    ASSERT_TRUE(commands_->SaveTrace(file));
    const std::string trace = test::ReadFile((dir / "trace.txt").string());
    EXPECT_NE(trace.find("-> 00 01 02 03"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("-> 02  ."), std::string::npos) << "the trace is the last exchange's only";
}

}  // namespace
}  // namespace pm
