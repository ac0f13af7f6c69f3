#include "gui/editor/tool_tips.h"

#include <array>

namespace pm {

QString SettingToolTip(Setting setting) {
    switch (setting) {
        case Setting::Field:
            return QStringLiteral("Frequency range of the radio; changing it empties every channel");
        case Setting::Squelch:
            return QStringLiteral(
                "Squelch level 0 to 9: the higher, the stronger a signal must be to open the "
                "speaker");
        case Setting::NarrowWide:
            return QStringLiteral("Channel spacing of every channel: Wide 25 kHz or Narrow 12.5 kHz");
        case Setting::Warning:
            return QStringLiteral(
                "Warning tones of the radio, such as the low-battery alert: Enable or Disable");
        case Setting::TxTotalTime:
            return QStringLiteral(
                "Transmit time-out: the radio stops transmitting after this many seconds; Off "
                "sets no limit");
        case Setting::TxPowerRank:
        case Setting::BatterySave:
            break;  // never shown
    }
    return {};
}

QString ColumnToolTip(int column) {
    static const std::array<QString, 8> kTips = {
        QString(),
        QStringLiteral("Receive frequency in MHz, on a 5 kHz or 6.25 kHz step inside the Field range"),
        QStringLiteral(
            "Transmit frequency in MHz: the receive frequency for simplex, another for a repeater"),
        QStringLiteral("CTCSS tone or DCS code that must be heard before the speaker opens; OFF for none"),
        QStringLiteral("CTCSS tone or DCS code sent with every transmission; OFF for none"),
        QStringLiteral("Busy channel lockout: QT/DQT refuses to transmit over a signal without your tone, "
                       "Carrier over any signal, OFF never"),
        QStringLiteral("Scan: Add takes the channel into the scan, Delete leaves it out"),
        QStringLiteral("Transmit power of the channel: High or Low"),
    };
    if (column < 1 || column >= static_cast<int>(kTips.size())) return {};
    return kTips[static_cast<std::size_t>(column)];
}

}  // namespace pm
