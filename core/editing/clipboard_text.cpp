#include "core/editing/clipboard_text.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/csv/csv_text.h"
#include "core/csv/csv_values.h"
#include "core/csv/community_layout.h"
#include "core/csv/native_layout.h"
#include "core/editing/cell_rules.h"
#include "core/image/document.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm {
namespace {

constexpr std::string_view kChannelHeading = "Channel";  // our CSV layout's name for the CH column

std::string_view Heading(int column) {
    return ColumnHeadings()[static_cast<std::size_t>(column)];
}

/** The grid never holds tabs or line breaks, but a cell must not split a line whatever it holds. */
std::string TsvCell(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

void AppendLine(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out += '\t';
        out += TsvCell(cells[i]);
    }
    out += '\n';
}

/** A spreadsheet quotes a cell that holds quotes or separators; our values never need it. */
std::string Unquote(std::string_view cell) {
    cell = TrimBlanks(cell);
    if (cell.size() < 2 || cell.front() != '"' || cell.back() != '"') return std::string(cell);
    std::string out;
    for (std::size_t i = 1; i + 1 < cell.size(); ++i) {
        out += cell[i];
        if (cell[i] == '"' && cell[i + 1] == '"') ++i;
    }
    return std::string(TrimBlanks(out));
}

bool IsChannelHeading(std::string_view field) {
    return EqualsNoCase(field, Heading(col::kNumber)) || EqualsNoCase(field, kChannelHeading);
}

bool IsHeadingLine(const std::vector<std::string>& fields) {
    return !fields.empty() && std::all_of(fields.begin(), fields.end(), [](const std::string& f) {
        if (IsChannelHeading(f)) return true;
        for (int c = col::kReceive; c <= col::kPower; ++c) {
            if (EqualsNoCase(f, Heading(c))) return true;
        }
        return false;
    });
}

// Column names of the community layout beyond Location and Frequency, so that its heading is known.
constexpr std::array<std::string_view, 20> kCommunityNames = {
    "Location",  "Name",     "Frequency",    "Duplex",     "Offset",    "Tone",  "rToneFreq",
    "cToneFreq", "DtcsCode", "DtcsPolarity", "RxDtcsCode", "CrossMode", "Mode",  "TStep",
    "Skip",      "Power",    "Comment",      "BusyLock",   "URCALL",    "DVCODE"};

// A heading line of a layout Import CSV reads: ours names Channel and a frequency, the community's Frequency.
bool IsLayoutHeading(const std::vector<std::string>& fields) {
    const csv::ColumnMap columns(CsvRecord{0, fields, false});
    return csv::IsNativeHeader(columns) || columns.Has("Frequency");
}

// A line of column names only, of the grid or the community layout: a heading, never data.
bool IsNamesLine(const std::vector<std::string>& fields) {
    bool named = false;
    for (const std::string& f : fields) {
        if (f.empty()) continue;
        const bool known =
            IsHeadingLine({f}) || std::any_of(kCommunityNames.begin(), kCommunityNames.end(),
                                              [&](std::string_view n) { return EqualsNoCase(f, n); });
        if (!known) return false;
        named = true;
    }
    return named;
}

std::optional<PastedCells> ReadLayoutCsv(std::string_view text) {
    const CsvText file = ReadCsvText(text);
    if (file.records.empty() || !IsLayoutHeading(file.records.front().fields)) return std::nullopt;
    PastedCells cells;
    cells.wholeRows = true;
    cells.layoutHeading = file.records.front().fields;
    for (std::size_t i = 1; i < file.records.size(); ++i) cells.rows.push_back(file.records[i].fields);
    return cells;
}

PastedCells ReadTsv(std::string_view text) {
    PastedCells cells;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        std::vector<std::string> row;
        std::size_t from = 0;
        while (true) {
            const std::size_t tab = line.find('\t', from);
            row.push_back(Unquote(line.substr(from, tab == std::string_view::npos ? tab : tab - from)));
            if (tab == std::string_view::npos) break;
            from = tab + 1;
        }
        cells.rows.push_back(std::move(row));
        start = end + 1;
    }
    // A copied block ends with a line break; blank lines after the last row carry nothing.
    while (!cells.rows.empty() && cells.rows.back().size() == 1 && cells.rows.back()[0].empty()) {
        cells.rows.pop_back();
    }
    if (cells.rows.empty()) return cells;
    if (IsHeadingLine(cells.rows.front())) {
        cells.wholeRows = IsChannelHeading(cells.rows.front().front());
        cells.rows.erase(cells.rows.begin());
        if (cells.wholeRows) {
            for (auto& row : cells.rows) row.erase(row.begin());
        }
    } else if (IsLayoutHeading(cells.rows.front())) {
        cells.wholeRows = true;
        cells.layoutHeading = cells.rows.front();
        cells.rows.erase(cells.rows.begin());
    } else if (IsNamesLine(cells.rows.front())) {
        cells.rows.erase(cells.rows.begin());
    }
    return cells;
}

