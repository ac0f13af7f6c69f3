#pragma once
// Reading and writing CSV text as spreadsheets produce it: a byte order mark, quoted fields with
// separators and line breaks inside, '#' comment lines, and ';' or tab as separator.

#include <string>
#include <string_view>
#include <vector>

namespace pm {

/** One record of a CSV file and the line it starts on (1-based, counting lines inside quotes). */
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
    bool unterminatedQuote = false;  // the file ended inside a quoted field
};

/** A '#' comment line: its line number and the text after the '#'. */
struct CsvComment {
    int line = 0;
    std::string text;
};

/** A whole CSV file split into records and comments. */
struct CsvText {
    char separator = ',';
    bool hadByteOrderMark = false;
    std::vector<CsvRecord> records;  // blank lines left out
    std::vector<CsvComment> comments;
};

/**
 * Splits text into records. The separator is ';' when a first line "sep=;" says so; otherwise the one of
 * ',', ';' and tab that the first record has most of outside quotes (',' on a tie). Line breaks may be LF,
 * CRLF or CR.
 */
[[nodiscard]] CsvText ReadCsvText(std::string_view text);

/** A field as CSV writes it: quoted when it holds the separator, a quote, a line break or edge blanks. */
[[nodiscard]] std::string CsvField(std::string_view value, char separator = ',');

/** Appends one record and a CRLF line end to out. */
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields, char separator = ',');

/** value without leading and trailing blanks (spaces and tabs). */
[[nodiscard]] std::string_view TrimBlanks(std::string_view value);

}  // namespace pm
