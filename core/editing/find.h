#pragma once
// Finding channels by frequency or tone. A frequency typed with digits after the point names that
// frequency ("146.94" finds 146.94000); typed without them it names the whole MHz ("146" finds every
// 146.xxxxx). A tone is found by its entry's text, without regard to case.

#include <optional>
#include <string>
#include <string_view>

#include "core/image/channel_table.h"

namespace pm {

struct FindQuery {
    enum class Kind { Frequency, Tone } kind = Kind::Frequency;
    std::string text;
    bool receive = true;   // Receive(MHz) or Rx Tone
    bool transmit = true;  // Transmit(MHz) or Tx Tone
};

/** A cell of the grid. */
struct CellPosition {
    int row = 0;
    int column = 0;
    friend bool operator==(const CellPosition&, const CellPosition&) = default;
};

/** Why query cannot be searched for ("" when it can). */
[[nodiscard]] std::string FindQueryProblem(const FindQuery& query);

/** True when cell (row, column) matches query. */
[[nodiscard]] bool CellMatches(const ChannelTable& table, int row, int column, const FindQuery& query);

/** The first match after (row, column) in reading order, wrapping past channel 80; nothing when none. */
[[nodiscard]] std::optional<CellPosition> FindNext(const ChannelTable& table, const FindQuery& query, int row,
                                                   int column);

}  // namespace pm
