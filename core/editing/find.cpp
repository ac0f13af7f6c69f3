#include "core/editing/find.h"

#include <algorithm>

#include "core/csv/csv_text.h"
#include "core/csv/csv_values.h"
#include "core/image/codec.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm {
namespace {

struct FrequencyKey {
    std::uint64_t units = 0;  // 10 Hz
    bool wholeMegahertz = false;
};

std::optional<FrequencyKey> KeyOf(std::string_view text) {
    text = TrimBlanks(text);
    const auto value = csv::ParseMegahertz(text, false);
    if (!value || value->belowOneHertz || value->hz % 10 != 0) return std::nullopt;
    const auto point = text.find('.');
    return FrequencyKey{value->hz / 10, point == std::string_view::npos || point + 1 == text.size()};
}

int FirstColumn(const FindQuery& q) {
    return q.kind == FindQuery::Kind::Frequency ? col::kReceive : col::kRxTone;
}

}  // namespace

std::string FindQueryProblem(const FindQuery& query) {
    if (!query.receive && !query.transmit) return "search the receive side, the transmit side or both";
    if (query.kind == FindQuery::Kind::Frequency) {
        return KeyOf(query.text) ? "" : csv::Quote(query.text) + " is not a frequency in MHz like 146.94";
    }
    return FindToneExact(TrimBlanks(query.text)) >= 0
               ? ""
               : csv::Quote(query.text) + " is not an entry of the tone list (like 88.5 or D023N)";
}

bool CellMatches(const ChannelTable& table, int row, int column, const FindQuery& query) {
    const int first = FirstColumn(query);
    if ((column == first && !query.receive) || (column == first + 1 && !query.transmit) ||
        (column != first && column != first + 1))
        return false;
    const std::string cell = table.Text(row, column);
    if (cell.empty()) return false;
    if (query.kind == FindQuery::Kind::Tone) return EqualsNoCase(cell, TrimBlanks(query.text));
    const auto key = KeyOf(query.text);
    if (!key) return false;
    const std::uint64_t units = FrequencyUnitsOfText(cell);
    return key->wholeMegahertz ? units / 100000 == key->units / 100000 : units == key->units;
}

std::optional<CellPosition> FindNext(const ChannelTable& table, const FindQuery& query, int row, int column) {
    if (!FindQueryProblem(query).empty()) return std::nullopt;
    const int first = FirstColumn(query);
    // Cells in reading order, two per channel; start just after (row, column).
    const int count = kChannelCount * 2;
    const int start = (std::clamp(row, 1, kChannelCount) - 1) * 2 + std::clamp(column - first, -1, 1);
    for (int step = 1; step <= count; ++step) {
        const int i = (start + step + count) % count;
        const int r = i / 2 + 1;
        const int c = first + i % 2;
        if (CellMatches(table, r, c, query)) return CellPosition{r, c};
    }
    return std::nullopt;
}

}  // namespace pm
