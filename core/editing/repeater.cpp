#include "core/editing/repeater.h"

#include "core/csv/csv_text.h"
#include "core/csv/csv_values.h"
#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/numeric_text.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm {
namespace {

bool IsCtcss(int index) {
    return index >= kFirstCtcss && index < kFirstCtcss + kCtcssCount;
}

/** The table entry for a DCS code given as "023" with a polarity or as "D023N". */
int DcsIndex(std::string_view code, char polarity) {
    std::string text(code);
    if (text.size() <= 3 && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        text = "D" + std::string(3 - text.size(), '0') + text + (polarity == 'I' ? "I" : "N");
    }
    const int index = FindToneExact(text);
    return index >= kFirstDcsNormal ? index : -1;
}

const std::string& Entry(int index) {
    return ToneTable()[static_cast<std::size_t>(index)];
}

/** Offset in 10 Hz units; nothing when the text is not a number of MHz in whole 10 Hz. */
std::optional<std::uint32_t> OffsetUnits(std::string_view text) {
    const auto value = csv::ParseMegahertz(TrimBlanks(text), false);
    if (!value || value->belowOneHertz || value->hz % 10 != 0 || value->hz / 10 > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value->hz / 10);
}

}  // namespace

std::optional<TonePair> TonesOf(const RepeaterEdit& edit) {
    if (!edit.tone) return std::nullopt;
    switch (*edit.tone) {
        case ToneMode::None:
            return TonePair{"OFF", "OFF"};
        case ToneMode::Tone: {
            const int i = FindToneExact(edit.ctcss);
            return IsCtcss(i) ? std::optional(TonePair{"OFF", Entry(i)}) : std::nullopt;
        }
        case ToneMode::ToneSquelch: {
            const int i = FindToneExact(edit.ctcss);
            return IsCtcss(i) ? std::optional(TonePair{Entry(i), Entry(i)}) : std::nullopt;
        }
        case ToneMode::Dcs: {
            const int i = DcsIndex(edit.dcs, edit.polarity);
            return i < 0 ? std::nullopt : std::optional(TonePair{Entry(i), Entry(i)});
        }
        case ToneMode::Cross: {
            const int rx = FindToneExact(edit.rxTone);
            const int tx = FindToneExact(edit.txTone);
            if (rx < 0 || tx < 0) return std::nullopt;
            return TonePair{Entry(rx), Entry(tx)};
        }
    }
    return std::nullopt;
}

std::string RepeaterEditProblem(const RepeaterEdit& edit) {
    if (edit.duplex && *edit.duplex != Duplex::Simplex && !OffsetUnits(edit.offset)) {
        return (*edit.duplex == Duplex::Split ? "transmit frequency " : "offset ") + csv::Quote(edit.offset) +
               ": not a number of MHz";
    }
    if (!edit.tone || TonesOf(edit)) return {};
    switch (*edit.tone) {
        case ToneMode::Tone:
        case ToneMode::ToneSquelch:
            return "tone " + csv::Quote(edit.ctcss) + ": not a CTCSS tone of the radio's list (like 88.5)";
        case ToneMode::Dcs:
            return "DCS code " + csv::Quote(edit.dcs) + ": not a DCS code of the radio's list (like 023)";
        default:
            return "cross tones " + csv::Quote(edit.rxTone) + ", " + csv::Quote(edit.txTone) +
                   ": each must be OFF or an entry of the radio's tone list";
    }
}

PasteReport ApplyRepeater(ChannelTable& table, const ChannelSelection& channels, const RepeaterEdit& edit,
                          int band) {
    PasteReport report;
    const std::string problem = RepeaterEditProblem(edit);
    if (!problem.empty()) {
        report.error = problem;
        return report;
    }
    const std::optional<TonePair> tones = TonesOf(edit);
    const std::optional<std::uint32_t> offset = OffsetUnits(edit.offset);
    for (const int ch : channels) {
        if (!IsChannelNumber(ch)) continue;
        const std::string rx = table.Text(ch, col::kReceive);
        if (rx.empty()) {
            report.refused.push_back({ch, col::kReceive, "", "the channel has no receive frequency"});
            continue;
        }
        if (edit.duplex) {
            const std::uint64_t r = FrequencyUnitsOfText(rx);
            std::uint64_t t = r;
            switch (*edit.duplex) {
                case Duplex::Simplex:
                    break;
                case Duplex::Plus:
                    t = r + *offset;
                    break;
                case Duplex::Minus:
                    t = *offset > r ? 0 : r - *offset;
                    break;
                case Duplex::Split:
                    t = *offset;
                    break;
            }
            // The editor's own check words every refusal; below 0 MHz reads as not a frequency at all.
            const std::string text = FormatFixed(static_cast<double>(t) / 100000.0, 5);
            if (auto refused = CommitValue(table, ch, col::kTransmit, text, band)) {
                report.refused.push_back({ch, col::kTransmit, text, *refused});
                continue;
            }
            ++report.cellsWritten;
        }
        if (tones) {
            table.SetText(ch, col::kRxTone, tones->rx);
            table.SetText(ch, col::kTxTone, tones->tx);
            report.cellsWritten += 2;
        }
    }
    return report;
}

std::optional<RepeaterEdit> ParseDuplexText(std::string_view text, std::string& why) {
    RepeaterEdit edit;
    text = TrimBlanks(text);
    if (EqualsNoCase(text, "simplex")) {
        edit.duplex = Duplex::Simplex;
        return edit;
    }
    if (StartsWithNoCase(text, "split:")) {
        edit.duplex = Duplex::Split;
        edit.offset = std::string(text.substr(6));
    } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        edit.duplex = text.front() == '+' ? Duplex::Plus : Duplex::Minus;
        edit.offset = std::string(text.substr(1));
    } else {
        why = "expected +OFFSET, -OFFSET (MHz), simplex or split:FREQ";
        return std::nullopt;
    }
    why = RepeaterEditProblem(edit);
    if (!why.empty()) return std::nullopt;
    return edit;
}

std::optional<RepeaterEdit> ParseToneText(std::string_view text, std::string& why) {
    RepeaterEdit edit;
    text = TrimBlanks(text);
    const auto colon = text.find(':');
    const std::string_view mode = text.substr(0, colon);
    const std::string value(colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1));
    if (EqualsNoCase(mode, "none") && colon == std::string_view::npos) {
        edit.tone = ToneMode::None;
    } else if (EqualsNoCase(mode, "tone") || EqualsNoCase(mode, "tsql")) {
        edit.tone = EqualsNoCase(mode, "tone") ? ToneMode::Tone : ToneMode::ToneSquelch;
        edit.ctcss = value;
    } else if (EqualsNoCase(mode, "dcs")) {
        edit.tone = ToneMode::Dcs;
        edit.dcs = value;
        if (!value.empty() && (value.back() == 'I' || value.back() == 'i')) edit.polarity = 'I';
    } else if (EqualsNoCase(mode, "cross") && value.find(',') != std::string::npos) {
        edit.tone = ToneMode::Cross;
        edit.rxTone = std::string(TrimBlanks(value.substr(0, value.find(','))));
        edit.txTone = std::string(TrimBlanks(value.substr(value.find(',') + 1)));
    } else {
        why = "expected none, tone:T, tsql:T, dcs:CODE or cross:RX,TX";
        return std::nullopt;
    }
    why = RepeaterEditProblem(edit);
    if (!why.empty()) return std::nullopt;
    return edit;
}

}  // namespace pm
