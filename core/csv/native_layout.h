#pragma once
// Our own CSV layout: the grid's columns with the texts the grid shows, one row per channel that
// exists, and the Function Setting values as "# Label=Entry" comment lines above the header.

#include <optional>
#include <string>
#include <string_view>

#include "core/csv/csv_values.h"
#include "core/image/document.h"

namespace pm::csv {

/** The native CSV text of an editor state. */
[[nodiscard]] std::string WriteNativeCsv(const EditorState& state);

/** True when a header row is one of our layout: it names Channel and a frequency column. */
[[nodiscard]] bool IsNativeHeader(const ColumnMap& columns);

/** A channel row of our layout put through the editor's checks. */
[[nodiscard]] RowOutcome ReadNativeRow(const CsvRecord& record, const ColumnMap& columns,
                                       const RowContext& context);

/** A setting comment ("Warning=Enable") applied to lists; nothing when it is no setting, else "" or the
 * reason it was refused. */
[[nodiscard]] std::optional<std::string> ApplySettingComment(std::string_view comment, SettingLists& lists);

}  // namespace pm::csv
