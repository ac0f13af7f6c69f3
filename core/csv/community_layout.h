#pragma once
// The community CSV layout of multi-radio programmers: receive frequency with duplex and offset, a tone
// mode with its values, skip and power in watts. Busy lockout travels in an extra column, BusyLock.

#include <string>

#include "core/csv/csv_values.h"
#include "core/image/document.h"

namespace pm::csv {

/** The community CSV text of an editor state. */
[[nodiscard]] std::string WriteCommunityCsv(const EditorState& state);

/** Why channels are left out of the community text of state (those without a receive frequency); "" if
 * none is. */
[[nodiscard]] std::string CommunityExportNote(const EditorState& state);

/** True when a header row is of the community layout: it names Location and Frequency. */
[[nodiscard]] bool IsCommunityHeader(const ColumnMap& columns);

/** A row of the community layout turned into grid texts and put through the editor's checks. */
[[nodiscard]] RowOutcome ReadCommunityRow(const CsvRecord& record, const ColumnMap& columns,
                                          const RowContext& context);

}  // namespace pm::csv
