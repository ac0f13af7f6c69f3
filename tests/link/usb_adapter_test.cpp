// Finding the driver behind a port and asking it for low latency, against sysfs trees of our own.

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/link/posix_serial_port.h"
#include "core/link/usb_adapter.h"
#include "core/safety/port_diagnosis.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

namespace fs = std::filesystem;

/** A sysfs tree (root/sys) with ttys, their device files and /dev/serial/by-id links to them. */
struct FakeSysfs {
    FakeSysfs() { fs::create_directories(root / "dev/serial/by-id"); }

    /** The by-id path of tty served by driver, with a latency_timer file holding timer unless "". */
    std::string Add(const std::string& tty, const std::string& driver, const std::string& timer) {
        const fs::path device = root / "sys/class/tty" / tty / "device";
        fs::create_directories(device);
        fs::create_directory_symlink("../../../bus/usb-serial/drivers/" + driver, device / "driver");
        if (!timer.empty()) std::ofstream(device / "latency_timer") << timer;
        std::ofstream(root / "dev" / tty).put('\0');
        const fs::path byId = root / "dev/serial/by-id" / ("usb-" + driver + "-if00-port0");
        fs::create_symlink("../../" + tty, byId);
        return byId.string();
    }
    fs::path Timer(const std::string& tty) const {
        return root / "sys/class/tty" / tty / "device/latency_timer";
    }
    fs::path Sys() const { return root / "sys"; }

    test::TempDir dir;
    const fs::path root = dir.Path();
};

// A pseudo-terminal (test::RawPty) stands for a real tty whose driver knows no serial settings.
using Pty = test::RawPty;

TEST(UsbAdapter, FtdiWithWritableTimerGetsOneMillisecondAndItsOldTimerBack) {
    FakeSysfs sys;
    const std::string path = sys.Add("ttyUSB0", "ftdi_sio", "16\n");
    Pty pty;
    const AdapterInfo info = RequestLowLatency(pty.slave, path, sys.Sys());
    EXPECT_EQ(info.driver, "ftdi_sio");
    EXPECT_EQ(info.latencyTimerMs, 1);
    EXPECT_EQ(info.mode, LatencyMode::Low);
    EXPECT_EQ(test::ReadFile(sys.Timer("ttyUSB0")), "1\n");
    EXPECT_EQ(DescribeAdapter(info), "FTDI USB serial adapter (ftdi_sio), latency timer 1 ms");
    RestoreLatency(pty.slave, info);
    EXPECT_EQ(test::ReadFile(sys.Timer("ttyUSB0")), "16\n");
    // The cable help names the adapter; a device without a sysfs entry gets nothing added.
    const std::string help = ExplainOpenFailure(path, EBUSY, sys.Sys());
    EXPECT_NE(help.find("Device: FTDI USB serial adapter (ftdi_sio)."), std::string::npos) << help;
    EXPECT_EQ(ExplainOpenFailure(pty.path, EBUSY, sys.Sys()).find("Device:"), std::string::npos);
}

TEST(UsbAdapter, FtdiWithReadOnlyTimerKeepsItAndSaysSo) {
    // Root ignores the mode bits of a plain file but not of a 0444 sysctl: a timer no one may write.
    const fs::path readOnly = "/proc/sys/kernel/cap_last_cap";
    const std::string before = test::ReadFile(readOnly);
    if (before.empty() || std::stoi(before) <= 1) GTEST_SKIP() << "no read-only number in " << readOnly;
    FakeSysfs sys;
    const std::string path = sys.Add("ttyUSB0", "ftdi_sio", "");
    fs::create_symlink(readOnly, sys.Timer("ttyUSB0"));
    Pty pty;
    const AdapterInfo info = RequestLowLatency(pty.slave, path, sys.Sys());
    EXPECT_EQ(info.latencyTimerMs, std::stoi(before));
    EXPECT_EQ(info.mode, LatencyMode::Default);
    EXPECT_EQ(test::ReadFile(readOnly), before);
    EXPECT_EQ(DescribeAdapter(info), "FTDI USB serial adapter (ftdi_sio), latency timer " +
                                         std::to_string(std::stoi(before)) + " ms (could not be lowered)");
    EXPECT_NE(LatencyAdvice(info).find("access to " + info.timerFile.string()), std::string::npos);
}

TEST(UsbAdapter, DriversWithoutTimerAndPseudoTerminalsKeepTheirLatency) {
    FakeSysfs sys;
    const std::string ch340 = sys.Add("ttyUSB1", "ch341-uart", "");
    Pty pty;
    const AdapterInfo usb = RequestLowLatency(pty.slave, ch340, sys.Sys());
    EXPECT_EQ(usb.driver, "ch341-uart");
    EXPECT_EQ(usb.mode, LatencyMode::None);
    EXPECT_EQ(DescribeAdapter(usb), "CH340/CH341 USB serial adapter (ch341-uart)");

    const AdapterInfo terminal = RequestLowLatency(pty.slave, pty.path, sys.Sys());
    EXPECT_TRUE(terminal.pseudoTerminal);
    EXPECT_EQ(terminal.driver, "");
    EXPECT_EQ(terminal.mode, LatencyMode::None);
    // The port asks on every open and tells what it found; the open itself never fails for it.
    PosixSerialPort port;
    ASSERT_EQ(port.Open(pty.path), 0);
    EXPECT_EQ(DescribeAdapter(port.Adapter()), "pseudo-terminal");
    EXPECT_EQ(LatencyAdvice(port.Adapter()), "") << "nothing to advise where nothing could be lowered";
}

}  // namespace
}  // namespace pm