std::string JoinMessages(const std::vector<Message>& messages) {
    std::string out;
    for (const auto& m : messages) out += (out.empty() ? "" : "; ") + std::string(m.text);
    return out;
}

/**
 * A pasted frequency as Import CSV reads it ("145.525", "145,525", "145.525 MHz"), in grid form in grid;
 * the reason when it is refused. Empty text empties the cell; forms only the editor knows still pass.
 */
std::optional<std::string> ReadFrequency(const std::string& text, int band, std::string& grid) {
    grid = text;
    if (text.empty()) return std::nullopt;
    std::optional<csv::Hertz> value = csv::ParseFrequencyField(text, false);
    if (!value) value = csv::ParseFrequencyField(text, true);
    std::string reason(csv::kNotAFrequency);
    if (value) {
        if (auto checked = csv::CheckedFrequency(*value, band, reason)) {
            grid = *checked;
            return std::nullopt;
        }
    }
    if (CheckFrequency(text, band, EditPath::Commit).messages.empty()) return std::nullopt;
    return reason;
}

}  // namespace

std::optional<std::string> CommitValue(ChannelTable& table, int row, int column, const std::string& text,
                                       int band, bool pasted) {
    const EditorKind kind = EditorForColumn(column);
    if (kind == EditorKind::Text) {
        std::string grid = text;
        if (pasted) {
            if (const std::optional<std::string> refused = ReadFrequency(text, band, grid)) return refused;
        }
        const FrequencyCheck check = CheckFrequency(grid, band, EditPath::Commit);
        if (!check.messages.empty()) return JoinMessages(check.messages);
        WriteFrequencyResult(table, row, column, check.result, EditPath::Commit);
        return std::nullopt;
    }
    std::string entry;
    if (!text.empty()) {
        const auto& entries = EditorEntries(kind);
        int index = kind == EditorKind::Tone ? FindToneExact(text) : FindExact(entries, text);
        // The words other programs use, as Import CSV takes them.
        if (index < 0 && column == col::kPower) {
            if (const auto power = csv::PowerEntry(text, false, nullptr)) index = FindExact(entries, *power);
        }
        if (index < 0 && column == col::kScan && (EqualsNoCase(text, "Skip") || EqualsNoCase(text, "S")))
            index = FindExact(entries, "Delete");
        if (index < 0) {
            return kind == EditorKind::Tone ? std::string("not an entry of the tone table")
                                            : "not one of " + csv::JoinEntries(entries);
        }
        if (!RowHasFrequency(table, row))
            return std::string("the channel has no receive or transmit frequency");
        entry = entries[static_cast<std::size_t>(index)];
    }
    if (kind == EditorKind::Tone) {
        CommitToneValue(table, row, column, row, column, entry);
    } else {
        CommitListValue(table, row, column, entry);
    }
    return std::nullopt;
}

std::optional<std::string> PasteValue(ChannelTable& table, int row, int column, const std::string& text,
                                      int band) {
    return CommitValue(table, row, column, text, band, true);
}

std::string RowsToTsv(const ChannelTable& table, const ChannelSelection& channels) {
    std::string out;
    std::vector<std::string> line;
    for (int c = col::kNumber; c <= col::kPower; ++c) line.emplace_back(Heading(c));
    AppendLine(out, line);
    ChannelSelection sorted = channels;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (const int ch : sorted) {
        if (!IsChannelNumber(ch)) continue;
        line = {std::to_string(ch)};
        for (int c = col::kReceive; c <= col::kPower; ++c) line.push_back(table.Text(ch, c));
        AppendLine(out, line);
    }
    return out;
}

std::string RangeToTsv(const ChannelTable& table, const CellRange& range) {
    const int r1 = std::clamp(std::min(range.firstRow, range.lastRow), 1, kChannelCount);
    const int r2 = std::clamp(std::max(range.firstRow, range.lastRow), 1, kChannelCount);
    const int c1 = std::clamp(std::min(range.firstColumn, range.lastColumn), col::kReceive, col::kPower);
    const int c2 = std::clamp(std::max(range.firstColumn, range.lastColumn), col::kReceive, col::kPower);
    std::string out;
    std::vector<std::string> line;
    for (int c = c1; c <= c2; ++c) line.emplace_back(Heading(c));
    AppendLine(out, line);
    for (int r = r1; r <= r2; ++r) {
        line.clear();
        for (int c = c1; c <= c2; ++c) line.push_back(table.Text(r, c));
        AppendLine(out, line);
    }
    return out;
}

