#include "core/editing/plan_check.h"

#include <array>

#include "core/csv/csv_values.h"
#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/document.h"

namespace pm {
namespace {

bool NoTone(const std::string& tone) {
    return tone.empty() || tone == "OFF";
}

bool InBand(const std::string& text, const BandLimits& limits) {
    const std::uint32_t units = FrequencyUnitsOfText(text);
    return units >= limits.lowest && units <= limits.highest;
}

}  // namespace

std::vector<Finding> CheckPlan(const ChannelTable& table, int band) {
    std::vector<Finding> findings;
    const BandLimits& limits = BandTable()[band == 1 ? 1 : 0];
    // The four cells that make a channel what it is on the air.
    std::vector<std::array<std::string, 4>> keys(kChannelCount + 1);
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        keys[static_cast<std::size_t>(ch)] = {table.Text(ch, col::kReceive), table.Text(ch, col::kTransmit),
                                              table.Text(ch, col::kRxTone), table.Text(ch, col::kTxTone)};
    }
    auto key = [&keys](int ch) -> const std::array<std::string, 4>& {
        return keys[static_cast<std::size_t>(ch)];
    };
    auto holds = [&key](int ch) { return !key(ch)[0].empty() || !key(ch)[1].empty(); };
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        if (!holds(ch)) continue;
        const auto& [rx, tx, rxTone, txTone] = key(ch);
        for (int earlier = 1; earlier < ch; ++earlier) {
            if (holds(earlier) && key(earlier) == key(ch)) {
                findings.push_back(
                    {FindingKind::Duplicate, ch, col::kReceive,
                     "the same as channel " + std::to_string(earlier) + " (receive, transmit and tones)"});
                break;
            }
        }
        if (rx.empty()) {
            findings.push_back({FindingKind::TransmitWithoutReceive, ch, col::kReceive,
                                "transmits on " + tx + " MHz but has no receive frequency"});
        }
        if (table.Text(ch, col::kBusy) == "QT/DQT" && NoTone(rxTone)) {
            findings.push_back({FindingKind::BusyWithoutTone, ch, col::kBusy,
                                "busy lockout QT/DQT without a receive tone: the channel counts as busy "
                                "whenever a signal is present"});
        }
        for (const int c : {col::kReceive, col::kTransmit}) {
            const std::string f = table.Text(ch, c);
            if (!f.empty() && !InBand(f, limits)) {
                findings.push_back({FindingKind::OutsideBand, ch, c,
                                    std::string(c == col::kReceive ? "receive " : "transmit ") + f +
                                        " MHz is outside the band in force, " + csv::BandRange(band)});
            }
        }
        if (!rx.empty() && !tx.empty() && rx != tx && !NoTone(rxTone) && NoTone(txTone)) {
            findings.push_back(
                {FindingKind::OneSidedTone, ch, col::kTxTone,
                 "a repeater pair that receives with tone " + rxTone + " but sends no tone to the repeater"});
        }
    }
    return findings;
}

std::vector<Finding> CheckPlan(const Image& image) {
    const EditorState state = DecodeToState(image);
    return CheckPlan(state.table, state.lists.Selected(Setting::Field) == 1 ? 1 : 0);
}

std::string FormatFindings(const std::vector<Finding>& findings) {
    std::string out;
    for (const Finding& f : findings) out += "channel " + std::to_string(f.channel) + ": " + f.text + "\n";
    out += findings.empty()
               ? std::string("no findings\n")
               : std::to_string(findings.size()) + (findings.size() == 1 ? " finding\n" : " findings\n");
    return out;
}

}  // namespace pm
