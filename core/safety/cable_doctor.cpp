#include "core/safety/cable_doctor.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "core/image/file_access.h"
#include "core/link/frames.h"
#include "core/link/port_holders.h"
#include "core/link/port_names.h"
#include "core/link/usb_adapter.h"
#include "core/safety/port_diagnosis.h"

namespace pm {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Reads of the doctor's own: everything that arrives until the line has been quiet a while.
constexpr Timeouts kListenTimeouts{60, 0, 700, 50, 50};
constexpr Timeouts kLoopbackTimeouts{100, 2, 500, 50, 50};
constexpr std::size_t kListenBytes = 64;

std::string ReadLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

std::optional<std::uint16_t> ReadHex(const fs::path& file) {
    const std::string text = ReadLine(file);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string Hex4(unsigned value) {
    char b[8];
    std::snprintf(b, sizeof b, "%04x", value & 0xFFFF);
    return b;
}

std::string Hex2(std::uint8_t value) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%02X", value);
    return b;
}

std::string HexList(const Bytes& bytes, std::size_t most = 8) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < most; ++i) text += (i ? " " : "") + Hex2(bytes[i]);
    return bytes.size() > most ? text + " ..." : text;
}

/** A program that is known to take serial devices, running as process pid. */
struct Running {
    std::string command;
    int pid;
};

std::vector<Running> FindRunning(const fs::path& procRoot) {
    static constexpr std::array<std::string_view, 2> kTakers = {"brltty", "ModemManager"};
    std::vector<Running> found;
    std::error_code ec;
    for (fs::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string comm = ReadLine(it->path() / "comm");
        if (std::find(kTakers.begin(), kTakers.end(), comm) != kTakers.end())
            found.push_back({comm, std::stoi(name)});
    }
    std::sort(found.begin(), found.end(), [](const Running& a, const Running& b) { return a.pid < b.pid; });
    return found;
}

const Running* FindCommand(const std::vector<Running>& running, std::string_view command) {
    for (const auto& r : running) {
        if (r.command == command) return &r;
    }
    return nullptr;
}

/** A USB device as sysfs shows it, with what its interfaces are bound to. */
struct UsbDevice {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t revision = 0;
    std::string name;                  // manufacturer and product strings
    std::vector<std::string> drivers;  // of its interfaces ("" for an interface without one)
    bool hasTty = false;
};

bool IsTtyName(const std::string& name) {
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM") || name == "tty";
}

std::optional<UsbDevice> ReadUsbDevice(const fs::path& dir) {
    const auto vendor = ReadHex(dir / "idVendor");
    const auto product = ReadHex(dir / "idProduct");
    if (!vendor || !product) return std::nullopt;
    UsbDevice device;
    device.vendor = *vendor;
    device.product = *product;
    device.revision = ReadHex(dir / "bcdDevice").value_or(0);
    const std::string maker = ReadLine(dir / "manufacturer");
    const std::string product_name = ReadLine(dir / "product");
    device.name = EscapeControls(maker.empty() ? product_name : maker + " " + product_name);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(':') == std::string::npos || !it->is_directory(ec)) continue;
        std::error_code linkEc;
        const fs::path driver = fs::read_symlink(it->path() / "driver", linkEc);
        device.drivers.push_back(linkEc ? "" : driver.filename().string());
        std::error_code e2;
        for (fs::directory_iterator child(it->path(), e2), last; !e2 && child != last; child.increment(e2)) {
            if (IsTtyName(child->path().filename().string())) device.hasTty = true;
        }
    }
    return device;
}

std::vector<UsbDevice> ScanUsb(const fs::path& sysRoot) {
    std::vector<UsbDevice> devices;
    std::error_code ec;
    for (fs::directory_iterator it(sysRoot / "bus/usb/devices", ec), end; !ec && it != end;
         it.increment(ec)) {
        if (auto d = ReadUsbDevice(it->path())) devices.push_back(std::move(*d));
    }
    return devices;
}

/** The USB device above the tty of devicePath, found by walking up from its sysfs device. */
std::optional<UsbDevice> UsbDeviceOf(const std::string& tty, const fs::path& sysRoot) {
    std::error_code ec;
    fs::path dir = fs::canonical(sysRoot / "class/tty" / tty / "device", ec);
    for (int up = 0; !ec && up < 4 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path()) {
        if (auto d = ReadUsbDevice(dir)) return d;
    }
    return std::nullopt;
}

std::string UsbIds(const UsbDevice& d) {
    return "USB " + Hex4(d.vendor) + ":" + Hex4(d.product);
}

