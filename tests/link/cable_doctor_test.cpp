// The cable doctor against system trees of our own (sysfs, /proc, /dev, the group file) and against the
// virtual radio's faults: each case gives its verdicts, its classification and its advice.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "core/link/traced_port.h"
#include "core/safety/cable_doctor.h"
#include "sim/demo_image.h"
#include "sim/radio_port.h"
#include "tests/support/temp_dir.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pm {
namespace {

namespace fs = std::filesystem;

/** A machine of our own: /dev, /sys, /proc and /etc/group under one temporary folder. */
struct FakeSystem {
    FakeSystem() {
        for (const char* d : {"dev", "sys/bus/usb/devices", "proc"}) fs::create_directories(root / d);
        env = {root / "dev", root / "sys", root / "proc", root / "group", "alice", {1000}};
        std::ofstream(env.groupFile) << "root:x:0:\n";
    }
    void Write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    void Process(int pid, const std::string& command) {
        Write(root / "proc" / std::to_string(pid) / "comm", command + "\n");
    }
    /** A USB device with one interface; its tty (ttyUSB0, with a by-id name) only when driver serves it. */
    void Usb(const std::string& ids, const std::string& revision, const std::string& driver, bool tty) {
        const fs::path dev = root / "sys/devices/usb1/1-1";
        Write(dev / "idVendor", ids.substr(0, 4) + "\n");
        Write(dev / "idProduct", ids.substr(5) + "\n");
        Write(dev / "bcdDevice", revision + "\n");
        const fs::path iface = dev / "1-1:1.0";
        fs::create_directories(iface);
        if (!driver.empty())
            fs::create_directory_symlink(root / "sys/bus/usb/drivers" / driver, iface / "driver");
        fs::create_directory_symlink(dev, root / "sys/bus/usb/devices/1-1");
        if (!tty) return;
        const fs::path port = iface / "ttyUSB0";
        fs::create_directories(port);
        fs::create_directory_symlink(root / "sys/bus/usb-serial/drivers" / driver, port / "driver");
        fs::create_directories(root / "sys/class/tty/ttyUSB0");
        fs::create_directory_symlink(port, root / "sys/class/tty/ttyUSB0/device");
        Device();
        fs::create_directories(root / "dev/serial/by-id");
        fs::create_symlink(root / "dev/ttyUSB0", root / "dev/serial/by-id/usb-Cable_USB_Serial-if00-port0");
    }
    void Device() { std::ofstream(root / "dev/ttyUSB0").put('\0'); }
    std::string Path() const { return (root / "dev/ttyUSB0").string(); }

