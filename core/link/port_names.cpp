#include "core/link/port_names.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace pm {

std::string DevicePathOfPort(std::string_view name) {
    for (std::size_t i = 0; i < kComPorts.size(); ++i) {
        if (name == kComPorts[i]) return "/dev/ttyS" + std::to_string(i);
    }
    return std::string(name);
}

std::vector<std::string> ListSerialDevices() {
    namespace fs = std::filesystem;
    std::vector<std::string> usb;
    std::vector<std::string> builtin;
    std::error_code ec;
    // /sys/class/tty lists every tty; only those with a device link are real hardware, and of the
    // sixteen-odd ttyS ports the kernel creates, only those with a known UART type exist.
    for (fs::directory_iterator it("/sys/class/tty", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!fs::exists(it->path() / "device", ec)) continue;
        const std::string dev = "/dev/" + name;
        if (name.starts_with("ttyUSB") || name.starts_with("ttyACM")) {
            usb.push_back(dev);
        } else if (name.starts_with("ttyS")) {
            const auto type = fs::path(it->path() / "type");
            std::FILE* f = std::fopen(type.c_str(), "r");
            int uart = 0;
            if (f != nullptr) {
                if (std::fscanf(f, "%d", &uart) != 1) uart = 0;
                std::fclose(f);
            }
            if (uart != 0) builtin.push_back(dev);
        }
    }
    std::sort(usb.begin(), usb.end());
    std::sort(builtin.begin(), builtin.end());
    usb.insert(usb.end(), builtin.begin(), builtin.end());
    return usb;
}

namespace {

bool IsUsbSerial(std::string_view path) {
    const std::string_view name = path.substr(path.rfind('/') + 1);
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART A50285BI".
std::string ReadableById(std::string name) {
    for (const std::string_view bus : {"usb-", "pci-", "platform-"}) {
        if (name.starts_with(bus)) {
            name.erase(0, bus.size());
            break;
        }
    }
    if (const auto at = name.rfind("-if"); at != std::string::npos && at > 0) name.erase(at);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

}  // namespace

std::vector<PortChoice> ListPortChoices(const std::filesystem::path& devRoot) {
    namespace fs = std::filesystem;
    std::vector<PortChoice> named;
    std::vector<fs::path> namedTargets;
    std::error_code ec;
    for (fs::directory_iterator it(devRoot / "serial" / "by-id", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkEc;
        const fs::path target = fs::weakly_canonical(it->path(), linkEc);
        const std::string name = it->path().filename().string();
        std::string label = ReadableById(name);
        if (!linkEc && target != it->path()) label += " (" + target.filename().string() + ")";
        named.push_back({it->path().string(), label});
        if (!linkEc) namedTargets.push_back(target);
    }
    std::vector<PortChoice> plain;
    for (fs::directory_iterator it(devRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with("ttyUSB") && !name.starts_with("ttyACM") && !name.starts_with("rfcomm"))
            continue;
        std::error_code canonEc;
        const fs::path real = fs::weakly_canonical(it->path(), canonEc);
        if (std::find(namedTargets.begin(), namedTargets.end(), canonEc ? it->path() : real) !=
            namedTargets.end())
            continue;
        plain.push_back({it->path().string(), it->path().string()});
    }
    auto byPath = [](const PortChoice& a, const PortChoice& b) { return a.label < b.label; };
    std::sort(named.begin(), named.end(), byPath);
    std::sort(plain.begin(), plain.end(), byPath);
    named.insert(named.end(), plain.begin(), plain.end());
    return named;
}

bool IsPortPresent(std::string_view name) {
    if (std::find(kComPorts.begin(), kComPorts.end(), name) != kComPorts.end()) return true;
    std::error_code ec;
    return !name.empty() && std::filesystem::exists(std::filesystem::path(name), ec);
}

std::string ChooseStartPort(std::string_view remembered, const std::vector<std::string>& devices) {
    if (!remembered.empty() && IsPortPresent(remembered)) return std::string(remembered);
    const auto usb =
        std::count_if(devices.begin(), devices.end(), [](const std::string& d) { return IsUsbSerial(d); });
    if (usb == 1)
        return *std::find_if(devices.begin(), devices.end(),
                             [](const std::string& d) { return IsUsbSerial(d); });
    return std::string(kDefaultPort);
}

}  // namespace pm
