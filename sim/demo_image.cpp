#include "sim/demo_image.h"

#include <algorithm>
#include <array>

#include "core/image/channel_table.h"
#include "core/image/codec.h"
#include "core/image/setting_lists.h"

namespace pm::sim {
namespace {

struct DemoChannel {
    int number;
    const char* rx;
    const char* tx;
    const char* rxTone;
    const char* txTone;
    const char* busy;
    const char* scan;
    const char* power;
};

// Repeater pairs use the 600 kHz split; the gaps in the numbering are deliberate, as in a real plan.
constexpr std::array<DemoChannel, 36> kPlan = {{
    {1, "145.50000", "145.50000", "OFF", "OFF", "OFF", "Add", "High"},
    {2, "145.52500", "145.52500", "OFF", "OFF", "Carrier", "Add", "High"},
    {3, "145.55000", "145.55000", "OFF", "OFF", "Carrier", "Add", "Low"},
    {4, "145.57500", "145.57500", "OFF", "OFF", "OFF", "Delete", "Low"},
    {5, "145.22500", "145.22500", "OFF", "OFF", "OFF", "Add", "High"},
    {6, "145.25000", "145.25000", "OFF", "OFF", "OFF", "Add", "High"},
    {7, "145.27500", "145.27500", "OFF", "OFF", "OFF", "Delete", "Low"},
    {8, "145.33750", "145.33750", "OFF", "OFF", "Carrier", "Add", "Low"},
    {10, "145.60000", "145.00000", "OFF", "88.5", "OFF", "Add", "High"},
    {11, "145.62500", "145.02500", "88.5", "88.5", "QT/DQT", "Add", "High"},
    {12, "145.65000", "145.05000", "OFF", "67.0", "OFF", "Add", "High"},
    {13, "145.67500", "145.07500", "77.0", "77.0", "QT/DQT", "Add", "High"},
    {14, "145.70000", "145.10000", "OFF", "94.8", "Carrier", "Add", "High"},
    {15, "145.72500", "145.12500", "103.5", "103.5", "QT/DQT", "Delete", "High"},
    {16, "145.75000", "145.15000", "D023N", "D023N", "QT/DQT", "Add", "High"},
    {17, "145.77500", "145.17500", "OFF", "123.0", "OFF", "Add", "Low"},
    {18, "145.61250", "145.01250", "OFF", "71.9", "OFF", "Add", "Low"},
    {19, "145.63750", "145.03750", "D754I", "D754I", "QT/DQT", "Delete", "Low"},
    {20, "146.52000", "146.52000", "OFF", "OFF", "OFF", "Add", "High"},
    {21, "146.94000", "146.34000", "OFF", "100.0", "OFF", "Add", "High"},
    {22, "147.33000", "147.93000", "127.3", "127.3", "QT/DQT", "Add", "High"},
    {23, "146.76000", "146.16000", "D131N", "D131N", "QT/DQT", "Add", "High"},
    {24, "147.12000", "147.72000", "OFF", "141.3", "Carrier", "Delete", "High"},
    {25, "144.80000", "", "OFF", "OFF", "OFF", "Delete", "Low"},
    {26, "144.39000", "", "OFF", "OFF", "OFF", "Delete", "Low"},
    {27, "145.80000", "", "OFF", "OFF", "OFF", "Add", "Low"},
    {28, "145.82500", "145.82500", "OFF", "OFF", "Carrier", "Delete", "High"},
    {30, "156.80000", "156.80000", "OFF", "OFF", "Carrier", "Add", "High"},
    {31, "156.30000", "156.30000", "OFF", "OFF", "Carrier", "Add", "High"},
    {32, "156.65000", "156.65000", "OFF", "OFF", "Carrier", "Delete", "Low"},
    {33, "162.40000", "", "OFF", "OFF", "OFF", "Add", "Low"},
    {34, "162.55000", "", "OFF", "OFF", "OFF", "Add", "Low"},
    {40, "151.82000", "151.82000", "OFF", "OFF", "OFF", "Delete", "Low"},
    {41, "151.88000", "151.88000", "OFF", "D025N", "OFF", "Delete", "Low"},
    {60, "144.62500", "144.62500", "OFF", "OFF", "OFF", "Add", "High"},
    {80, "145.40000", "145.40000", "118.8", "118.8", "QT/DQT", "Add", "High"},
}};

}  // namespace

Image DemoImage() {
    Image image = NewDocumentImage();
    // What the radio keeps for itself where the program never looks: a banner in row 0 and
    // alignment values at the end, which a write leaves alone.
    constexpr std::array<std::uint8_t, kRowSize> kBanner = {'P', 'M', '5', '1', '4', 'R', 'X',  ' ',
                                                            'V', '1', '.', '0', '7', ' ', 0x01, 0x00};
    std::copy(kBanner.begin(), kBanner.end(), image.begin());
    for (std::size_t i = 0x7D8; i < kImageSize; ++i)
        image[i] = static_cast<std::uint8_t>(0x20 + (i * 7) % 0x60);

    StringTable table;
    for (const auto& c : kPlan) {
        table.SetText(c.number, col::kReceive, c.rx);
        table.SetText(c.number, col::kTransmit, c.tx);
        table.SetText(c.number, col::kRxTone, c.rxTone);
        table.SetText(c.number, col::kTxTone, c.txTone);
        table.SetText(c.number, col::kBusy, c.busy);
        table.SetText(c.number, col::kScan, c.scan);
        table.SetText(c.number, col::kPower, c.power);
    }
    SettingSelections lists;
    lists.Select(Setting::Field, 0);
    lists.Select(Setting::Squelch, 3);
    lists.Select(Setting::NarrowWide, 1);
    lists.Select(Setting::Warning, 1);
    lists.Select(Setting::TxTotalTime, 6);
    lists.Select(Setting::TxPowerRank, 6);
    EncodeImage(table, lists, image);
    return image;
}

}  // namespace pm::sim