std::string RowsToCsv(const ChannelTable& table, const SettingLists& lists,
                      const ChannelSelection& channels) {
    EditorState state;
    for (const Setting s : kAllSettings) state.lists.Select(s, lists.Selected(s));
    for (const int ch : channels) {
        if (!IsChannelNumber(ch)) continue;
        for (int c = col::kReceive; c <= col::kPower; ++c) state.table.SetText(ch, c, table.Text(ch, c));
    }
    return csv::WriteNativeCsv(state);
}

PastedCells ReadPastedText(std::string_view text) {
    if (text.size() > kMaxPasteBytes) {
        PastedCells cells;
        cells.error = "the pasted text is larger than " + std::to_string(kMaxPasteBytes / 1024) +
                      " KiB; 80 channels are a few kilobytes";
        return cells;
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (text.find('\t') == std::string_view::npos) {
        if (auto csv = ReadLayoutCsv(text)) return *csv;
    }
    PastedCells cells = ReadTsv(text);
    if (cells.rows.empty()) cells.error = "the pasted text holds no cells";
    return cells;
}

PasteReport PasteCells(ChannelTable& table, const PastedCells& cells, int row, int column, int band) {
    PasteReport report;
    if (!cells.error.empty()) {
        report.error = cells.error;
        return report;
    }
    if (!IsChannelNumber(row) || column < col::kReceive || column > col::kPower) {
        report.error = "a paste goes into a channel cell (channels 1 to 80, Receive(MHz) to Power)";
        return report;
    }
    const std::optional<csv::ColumnMap> layout =
        cells.layoutHeading.empty() ? std::nullopt
                                    : std::optional(csv::ColumnMap(CsvRecord{0, cells.layoutHeading, false}));
    const bool native = layout && csv::IsNativeHeader(*layout);
    const int firstColumn = cells.wholeRows ? col::kReceive : column;
    for (std::size_t i = 0; i < cells.rows.size(); ++i) {
        const int ch = row + static_cast<int>(i);
        std::vector<std::string> texts = cells.rows[i];
        if (layout) {
            // A record of a layout is read whole, as Import reads it; one it would refuse changes nothing.
            const CsvRecord record{0, texts, false};
            const csv::RowContext context{band, false, 0};
            const csv::RowOutcome read = native ? csv::ReadNativeRow(record, *layout, context)
                                                : csv::ReadCommunityRow(record, *layout, context);
            if (ch <= kChannelCount && !read.problems.empty()) {
                for (const std::string& problem : read.problems)
                    report.refused.push_back({ch, 0, "", problem});
                continue;
            }
            texts.assign(read.cells.begin() + col::kReceive, read.cells.begin() + col::kPower + 1);
        }
        // A refused receive frequency leaves the whole channel as it was: its other values belong to it.
        const std::size_t receive = static_cast<std::size_t>(col::kReceive - firstColumn);
        if (ch <= kChannelCount && firstColumn == col::kReceive && !texts.empty()) {
            std::string grid;
            if (const auto refused = ReadFrequency(texts[receive], band, grid)) {
                report.refused.push_back({ch, col::kReceive, texts[receive],
                                          *refused + "; nothing else in this channel was changed"});
                continue;
            }
        }
        for (std::size_t j = 0; j < texts.size(); ++j) {
            const int c = firstColumn + static_cast<int>(j);
            const std::string& text = texts[j];
            std::optional<std::string> refused;
            if (ch > kChannelCount || c > col::kPower) {
                if (text.empty()) continue;
                refused = ch > kChannelCount ? "beyond channel 80" : "beyond the Power column";
            } else {
                refused = PasteValue(table, ch, c, text, band);
            }
            if (refused) {
                report.refused.push_back({ch, c, text, *refused});
            } else {
                ++report.cellsWritten;
            }
        }
    }
    return report;
}

PasteResult PasteText(const Image& image, std::string_view text, int row, int column) {
    PasteResult result;
    result.image = image;
    EditorState state = DecodeToState(image);
    const int band = state.lists.Selected(Setting::Field) == 1 ? 1 : 0;
    result.report = PasteCells(state.table, ReadPastedText(text), row, column, band);
    if (result.report.error.empty()) EncodeImage(state.table, state.lists, result.image);
    return result;
}

std::string FormatPasteReport(const PasteReport& report) {
    if (!report.error.empty()) return report.error + "\n";
    std::string out;
    for (const auto& r : report.refused) {
        out += "channel " + std::to_string(r.channel) + ", ";
        out +=
            r.column <= col::kPower ? std::string(Heading(r.column)) : "column " + std::to_string(r.column);
        out += " " + csv::Quote(r.text) + ": " + r.reason + "\n";
    }
    out += std::to_string(report.cellsWritten) + (report.cellsWritten == 1 ? " cell" : " cells") +
           " pasted, " + std::to_string(report.refused.size()) +
           (report.refused.size() == 1 ? " value" : " values") + " refused\n";
    return out;
}

}  // namespace pm
