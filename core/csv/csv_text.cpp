#include "core/csv/csv_text.h"

#include "core/image/text_match.h"

namespace pm {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/** Length of the line break at text[i] (1 or 2), 0 when there is none. */
std::size_t BreakAt(std::string_view text, std::size_t i) {
    if (i >= text.size()) return 0;
    if (text[i] == '\n') return 1;
    if (text[i] == '\r') return (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    return 0;
}

/** End of the physical line that starts at i (the position of its break, or the end of text). */
std::size_t LineEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
    return i;
}

/** True when the line from i holds nothing but blanks. */
bool BlankLine(std::string_view text, std::size_t i) {
    const std::size_t end = LineEnd(text, i);
    for (; i < end; ++i) {
        if (!IsBlank(text[i])) return false;
    }
    return true;
}

/** True when the line from i is a comment: blanks, then '#'. */
bool CommentLine(std::string_view text, std::size_t i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i < text.size() && text[i] == '#';
}

/** Skips the line from i with its break; counts it. */
std::size_t SkipLine(std::string_view text, std::size_t i, int& line) {
    const std::size_t end = LineEnd(text, i);
    ++line;
    return end + BreakAt(text, end);
}

/** Guesses the separator (the most frequent of , ; tab) from the first record that is not blank or a
 * comment. */
char GuessSeparator(std::string_view text) {
    std::size_t i = 0;
    int line = 1;
    while (i < text.size() && (BlankLine(text, i) || CommentLine(text, i))) i = SkipLine(text, i, line);
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            break;
        } else if (!quoted && c == ',') {
            ++commas;
        } else if (!quoted && c == ';') {
            ++semicolons;
        } else if (!quoted && c == '\t') {
            ++tabs;
        }
    }
    if (tabs > commas && tabs > semicolons) return '\t';
    return semicolons > commas ? ';' : ',';
}

}  // namespace

std::string_view TrimBlanks(std::string_view value) {
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    return value;
}

CsvText ReadCsvText(std::string_view text) {
    CsvText out;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        out.hadByteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    std::size_t i = 0;
    int line = 1;
    // Spreadsheets write "sep=;" as a first line to name the separator.
    const std::string_view first = TrimBlanks(text.substr(0, LineEnd(text, 0)));
    if (first.size() == 5 && StartsWithNoCase(first, "sep=") && (first[4] == ',' || first[4] == ';')) {
        out.separator = first[4];
        i = SkipLine(text, 0, line);
    } else {
        out.separator = GuessSeparator(text);
    }

    while (i < text.size()) {
        if (BlankLine(text, i)) {
            i = SkipLine(text, i, line);
            continue;
        }
        if (CommentLine(text, i)) {
            const std::size_t end = LineEnd(text, i);
            const std::size_t hash = text.find('#', i);
            out.comments.push_back({line, std::string(text.substr(hash + 1, end - hash - 1))});
            i = SkipLine(text, i, line);
            continue;
        }
        CsvRecord record;
        record.line = line;
        std::string field;
        bool quoted = false;
        bool done = false;
        while (!done) {
            if (i >= text.size()) {
                record.unterminatedQuote = quoted;
                record.fields.push_back(std::move(field));
                break;
            }
            const char c = text[i];
            if (quoted) {
                if (c == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                    } else {
                        quoted = false;
                        ++i;
                    }
                } else if (const std::size_t br = BreakAt(text, i); br > 0) {
                    // A line break inside quotes belongs to the field; keep it as LF.
                    field += '\n';
                    i += br;
                    ++line;
                } else {
                    field += c;
                    ++i;
                }
            } else if (c == '"' && TrimBlanks(field).empty()) {
                // A quote opens a quoted field only at its start; blanks before it are dropped.
                field.clear();
                quoted = true;
                ++i;
            } else if (c == out.separator) {
                record.fields.push_back(std::move(field));
                field.clear();
                ++i;
            } else if (const std::size_t br = BreakAt(text, i); br > 0) {
                record.fields.push_back(std::move(field));
                i += br;
                ++line;
                done = true;
            } else {
                field += c;
                ++i;
            }
        }
        bool allEmpty = true;
        for (const auto& f : record.fields) {
            if (!TrimBlanks(f).empty()) allEmpty = false;
        }
        // A row of empty cells is what spreadsheets leave below a table: not a record.
        if (!allEmpty || record.unterminatedQuote) out.records.push_back(std::move(record));
    }
    return out;
}

std::string CsvField(std::string_view value, char separator) {
    bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '#');
    for (const char c : value) {
        if (c == separator || c == '"' || c == '\n' || c == '\r') quote = true;
    }
    if (!quote) return std::string(value);
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields, char separator) {
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k > 0) out += separator;
        out += CsvField(fields[k], separator);
    }
    out += "\r\n";
}

}  // namespace pm
