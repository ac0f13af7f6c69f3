#include "core/csv/native_layout.h"

#include <array>

#include "core/csv/channel_csv.h"
#include "core/editing/cell_rules.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm::csv {
namespace {

// The Function Setting values a native file carries, in the order we write them.
constexpr std::array<Setting, 6> kCarriedSettings = {Setting::Warning,     Setting::NarrowWide,
                                                     Setting::Field,       Setting::Squelch,
                                                     Setting::TxTotalTime, Setting::TxPowerRank};

constexpr std::string_view kChannelColumn = "Channel";

std::string_view Heading(int column) {
    return ColumnHeadings()[static_cast<std::size_t>(column)];
}

/** A frequency cell: "" stays empty, anything else must pass the frequency check. */
void ReadFrequency(const CsvRecord& record, const ColumnMap& columns, const RowContext& context, int column,
                   RowOutcome& row) {
    const std::string_view text = columns.Text(record, Heading(column));
    if (text.empty()) return;
    const auto value = ParseFrequencyField(text, context.decimalComma);
    std::string reason;
    std::optional<std::string> checked;
    if (!value) {
        reason = std::string(kNotAFrequency);
    } else {
        checked = CheckedFrequency(*value, context.band, reason);
    }
    if (checked) {
        row.cells[static_cast<std::size_t>(column)] = *checked;
    } else {
        row.problems.push_back(std::string(Heading(column)) + " " + Quote(text) + ": " + reason);
    }
}

void ReadTone(const CsvRecord& record, const ColumnMap& columns, int column, RowOutcome& row) {
    const std::string_view text = columns.Text(record, Heading(column));
    // A channel always shows a tone; an empty cell is the same as no tone.
    if (std::string why = ListValueRefusal(column, text); !why.empty()) {
        row.problems.push_back(std::move(why));
        return;
    }
    const int index = text.empty() ? 0 : FindToneExact(text);
    row.cells[static_cast<std::size_t>(column)] = ToneTable()[static_cast<std::size_t>(index)];
}

void ReadListCell(const CsvRecord& record, const ColumnMap& columns, int column, std::string_view whenEmpty,
                  RowOutcome& row) {
    const std::string_view text = columns.Text(record, Heading(column));
    if (text.empty()) {
        row.cells[static_cast<std::size_t>(column)] = std::string(whenEmpty);
        return;
    }
    if (std::string why = ListValueRefusal(column, text); !why.empty()) {
        row.problems.push_back(std::move(why));
        return;
    }
    const auto& entries = EditorEntries(EditorForColumn(column));
    const int index = FindExact(entries, text);
    row.cells[static_cast<std::size_t>(column)] = entries[static_cast<std::size_t>(index)];
}

}  // namespace

std::string WriteNativeCsv(const EditorState& state) {
    std::string out = "# PM-514RX channel list\r\n";
    for (const Setting s : kCarriedSettings) {
        out += "# " + std::string(Info(s).label) + "=" + SelectedText(state.lists, s) + "\r\n";
    }
    out += kNativeHeader;
    out += "\r\n";
    for (int row = 1; row <= kChannelCount; ++row) {
        if (!RowHasFrequency(state.table, row)) continue;
        std::vector<std::string> fields = {std::to_string(row)};
        for (int column = col::kReceive; column <= col::kPower; ++column) {
            fields.push_back(state.table.Text(row, column));
        }
        AppendCsvRecord(out, fields);
    }
    return out;
}

bool IsNativeHeader(const ColumnMap& columns) {
    return columns.Has(kChannelColumn) &&
           (columns.Has(Heading(col::kReceive)) || columns.Has(Heading(col::kTransmit)));
}

RowOutcome ReadNativeRow(const CsvRecord& record, const ColumnMap& columns, const RowContext& context) {
    RowOutcome row;
    ReadFrequency(record, columns, context, col::kReceive, row);
    ReadFrequency(record, columns, context, col::kTransmit, row);
    if (row.problems.empty() && row.cells[col::kReceive].empty() && row.cells[col::kTransmit].empty()) {
        row.problems.push_back("no receive or transmit frequency");
    }
    ReadTone(record, columns, col::kRxTone, row);
    ReadTone(record, columns, col::kTxTone, row);
    // The grid shows an empty Busy cell for a channel whose busy bits are both set; keep it that way.
    ReadListCell(record, columns, col::kBusy, "", row);
    ReadListCell(record, columns, col::kScan, "Add", row);
    ReadListCell(record, columns, col::kPower, "High", row);
    return row;
}

std::optional<std::string> ApplySettingComment(std::string_view comment, SettingLists& lists) {
    const auto equals = comment.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = TrimBlanks(comment.substr(0, equals));
    const std::string_view value = TrimBlanks(comment.substr(equals + 1));
    for (const Setting s : kCarriedSettings) {
        const SettingInfo& info = Info(s);
        if (!EqualsNoCase(key, info.label) && !EqualsNoCase(key, info.key)) continue;
        const int index = FindExact(info.entries, value);
        if (index < 0) {
            return std::string(info.label) + " " + Quote(value) + ": not one of " + JoinEntries(info.entries);
        }
        lists.Select(s, index);
        return std::string();
    }
    return std::nullopt;
}

}  // namespace pm::csv
