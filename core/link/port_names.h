#pragma once
// Port names as the user picks them ("COM1".."COM4") and the devices they stand for.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pm {

/** The four names of the Port menu; the first is the choice at every start. */
inline constexpr std::array<std::string_view, 4> kComPorts = {"COM1", "COM2", "COM3", "COM4"};
/** The port chosen when the program starts. */
inline constexpr std::string_view kDefaultPort = "COM1";

/** "COM1".."COM4" give /dev/ttyS0../dev/ttyS3; any other name is already a device path. */
[[nodiscard]] std::string DevicePathOfPort(std::string_view name);

/** Serial devices present on this machine (USB adapters first, then ttyS ports with hardware), sorted. */
[[nodiscard]] std::vector<std::string> ListSerialDevices();

/** A serial device offered for choosing by hand: the path to open and how the list shows it. */
struct PortChoice {
    std::string path;
    std::string label;
    friend bool operator==(const PortChoice&, const PortChoice&) = default;
};

/**
 * The devices a programming cable or a radio link may be, under devRoot: each serial/by-id entry with
 * a readable name ("FTDI FT232R USB UART A50285BI (ttyUSB0)"), then the ttyUSB*, ttyACM* and rfcomm*
 * devices that no by-id entry names; each group sorted.
 */
[[nodiscard]] std::vector<PortChoice> ListPortChoices(const std::filesystem::path& devRoot = "/dev");

/** True for COM1..COM4 (always offered) and for a device path that exists. */
[[nodiscard]] bool IsPortPresent(std::string_view name);

/**
 * The port chosen at start: the remembered one when it is present, else the only USB serial device
 * among devices (ttyUSB*, ttyACM*), else COM1.
 */
[[nodiscard]] std::string ChooseStartPort(std::string_view remembered,
                                          const std::vector<std::string>& devices);

}  // namespace pm
