#pragma once
// Test Mode: one exchange that sends an alignment item, a frequency pair, two tones and a value to the
// radio, and the frames built from the texts of the Test Mode dialog.
//
//   TestModeRequest request{TestItem::TxPower, 47, "230.00000", "230.00000", "OFF", "88.5"};
//   PosixSerialPort port;
//   const LinkOutcome outcome = RunTestMode(port, "COM1", request, host);  // on a worker thread

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/link/serial_port.h"
#include "core/link/session_host.h"

namespace pm {

/** The alignment items, numbered as the Test Mode dialog numbers them (testmode::kItem...). */
enum class TestItem { TxFrequency = 2, LowPowerVoltage = 3, SquelchLevel = 4, TxPower = 5 };

/** The letter that names an item in the item command: 'q', 'r', 's' or 't'. */
[[nodiscard]] std::uint8_t TestItemLetter(TestItem item);

/**
 * Bytes 0-3 the receive frequency, 4-7 the transmit frequency, as BCD lowest digit pair first; each
 * field's text is sent as testmode::FrameFrequencyUnits reads it (clamped into the test band where
 * eight digits cannot carry it).
 */
[[nodiscard]] std::array<std::uint8_t, 8> FrequencyFrame(std::string_view rxText, std::string_view txText);

/** The two bytes of a tone entry: tenths of Hz as BCD, low pair first; "OFF" and DCS codes give 00 00. */
[[nodiscard]] std::array<std::uint8_t, 2> ToneBytes(std::string_view entry);

/** Receive tone, transmit tone, 0xFB 0x01 0x01, then the value as a plain byte. */
[[nodiscard]] std::array<std::uint8_t, 8> ValueFrame(std::string_view rxTone, std::string_view txTone,
                                                     std::uint8_t value);

/** Everything one press of Start sends. */
struct TestModeRequest {
    TestItem item = TestItem::TxFrequency;
    std::uint8_t value = 0;
    std::string rxFrequency;     // text of the receive frequency field, "" when none was shown
    std::string txFrequency;     // text of the transmit frequency field
    std::string rxTone = "OFF";  // text of the selected receive tone entry
    std::string txTone = "OFF";  // text of the selected transmit tone entry
};

/**
 * One Test Mode exchange on the named port: wake-up, identification (not examined), confirmation,
 * item command, frequency frame and value frame, each answered by the radio. A missing answer asks
 * Retry/Cancel; Retry starts over after the 700 ms pause with the port still open. Success shows
 * "Finish successfully!". host.CancelRequested is read before each attempt. Runs on any thread; the
 * port is closed on every way out. Done after success; Failed after an open failure or Cancel.
 */
[[nodiscard]] LinkOutcome RunTestMode(SerialPort& port, std::string_view portName,
                                      const TestModeRequest& request, SessionHost& host);

}  // namespace pm