std::string ChipName(const UsbDevice& d) {
    const ChipFacts facts = KnownChip(d.vendor, d.product, d.revision);
    std::string text =
        facts.chip.empty() ? (d.name.empty() ? std::string("USB device") : d.name) : facts.chip;
    return text + " (" + UsbIds(d) + ")";
}

struct Group {
    std::string name;
    unsigned gid = 0;
    std::vector<std::string> members;
};

std::optional<Group> FindGroup(const fs::path& groupFile, unsigned gid) {
    std::ifstream in(groupFile);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t colon; (colon = line.find(':', start)) != std::string::npos; start = colon + 1)
            fields.push_back(line.substr(start, colon - start));
        fields.push_back(line.substr(start));
        if (fields.size() < 4) continue;
        unsigned id = 0;
        const auto [end, e] = std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), id);
        if (e != std::errc{} || id != gid) continue;
        Group g{fields[0], id, {}};
        std::size_t s = 0;
        const std::string& list = fields[3];
        while (s < list.size()) {
            const std::size_t comma = std::min(list.find(',', s), list.size());
            if (comma > s) g.members.push_back(list.substr(s, comma - s));
            s = comma + 1;
        }
        return g;
    }
    return std::nullopt;
}

bool Contains(const std::vector<unsigned>& list, unsigned value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string JoinHolders(const std::vector<PortHolder>& holders) {
    std::string text;
    for (const auto& h : holders)
        text += (text.empty() ? "" : ", ") + EscapeControls(h.command) + " (process " +
                std::to_string(h.pid) + ")";
    return text;
}

constexpr std::string_view kBrlttyFix =
    "sudo systemctl mask brltty-udev.service brltty.service (or remove the brltty package if no braille "
    "display is used), then unplug the cable and plug it in again.";

class Doctor {
  public:
    Doctor(SerialPort& port, const DoctorRequest& request, const DoctorEnvironment& env)
        : port_(port), request_(request), env_(env) {}

    DoctorReport Run() {
        running_ = FindRunning(env_.proc);
        CheckDevices();
        CheckServices();
        if (report_.device.empty() || !DeviceExists()) return report_;
        const std::string openName = request_.port.empty() ? report_.device : request_.port;
        const int error = port_.Open(openName);
        PortCloser closer(port_);
        CheckOpen(error);
        CheckAdapter();
        if (error != 0) return report_;
        (void)port_.Configure(request_.loopback ? kLoopbackTimeouts : kListenTimeouts);
        if (request_.loopback)
            Loopback();
        else
            Identify();
        return report_;
    }

  private:
    void Add(Verdict v, std::string check, std::string finding, std::string advice = "") {
        report_.lines.push_back({v, std::move(check), std::move(finding), std::move(advice)});
    }

    void CheckDevices() {
        const std::vector<PortChoice> choices = ListPortChoices(env_.dev);
        std::string names;
        for (const auto& c : choices) names += (names.empty() ? "" : "; ") + EscapeControls(c.label);
        std::vector<UsbDevice> claimed;
        for (UsbDevice& d : ScanUsb(env_.sys)) {
            // A serial adapter with no tty: it came and went, claimed by another driver or none at all.
            if (!KnownChip(d.vendor, d.product, d.revision).chip.empty() && !d.hasTty)
                claimed.push_back(std::move(d));
        }
        claimed_ = !claimed.empty();
        if (!choices.empty())
            Add(Verdict::Ok, "devices", names);
        else if (!request_.port.empty() && !claimed_)
            Add(Verdict::Ok, "devices", "no USB serial device found; checking the port named");
        else
            Add(Verdict::Problem, "devices", "no USB serial device found",
                "Plug the programming cable in; a cable that is plugged in but not listed needs a driver "
                "(see the next lines, or dmesg).");
        for (const UsbDevice& d : claimed)
            Add(Verdict::Problem, "devices",
                ChipName(d) + " is plugged in but has no serial device: " + Claimer(d), ClaimAdvice(d));
        if (!request_.port.empty()) {
            report_.device = DevicePathOfPort(request_.port);
        } else if (!choices.empty()) {
            report_.device = choices.front().path;
            if (choices.size() > 1)
                Add(Verdict::Warning, "port",
                    "several serial devices; checking " + EscapeControls(report_.device),
                    "Name the cable's device with --port (Port menu in the desktop program).");
        }
    }

    std::string Claimer(const UsbDevice& d) const {
        const bool usbfs = Contains(d.drivers, std::string("usbfs"));
        if (const Running* b = FindCommand(running_, "brltty"); b && usbfs)
            return "brltty (process " + std::to_string(b->pid) + ") has claimed it";
        if (usbfs) return "a program has claimed it through usbfs";
        for (const auto& driver : d.drivers) {
            if (!driver.empty()) return "the driver " + driver + " serves it, not a serial driver";
        }
        return "no driver has taken it";
    }

    std::string ClaimAdvice(const UsbDevice& d) const {
        const bool usbfs = Contains(d.drivers, std::string("usbfs"));
        if (usbfs && FindCommand(running_, "brltty"))
            return "brltty, the braille display service, takes such adapters away right after they appear: " +
                   std::string(kBrlttyFix);
        if (usbfs) return "Close programs that talk to USB devices directly, then plug the cable in again.";
        return "Unplug the cable and plug it in again; if that does not help, the kernel lacks the chip's "
               "driver (see dmesg).";
    }

    bool DeviceExists() {
        std::error_code ec;
        const std::string shown = EscapeControls(report_.device);
        if (fs::exists(report_.device, ec)) {
            Add(Verdict::Ok, "port", shown + " is present");
            return true;
        }
        Add(Verdict::Problem, "port", shown + " does not exist",
            claimed_ ? "It was taken away after it appeared: see the line about the adapter above."
                     : "Plug the cable in, or choose a device from the devices line above.");
        return false;
    }

    void CheckServices() {
        if (const Running* b = FindCommand(running_, "brltty"))
            Add(Verdict::Warning, "services",
                "brltty (process " + std::to_string(b->pid) +
                    ") is running; it claims CH340 and some FTDI cables on some systems",
                "If the cable's device vanishes right after it is plugged in: " + std::string(kBrlttyFix));
        if (const Running* m = FindCommand(running_, "ModemManager"))
            Add(Verdict::Warning, "services",
                "ModemManager (process " + std::to_string(m->pid) +
                    ") is running; it probes new serial devices and holds them for a while",
                "Wait half a minute after plugging the cable in, or stop it: sudo systemctl stop "
                "ModemManager.");
    }

    void CheckOpen(int error) {
        const std::string& device = report_.device;
        const std::string shown = EscapeControls(device);
        struct stat st {};
        const bool known = ::stat(device.c_str(), &st) == 0;
        const std::optional<Group> group = known ? FindGroup(env_.groupFile, st.st_gid) : std::nullopt;
        const bool inProcess = known && Contains(env_.processGroups, st.st_gid);
        const bool listed = group && Contains(group->members, env_.user);
        if (error == 0) {
            report_.opened = true;
            Add(Verdict::Ok, "open", shown + " opens for reading and writing");
            // Left the group since this login: the next login will not open the port.
            const bool primary = !env_.processGroups.empty() && env_.processGroups.front() == st.st_gid;
            if (group && inProcess && !listed && !primary && !env_.user.empty())
                Add(Verdict::Warning, "open",
                    "you are no longer in the group '" + group->name +
                        "' that owns the port; this login still has it, the next one will not",
                    "sudo usermod -aG " + group->name + " " + env_.user);
            return;
        }
        if (error == EACCES || error == EPERM) {
            const std::string name = group ? group->name : "dialout";
            if (inProcess) {
                char mode[8];
                std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
                Add(Verdict::Problem, "open",
                    "permission denied although this login is in the group '" + name + "' (mode " + mode +
                        ")",
                    "sudo chmod g+rw " + shown);
            } else if (listed) {
                Add(Verdict::Problem, "open",
                    "permission denied: you were added to the group '" + name + "' after this login started",
                    "Log out and in again (or start a shell with: newgrp " + name + ").");
            } else {
                Add(Verdict::Problem, "open",
                    "permission denied: the port belongs to the group '" + name + "' and you are not in it",
                    "sudo usermod -aG " + name + " $USER, then log out and in again.");
            }
            return;
        }
        if (error == EBUSY || error == EWOULDBLOCK) {
            const auto holders = FindPortHolders(device, env_.proc);
            Add(Verdict::Problem, "open",
                shown + " is in use" +
                    (holders.empty() ? " by another program" : " by " + JoinHolders(holders)),
                "Close that program and try again.");
            return;
        }
        Add(Verdict::Problem, "open", ExplainOpenFailure(device, error, env_.sys));
    }

    void CheckAdapter() {
        const AdapterInfo info = FindAdapter(report_.device, env_.sys);
        std::string finding = AdapterName(info);
        Verdict verdict = Verdict::Ok;
        std::string advice;
        if (const auto usb = UsbDeviceOf(info.tty, env_.sys)) {
            const ChipFacts facts = KnownChip(usb->vendor, usb->product, usb->revision);
            finding += ", " + ChipName(*usb) + ", revision " + Hex4(usb->revision);
            if (!facts.note.empty()) {
                finding += "; " + facts.note;
                if (facts.warning) verdict = Verdict::Warning;
            }
        }
        if (const std::string latency = LatencyText(info); !latency.empty()) finding += ", " + latency;
        if (const std::string slow = LatencyAdvice(info); !slow.empty()) {
            verdict = Verdict::Warning;
            advice = slow;
        }
        Add(verdict, "adapter", finding, advice);
    }

    /** All that arrives until the line has been quiet. */
    Bytes Listen(std::size_t most = kListenBytes) {
        Bytes got(most);
        const ReadResult r = port_.Read(got);
        got.resize(r.ok ? r.count : 0);
        return got;
    }

    /** Removes our own bytes from the front of got; true when they were there. */
    static bool StripEcho(Bytes& got, const Bytes& sent) {
        const std::size_t n = std::min(got.size(), sent.size());
        if (n < std::min<std::size_t>(2, sent.size()) ||
            !std::equal(sent.begin(), sent.begin() + n, got.begin()))
            return false;
        got.erase(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(n));
        return true;
    }

    void Loopback() {
        Bytes sent(256);
        for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i);
        port_.Purge(Purge::Full);
        const bool written = port_.Write(sent);
        const Bytes got = Listen(sent.size() + 16);
        if (got == sent && written) {
            report_.loopbackIntact = true;
            Add(Verdict::Ok, "loopback",
                "all 256 byte values came back intact at 9600 baud: the cable and adapter work");
            return;
        }
        if (got.empty()) {
            Add(Verdict::Problem, "loopback", written ? "nothing came back" : "the bytes could not be sent",
                "Join the cable's transmit and receive at the radio end as the guide shows; if nothing comes "
                "back "
                "then, the adapter or the cable is faulty.");
            return;
        }
        std::size_t first = 0;
        while (first < got.size() && first < sent.size() && got[first] == sent[first]) ++first;
        std::string where = first < got.size() && first < sent.size()
                                ? ", first difference at byte " + std::to_string(first) + ": sent " +
                                      Hex2(sent[first]) + ", got " + Hex2(got[first])
                                : "";
        Add(Verdict::Problem, "loopback",
            std::to_string(got.size()) + " bytes came back for 256 sent" + where,
            "A loose join or contact, a damaged cable, or another program reading the port.");
    }

    void Identify() {
        port_.Purge(Purge::Full);
        const Bytes wake(frame::kWakeUp.begin(), frame::kWakeUp.end());
        for (const std::uint8_t b : wake) {
            port_.Pause(std::chrono::milliseconds(1));
            (void)port_.Write({&b, 1});
        }
        Bytes answer = Listen();
        const bool echo = StripEcho(answer, wake);
        if (answer.empty()) return Report(echo ? RadioFinding::Echo : RadioFinding::NoAnswer, {}, echo);
        // Some radios clear their line with one other byte before the 0x06.
        const auto ack = std::find(
            answer.begin(), answer.begin() + std::min<std::ptrdiff_t>(2, std::ssize(answer)), frame::kAck);
        if (ack == answer.begin() + std::min<std::ptrdiff_t>(2, std::ssize(answer)))
            return Report(echo ? RadioFinding::Echo : RadioFinding::WrongAnswer, answer, echo);
        std::size_t stray = static_cast<std::size_t>(answer.end() - ack - 1);

        const Bytes request(frame::kIdentify.begin(), frame::kIdentify.end());
        for (const std::uint8_t b : request) {
            port_.Pause(std::chrono::milliseconds(1));
            (void)port_.Write({&b, 1});
        }
        Bytes record = Listen();
        StripEcho(record, request);
        if (record.size() > frame::kIdModelIndex) report_.model = record[frame::kIdModelIndex];
        if (record.size() > frame::kIdRecordSize) stray += record.size() - frame::kIdRecordSize;
        RadioFinding finding = RadioFinding::Answered;
        if (record.size() < frame::kIdRecordSize)
            finding = RadioFinding::PartialAnswer;
        else if (stray > 0)
            finding = RadioFinding::Noisy;
        if (echo) finding = RadioFinding::Echo;
        Report(finding, record, echo, stray);
    }

    void Report(RadioFinding finding, const Bytes& got, bool echo, std::size_t stray = 0) {
        report_.radio = finding;
        const std::string model = report_.model ? "model code " + Hex2(*report_.model) : "";
        switch (finding) {
            case RadioFinding::NotTried:
                return;
            case RadioFinding::Answered:
                return Add(Verdict::Ok, "radio", "the radio answered: " + model);
            case RadioFinding::NoAnswer:
                return Add(
                    Verdict::Problem, "radio", "not one byte came back to the wake-up",
                    "Switch the radio on, plug the cable into its programming socket and push the plug fully "
                    "home. If it still says nothing, test the cable with --loopback (the guide shows how).");
            case RadioFinding::Echo:
                return Add(
                    Verdict::Problem, "radio",
                    "our own bytes came back: a one-wire cable, its transmit and receive joined" +
                        (report_.model ? "; the radio answered behind them (" + model + ")"
                                       : std::string("; the radio did not answer")),
                    "Reading and writing need a programming cable with separate transmit and receive lines; "
                    "cables made for other radios often join them.");
            case RadioFinding::WrongAnswer:
                return Add(
                    Verdict::Problem, "radio",
                    "the wake-up was answered with " + HexList(got) + " instead of 0x06",
                    "Another model of radio, or noise on the line: check that this is the right radio and "
                    "that the plug sits firmly.");
            case RadioFinding::PartialAnswer:
                return Add(Verdict::Problem, "radio",
                           "the radio woke, but its identification came back with " +
                               std::to_string(got.size()) + " of 8 bytes",
                           "A loose plug or noise on the line; try again with the plug pushed fully home.");
            case RadioFinding::Noisy:
                return Add(
                    Verdict::Problem, "radio",
                    "the radio answered, with " + std::to_string(stray) +
                        " stray byte(s) among its answers: noise on the line",
                    "A loose plug, a damaged cable, or a transmitter close by; reading and writing may "
                    "fail until the line is clean.");
        }
        (void)echo;
    }

    SerialPort& port_;
    const DoctorRequest& request_;
    const DoctorEnvironment& env_;
    DoctorReport report_;
    std::vector<Running> running_;
    bool claimed_ = false;
};

}  // namespace

