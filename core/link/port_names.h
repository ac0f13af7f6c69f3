#pragma once
// Port names as the user picks them ("COM1".."COM4") and the devices they stand for.

#include <array>
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

}  // namespace pm
