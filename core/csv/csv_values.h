#pragma once
// What both CSV layouts share: finding columns by header name, reading numbers exactly, and putting a
// row's values through the editor's checks.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/csv/csv_text.h"
#include "core/image/channel_table.h"

namespace pm::csv {

/** Columns of a header row by name, compared without regard to case and edge blanks; first one wins. */
class ColumnMap {
  public:
    /** Reads the names of header. */
    explicit ColumnMap(const CsvRecord& header);
    /** True when the header has a column of that name. */
    [[nodiscard]] bool Has(std::string_view name) const;
    /** The trimmed field of that column in record; nothing when the header has no such column. */
    [[nodiscard]] std::optional<std::string_view> Get(const CsvRecord& record, std::string_view name) const;
    /** The trimmed field, or "" when the column is missing or the record is short. */
    [[nodiscard]] std::string_view Text(const CsvRecord& record, std::string_view name) const;
    /** True when every field of record that is not blank lies in the column of that name. */
    [[nodiscard]] bool OnlyIn(const CsvRecord& record, std::string_view name) const;

  private:
    [[nodiscard]] int IndexOf(std::string_view name) const;
    std::vector<std::string> names_;
};

/** What a row needs to know of the import it belongs to. */
struct RowContext {
    int band = 0;               // band list index in force for the frequency check
    bool decimalComma = false;  // the file does not use ',' as separator, so numbers may have a decimal comma
    int narrowWide = 0;         // index of the N/W list: 0 Wide, 1 Narrow
};

/** A row read from a file: the cell texts it gives (columns 1..7) and what was wrong. */
struct RowOutcome {
    std::array<std::string, kGridCols> cells;
    std::vector<std::string> problems;  // not empty: the row is refused
    std::vector<std::string> notes;     // remarks on a row that is taken, worded alike for every row
};

/** A decimal number read exactly: whole hertz, and whether digits below one hertz were not zero. */
struct Hertz {
    std::uint64_t hz = 0;
    bool belowOneHertz = false;
};

/**
 * Reads a frequency or offset in MHz written as digits with an optional fraction ("145.525", ".5",
 * "145,525" when decimalComma); no sign, exponent or other characters. Huge values saturate.
 */
[[nodiscard]] std::optional<Hertz> ParseMegahertz(std::string_view text, bool decimalComma);

/** Hertz as MHz with six decimals, exactly ("145.525000"). */
[[nodiscard]] std::string FormatMegahertz(std::uint64_t hz);

/** A frequency field: ParseMegahertz of text, which may end in a unit "MHz" (any case). */
[[nodiscard]] std::optional<Hertz> ParseFrequencyField(std::string_view text, bool decimalComma);

/** The reason given for a frequency field that is no number. */
inline constexpr std::string_view kNotAFrequency = "not a frequency in MHz like 146.520";

/**
 * The grid text of a frequency in hertz when it lies in band and on a 5 or 6.25 kHz step, as the
 * editor's check wants; nothing, with a reason the user can act on, otherwise.
 */
[[nodiscard]] std::optional<std::string> CheckedFrequency(const Hertz& value, int band, std::string& reason);

/**
 * The Power entry ("High" or "Low") of a power as other programs write it: a word with an optional level
 * number ("H", "Low1"), Mid (taken as High, with a note), or watts ("5.0W", "100"; below 2.5 W is Low).
 * Empty text is High. Nothing when it is none of these.
 */
[[nodiscard]] std::optional<std::string> PowerEntry(std::string_view text, bool decimalComma,
                                                    std::string* note);

/** A channel number of 1..80 written as digits, leading zeros allowed; nothing otherwise. */
[[nodiscard]] std::optional<int> ParseChannelNumber(std::string_view text);

/** A field as shown in a reason: in quotes, control characters escaped, long texts shortened. */
[[nodiscard]] std::string Quote(std::string_view text);

/** The entries of a list joined with ", " for a reason. */
[[nodiscard]] std::string JoinEntries(const std::vector<std::string>& entries);

/**
 * Why text is not an entry of the list that edits column (a tone list, Busy, Scan, Power): "Power
 * \"Medium\": not one of High, Low"; empty when it is one, or when text is empty or the column has no list.
 */
[[nodiscard]] std::string ListValueRefusal(int column, std::string_view text);

/** The frequencies of a band for reasons: "136–175 MHz". */
[[nodiscard]] std::string BandRange(int band);

}  // namespace pm::csv