    test::TempDir dir;
    const fs::path root = dir.Path();
    DoctorEnvironment env;
};

/** A port that refuses to open with error, or opens onto a line where nothing ever arrives. */
class DeadPort : public SerialPort {
  public:
    explicit DeadPort(int error) : error_(error) {}
    int Open(std::string_view) override { return open_ = error_ == 0, error_; }
    bool Configure(const Timeouts&) override { return true; }
    void Purge(pm::Purge) override {}
    bool Write(std::span<const std::uint8_t>) override { return true; }
    ReadResult Read(std::span<std::uint8_t>) override { return {true, 0}; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

  private:
    int error_;
    bool open_ = false;
};

std::string Lines(const DoctorReport& r) {
    std::string text;
    for (const auto& line : r.lines) text += FormatDoctorLine(line) + "\n";
    return text;
}

struct SystemRow {
    const char* name;
    std::function<void(FakeSystem&)> setUp;
    int openError;
    int exitCode;
    std::vector<std::string> expected;  // parts of the report, in order
};

const gid_t kOwnGroup = ::getegid();

const SystemRow kSystemRows[] = {
    {"BrlttyClaimedTheCh340AndModemManagerRuns",
     [](FakeSystem& s) {
         s.Process(812, "brltty");
         s.Process(640, "ModemManager");
         s.Process(9, "bash");
         s.Usb("1a86:7523", "0264", "usbfs", false);
     },
     0,
     3,
     {"PROBLEM  devices: no USB serial device found",
      "WCH CH340 (USB 1a86:7523) is plugged in but has no serial", "brltty (process 812) has claimed it",
      "sudo systemctl mask brltty-udev.service", "WARNING  services: brltty (process 812)",
      "WARNING  services: ModemManager (process 640)", "PROBLEM  port: ", "does not exist",
      "taken away after it appeared"}},
    {"NotInTheGroupThatOwnsThePort",
     [](FakeSystem& s) {
         s.Device();
         std::ofstream(s.env.groupFile) << "dialout:x:" << kOwnGroup << ":bob\n";
     },
     EACCES,
     3,
     {"PROBLEM  open: permission denied: the port belongs to the group 'dialout' and you are not in it",
      "sudo usermod -aG dialout $USER"}},
    {"AddedToTheGroupAfterThisLogin",
     [](FakeSystem& s) {
         s.Device();
         std::ofstream(s.env.groupFile) << "dialout:x:" << kOwnGroup << ":bob,alice\n";
     },
     EACCES,
     3,
     {"added to the group 'dialout' after this login started", "newgrp dialout"}},
    {"LeftTheGroupSinceThisLogin",
     [](FakeSystem& s) {
         s.Device();
         std::ofstream(s.env.groupFile) << "dialout:x:" << kOwnGroup << ":bob\n";
         s.env.processGroups = {kOwnGroup + 1, kOwnGroup};
     },
     0,
     1,
     {"OK       open:", "WARNING  open: you are no longer in the group 'dialout'",
      "PROBLEM  radio: not one byte"}},
    {"HeldByAnotherProgram",
     [](FakeSystem& s) {
         s.Device();
         s.Process(4242, "minicom");
         fs::create_directories(s.root / "proc/4242/fd");
         fs::create_symlink(s.Path(), s.root / "proc/4242/fd/3");
     },
     EBUSY,
     3,
     {"is in use by minicom (process 4242)", "Close that program"}},
    {"OldProlificRevision",
     [](FakeSystem& s) { s.Usb("067b:2303", "0300", "pl2303", true); },
     0,
     1,
     {"OK       devices: Cable USB Serial (ttyUSB0)",
      "WARNING  adapter: PL2303 USB serial adapter (pl2303), Prolific PL2303HXA/XA (USB 067b:2303), revision "
      "0300; "
      "an old revision that current Windows drivers refuse; Linux accepts it"}},
};

class DoctorSystem : public ::testing::TestWithParam<SystemRow> {};

TEST_P(DoctorSystem, FindsTheCauseAndSaysWhatToDo) {
    const SystemRow& row = GetParam();
    FakeSystem system;
    row.setUp(system);
    DeadPort port(row.openError);
    const DoctorReport report = RunCableDoctor(port, {system.Path()}, system.env);
    const std::string text = Lines(report);
    std::size_t at = 0;
    for (const auto& part : row.expected) {
        const std::size_t found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << part << "\n" << text;
        at = found + part.size();
    }
    EXPECT_EQ(report.ExitCode(), row.exitCode) << text;
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Rows, DoctorSystem, ::testing::ValuesIn(kSystemRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct RadioRow {
    const char* name;
    sim::Faults faults;
    bool loopback;
    RadioFinding finding;
    int exitCode;
    const char* says;
};

const RadioRow kRadioRows[] = {
    {"Answers", {}, false, RadioFinding::Answered, 0, "OK       radio: the radio answered: model code 0x37"},
    {"LeadingByteBeforeTheAck",
     {.wakeAnswer = {0x15, 0x06}},
     false,
     RadioFinding::Answered,
     0,
     "model code 0x37"},
    {"Silent", {.silent = true}, false, RadioFinding::NoAnswer, 1, "not one byte came back"},
    {"OneWireCable", {.echo = true}, false, RadioFinding::Echo, 1, "one-wire cable"},
    {"OneWireCableNoRadio",
     {.silent = true, .echo = true},
     false,
     RadioFinding::Echo,
     1,
     "the radio did not answer"},
    {"Noise", {.noise = true}, false, RadioFinding::Noisy, 1, "1 stray byte(s)"},
    {"ShortRecord", {.idLength = 3}, false, RadioFinding::PartialAnswer, 1, "with 3 of 8 bytes"},
    {"AnotherRadio",
     {.wakeAnswer = {0x15}},
     false,
     RadioFinding::WrongAnswer,
     1,
     "answered with 0x15 instead of 0x06"},
    {"LoopbackIntact",
     {.silent = true, .echo = true},
     true,
     RadioFinding::NotTried,
     0,
     "OK       loopback: all 256"},
    {"LoopbackNothingBack",
     {.silent = true},
     true,
     RadioFinding::NotTried,
     1,
     "PROBLEM  loopback: nothing came back"},
};

class DoctorRadio : public ::testing::TestWithParam<RadioRow> {};

TEST_P(DoctorRadio, ClassifiesTheAnswer) {
    const RadioRow& row = GetParam();
    FakeSystem system;
    system.Device();
    sim::VirtualRadio radio(sim::DemoImage(), 0x37, row.faults);
    sim::VirtualRadioPort line(radio);
    SerialTrace trace;
    TracedPort port(line, trace);
    const DoctorReport report = RunCableDoctor(port, {system.Path(), row.loopback}, system.env);
    EXPECT_EQ(report.radio, row.finding);
    EXPECT_EQ(report.ExitCode(), row.exitCode);
    EXPECT_NE(Lines(report).find(row.says), std::string::npos) << Lines(report);
    // Only the identification went over the line: the radio never saw a confirmation or a block.
    for (const auto& e : radio.Events())
        EXPECT_TRUE(e.kind == sim::RadioEvent::Kind::WakeUp || e.kind == sim::RadioEvent::Kind::Identify);
    const std::string t = trace.Text();
    for (const char* part : {"open ", "settings 9600 baud 8N1", "purge input and output",
                             row.loopback ? "-> 00 01 02" : "-> 02  .", "close"})
        EXPECT_NE(t.find(part), std::string::npos) << part << "\n" << t;
}

INSTANTIATE_TEST_SUITE_P(Rows, DoctorRadio, ::testing::ValuesIn(kRadioRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pm
