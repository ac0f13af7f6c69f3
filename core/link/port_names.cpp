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

}  // namespace pm
