#include "core/csv/csv_values.h"

#include "core/editing/cell_rules.h"
#include "core/image/channel_table.h"
#include "core/image/file_access.h"
#include "core/image/numeric_text.h"
#include "core/image/setting_lists.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm::csv {
namespace {

// Far beyond any frequency the check lets through, and far from overflowing the arithmetic below.
constexpr std::uint64_t kSaturatedHz = 1'000'000'000'000'000ull;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

ColumnMap::ColumnMap(const CsvRecord& header) {
    for (const auto& name : header.fields) names_.emplace_back(TrimBlanks(name));
}

int ColumnMap::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (EqualsNoCase(names_[i], name)) return static_cast<int>(i);
    }
    return -1;
}

bool ColumnMap::Has(std::string_view name) const {
    return IndexOf(name) >= 0;
}

std::optional<std::string_view> ColumnMap::Get(const CsvRecord& record, std::string_view name) const {
    const int index = IndexOf(name);
    if (index < 0) return std::nullopt;
    if (static_cast<std::size_t>(index) >= record.fields.size()) return std::string_view();
    return TrimBlanks(record.fields[static_cast<std::size_t>(index)]);
}

bool ColumnMap::OnlyIn(const CsvRecord& record, std::string_view name) const {
    const int index = IndexOf(name);
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
        if (static_cast<int>(i) != index && !TrimBlanks(record.fields[i]).empty()) return false;
    }
    return true;
}

std::string_view ColumnMap::Text(const CsvRecord& record, std::string_view name) const {
    return Get(record, name).value_or(std::string_view());
}

std::optional<Hertz> ParseMegahertz(std::string_view text, bool decimalComma) {
    const char point = decimalComma ? ',' : '.';
    std::size_t i = 0;
    std::uint64_t mhz = 0;
    bool saturated = false;
    bool anyDigit = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        anyDigit = true;
        if (mhz >= kSaturatedHz / 1'000'000) {
            saturated = true;
        } else {
            mhz = mhz * 10 + static_cast<std::uint64_t>(text[i] - '0');
        }
    }
    Hertz value;
    std::uint64_t fraction = 0;  // the first six decimals, in hertz
    if (i < text.size() && (text[i] == point || (decimalComma && text[i] == '.'))) {
        ++i;
        int decimals = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++decimals) {
            anyDigit = true;
            if (decimals < 6) {
                fraction = fraction * 10 + static_cast<std::uint64_t>(text[i] - '0');
            } else if (text[i] != '0') {
                value.belowOneHertz = true;
            }
        }
        for (; decimals < 6; ++decimals) fraction *= 10;
    }
    if (!anyDigit || i != text.size()) return std::nullopt;
    value.hz = saturated ? kSaturatedHz : mhz * 1'000'000 + fraction;
    return value;
}

std::string FormatMegahertz(std::uint64_t hz) {
    std::string decimals = std::to_string(hz % 1'000'000);
    decimals.insert(0, 6 - decimals.size(), '0');
    return std::to_string(hz / 1'000'000) + "." + decimals;
}

std::optional<Hertz> ParseFrequencyField(std::string_view text, bool decimalComma) {
    if (text.size() >= 3 && EqualsNoCase(text.substr(text.size() - 3), "MHz")) {
        text = TrimBlanks(text.substr(0, text.size() - 3));
    }
    return ParseMegahertz(text, decimalComma);
}

std::optional<std::string> CheckedFrequency(const Hertz& value, int band, std::string& reason) {
    const BandLimits& limits = BandTable()[band == 1 ? 1 : 0];
    if (value.hz > std::uint64_t{limits.highest} * 10 || value.hz < std::uint64_t{limits.lowest} * 10) {
        reason = "outside this radio's band " + BandRange(band);
        return std::nullopt;
    }
    const auto units = static_cast<std::uint32_t>(value.hz / 10);
    // The grid keeps 10 Hz; anything finer is off both channel steps.
    if (value.belowOneHertz || value.hz % 10 != 0 || (units % 500 != 0 && units % 625 != 0)) {
        reason = "not on a 5 or 6.25 kHz step";
        return std::nullopt;
    }
    return FormatFrequency(units);
}

std::optional<int> ParseChannelNumber(std::string_view text) {
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.empty() || text.size() > 3) return std::nullopt;
    int n = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > kChannelCount) return std::nullopt;
    return n;
}

std::string Quote(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string_view shown = text.substr(0, kLongest);
    if (shown.size() < text.size()) {
        // Cut back to the start of a UTF-8 sequence so the shortened text stays valid.
        while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80)
            shown.remove_suffix(1);
        if (!shown.empty() && static_cast<unsigned char>(shown.back()) >= 0xC0) shown.remove_suffix(1);
    }
    return "\"" + EscapeControls(shown) + (shown.size() < text.size() ? "..." : "") + "\"";
}

std::string ListValueRefusal(int column, std::string_view text) {
    const EditorKind kind = EditorForColumn(column);
    if (text.empty() || kind == EditorKind::None || kind == EditorKind::Text) return {};
    const std::string lead =
        std::string(ColumnHeadings()[static_cast<std::size_t>(column)]) + " " + Quote(text);
    if (kind == EditorKind::Tone)
        return FindToneExact(text) < 0 ? lead + ": not an entry of the tone table" : std::string();
    const auto& entries = EditorEntries(kind);
    return FindExact(entries, text) < 0 ? lead + ": not one of " + JoinEntries(entries) : std::string();
}

std::string JoinEntries(const std::vector<std::string>& entries) {
    std::string out;
    for (const auto& e : entries) {
        if (!out.empty()) out += ", ";
        out += e;
    }
    return out;
}

std::string BandRange(int band) {
    const BandLimits& limits = BandTable()[band == 1 ? 1 : 0];
    auto mhz = [](std::uint32_t units) {
        std::string text = FormatMegahertz(std::uint64_t{units} * 10);
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
        return text;
    };
    return mhz(limits.lowest) + "–" + mhz(limits.highest) + " MHz";
}

namespace {

/** A power word with an optional level number ("Low1", "Mid"), as other radios name their levels. */
bool PowerWord(std::string_view text, std::initializer_list<std::string_view> words) {
    while (!text.empty() && text.back() >= '0' && text.back() <= '9') text.remove_suffix(1);
    for (const auto word : words) {
        if (EqualsNoCase(text, word)) return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> PowerEntry(std::string_view text, bool decimalComma, std::string* note) {
    text = TrimBlanks(text);
    if (text.empty() || PowerWord(text, {"H", "High", "Hi"})) return "High";
    if (PowerWord(text, {"L", "Low", "Lo"})) return "Low";
    if (PowerWord(text, {"M", "Mid", "Med", "Medium"})) {
        if (note) *note = "Power: the radio has only High and Low; a middle power (Mid) is taken as High";
        return "High";
    }
    std::string_view number = text;
    if (number.back() == 'W' || number.back() == 'w')
        number = TrimBlanks(number.substr(0, number.size() - 1));
    const auto watts = ParseMegahertz(number, decimalComma);  // millionths of a watt
    if (!watts) return std::nullopt;
    // High and Low are the radio's two levels; 2.5 W lies between what each is taken for.
    return watts->hz < 2'500'000 ? "Low" : "High";
}

}  // namespace pm::csv