int DoctorReport::ExitCode() const {
    if (!opened) return 3;
    return radio == RadioFinding::Answered || loopbackIntact ? 0 : 1;
}

DoctorReport RunCableDoctor(SerialPort& port, const DoctorRequest& request, const DoctorEnvironment& env) {
    return Doctor(port, request, env).Run();
}

std::string_view VerdictWord(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok:
            return "OK";
        case Verdict::Warning:
            return "WARNING";
        case Verdict::Problem:
            return "PROBLEM";
    }
    return "";
}

std::string FormatDoctorLine(const DoctorLine& line) {
    std::string text(VerdictWord(line.verdict));
    text.resize(9, ' ');
    text += line.check + ": " + line.finding;
    if (!line.advice.empty()) text += "\n         " + line.advice;
    return text;
}

ChipFacts KnownChip(std::uint16_t vendor, std::uint16_t product, std::uint16_t revision) {
    struct Known {
        std::uint16_t vendor, product;
        std::string_view chip, note;
    };
    static constexpr std::array<Known, 9> kChips = {{
        {0x0403, 0x6001, "FTDI FT232R", "holds answers for its latency timer (16 ms unless lowered)"},
        {0x0403, 0x6015, "FTDI FT-X", "holds answers for its latency timer (16 ms unless lowered)"},
        {0x0403, 0x6010, "FTDI FT2232", "holds answers for its latency timer (16 ms unless lowered)"},
        {0x1a86, 0x7523, "WCH CH340", "brltty claims this chip on some systems"},
        {0x1a86, 0x5523, "WCH CH341", ""},
        {0x1a86, 0x55d4, "WCH CH9102", ""},
        {0x067b, 0x2303, "Prolific PL2303", ""},
        {0x067b, 0x23a3, "Prolific PL2303GC", ""},
        {0x10c4, 0xea60, "Silicon Labs CP210x", ""},
    }};
    for (const Known& k : kChips) {
        if (k.vendor != vendor || k.product != product) continue;
        ChipFacts facts{std::string(k.chip), std::string(k.note), false};
        // Revisions before 0x0400 are the HXA/XA chips: end of life, refused by current Windows drivers.
        if (vendor == 0x067b && product == 0x2303 && revision != 0 && revision < 0x0400) {
            facts.chip += "HXA/XA";
            facts.note = "an old revision that current Windows drivers refuse; Linux accepts it";
            facts.warning = true;
        }
        return facts;
    }
    return {};
}

}  // namespace pm
