#include "core/editing/cell_rules.h"

#include "core/image/numeric_text.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm {

EditorKind EditorForColumn(int column) {
    switch (column) {
        case col::kReceive:
        case col::kTransmit:
            return EditorKind::Text;
        case col::kRxTone:
        case col::kTxTone:
            return EditorKind::Tone;
        case col::kBusy:
            return EditorKind::Busy;
        case col::kScan:
            return EditorKind::Scan;
        case col::kPower:
            return EditorKind::Power;
        default:
            return EditorKind::None;
    }
}

const std::vector<std::string>& EditorEntries(EditorKind kind) {
    static const std::vector<std::string> tones(ToneTable().begin(), ToneTable().end());
    static const std::vector<std::string> busy = {"OFF", "Carrier", "QT/DQT"};
    static const std::vector<std::string> scan = {"Add", "Delete"};
    static const std::vector<std::string> power = {"Low", "High"};
    static const std::vector<std::string> none;
    switch (kind) {
        case EditorKind::Tone:
            return tones;
        case EditorKind::Busy:
            return busy;
        case EditorKind::Scan:
            return scan;
        case EditorKind::Power:
            return power;
        default:
            return none;
    }
}

int LoadSelection(EditorKind kind, std::string_view cellText) {
    const int index = FindPrefix(EditorEntries(kind), cellText);
    return index < 0 ? 0 : index;
}

const std::array<BandLimits, 2>& BandTable() {
    static constexpr std::array<BandLimits, 2> table = {{{13600000, 17500000}, {14400000, 14600000}}};
    return table;
}

FrequencyCheck CheckFrequency(std::string_view text, int band, EditPath path) {
    FrequencyCheck check;
    if (text.empty()) return check;
    const double f = ParseLeadingDouble(text);
    std::uint32_t n = 0;
    // Negative, not finite or beyond 32 bits: the same as any other number outside 100..600 MHz.
    const bool fits = RoundToUnits(f * 100000.0, n);
    if (!fits || n < 10000000u || n > 60000000u) {
        check.messages.push_back(kMsgFormatError);
        return check;
    }
    const std::string formatted = FormatFixed(f, 5);
    const BandLimits& limits = BandTable()[band == 1 ? 1 : 0];
    bool refused = false;
    if (n < limits.lowest || n > limits.highest) {
        check.messages.push_back(kMsgOutOfRange);
        refused = true;
        if (path == EditPath::Enter) {
            check.stoppedOutOfRange = true;
            return check;
        }
    }
    if (n % 625u != 0 && n % 500u != 0) {
        check.messages.push_back(kMsgStepError);
        refused = true;
    }
    if (!refused) check.result = formatted;
    return check;
}

bool RowHasFrequency(const ChannelTable& table, int row) {
    return !table.Text(row, col::kReceive).empty() || !table.Text(row, col::kTransmit).empty();
}

void WriteFrequencyResult(ChannelTable& table, int row, int column, const std::string& r, EditPath path) {
    if (!r.empty()) {
        const bool newChannel = table.Text(row, col::kRxTone).empty() &&
                                table.Text(row, col::kTxTone).empty() &&
                                table.Text(row, col::kBusy).empty() && !RowHasFrequency(table, row);
        if (newChannel) {
            table.SetText(row, col::kRxTone, "OFF");
            table.SetText(row, col::kTxTone, "OFF");
            table.SetText(row, col::kPower, "High");
            table.SetText(row, col::kBusy, "OFF");
            table.SetText(row, col::kScan, "Add");
            if (column == col::kReceive) table.SetText(row, col::kTransmit, r);
        }
        table.SetText(row, column, r);
        return;
    }
    table.SetText(row, column == col::kReceive ? col::kRxTone : col::kTxTone, "");
    table.SetText(row, column, "");
    if (path == EditPath::Commit) {
        if (!RowHasFrequency(table, row) && table.Text(row, col::kRxTone).empty() &&
            table.Text(row, col::kTxTone).empty()) {
            table.SetText(row, col::kBusy, "");
        }
    } else if (!RowHasFrequency(table, row)) {
        table.SetText(row, col::kBusy, "");
        table.SetText(row, col::kScan, "");
        table.SetText(row, col::kPower, "");
    }
}

void CommitToneValue(ChannelTable& table, int row, int column, int selRow, int selCol,
                     std::string_view selectedEntry) {
    const std::string value = RowHasFrequency(table, row) ? std::string(selectedEntry) : std::string();
    table.SetText(selRow, selCol, value);
    table.SetText(row, column, value);
}

std::string ToneForEnter(std::string_view typed) {
    const int index = FindToneExact(typed);
    return index < 0 ? std::string("OFF") : ToneTable()[static_cast<std::size_t>(index)];
}

int ToneSelectionForTyped(std::string_view typed) {
    const int exact = FindToneExact(typed);
    if (exact >= 0) return exact;
    return typed.empty() ? -1 : FindTonePrefix(typed);
}

void CommitListValue(ChannelTable& table, int row, int column, std::string_view entry) {
    table.SetText(row, column, RowHasFrequency(table, row) ? entry : std::string_view());
}

void EnterListValue(ChannelTable& table, int row, int column, std::string_view entry) {
    if (RowHasFrequency(table, row)) table.SetText(row, column, entry);
}

std::vector<Message> CommitCellText(ChannelTable& table, int row, int column, std::string_view text,
                                    int band) {
    const EditorKind kind = EditorForColumn(column);
    switch (kind) {
        case EditorKind::Text: {
            FrequencyCheck check = CheckFrequency(text, band, EditPath::Commit);
            WriteFrequencyResult(table, row, column, check.result, EditPath::Commit);
            return check.messages;
        }
        case EditorKind::Tone: {
            const int index = ToneSelectionForTyped(text);
            const std::string entry =
                index < 0 ? std::string() : ToneTable()[static_cast<std::size_t>(index)];
            CommitToneValue(table, row, column, row, column, entry);
            return {};
        }
        case EditorKind::Busy:
        case EditorKind::Scan:
        case EditorKind::Power: {
            const auto& entries = EditorEntries(kind);
            const int index = FindExact(entries, text);
            CommitListValue(table, row, column,
                            index < 0 ? std::string_view() : entries[static_cast<std::size_t>(index)]);
            return {};
        }
        case EditorKind::None:
            return {};
    }
    return {};
}

}  // namespace pm
