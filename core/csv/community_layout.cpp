#include "core/csv/community_layout.h"

#include <initializer_list>

#include "core/csv/channel_csv.h"
#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/numeric_text.h"
#include "core/image/text_match.h"
#include "core/image/tone.h"

namespace pm::csv {
namespace {

// Values other programs expect in the fields of a tone mode that is not in use.
constexpr std::string_view kToneFiller = "88.5";
constexpr std::string_view kDcsFiller = "023";

/** One side of a channel's tone pair as the community layout names it. */
struct ToneSide {
    enum class Kind { None, Ctcss, Dcs } kind = Kind::None;
    std::string value;    // "88.5" or "023"
    char polarity = 'N';  // 'N' normal, 'R' reversed
};

ToneSide SideOf(const std::string& text) {
    ToneSide side;
    if (text.empty() || EqualsNoCase(text, "OFF")) return side;
    if (text.front() == 'D' && text.size() >= 2) {
        side.kind = ToneSide::Kind::Dcs;
        side.value = text.substr(1, text.size() - 2);
        side.polarity = text.back() == 'N' ? 'N' : 'R';
        return side;
    }
    side.kind = ToneSide::Kind::Ctcss;
    side.value = text;
    return side;
}

std::string_view CrossName(ToneSide::Kind kind) {
    switch (kind) {
        case ToneSide::Kind::Ctcss:
            return "Tone";
        case ToneSide::Kind::Dcs:
            return "DTCS";
        case ToneSide::Kind::None:
            break;
    }
    return "";
}

/** The tone fields of the layout for a channel's transmit and receive tones. */
struct ToneFields {
    std::string mode, rTone, cTone, dtcs, polarity, rxDtcs, cross;
};

ToneFields ToneFieldsOf(const ToneSide& tx, const ToneSide& rx) {
    using Kind = ToneSide::Kind;
    ToneFields f{"",
                 std::string(kToneFiller),
                 std::string(kToneFiller),
                 std::string(kDcsFiller),
                 std::string(1, tx.polarity) + rx.polarity,
                 std::string(kDcsFiller),
                 "Tone->Tone"};
    if (tx.kind == Kind::None && rx.kind == Kind::None) return f;
    if (tx.kind == Kind::Ctcss && rx.kind == Kind::None) {
        f.mode = "Tone";
        f.rTone = tx.value;
        return f;
    }
    if (tx.kind == Kind::Ctcss && rx.kind == Kind::Ctcss && tx.value == rx.value) {
        f.mode = "TSQL";
        f.rTone = f.cTone = tx.value;
        return f;
    }
    if (tx.kind == Kind::Dcs && rx.kind == Kind::Dcs && tx.value == rx.value) {
        f.mode = "DTCS";
        f.dtcs = f.rxDtcs = tx.value;
        return f;
    }
    // Transmit on the left of the arrow with rToneFreq / DtcsCode, receive on the right with
    // cToneFreq / RxDtcsCode. A lone receive code goes into DtcsCode too, for readers that look there.
    f.mode = "Cross";
    f.cross = std::string(CrossName(tx.kind)) + "->" + std::string(CrossName(rx.kind));
    if (tx.kind == Kind::Ctcss) f.rTone = tx.value;
    if (tx.kind == Kind::Dcs) f.dtcs = tx.value;
    if (rx.kind == Kind::Ctcss) f.cTone = rx.value;
    if (rx.kind == Kind::Dcs) {
        f.rxDtcs = rx.value;
        if (tx.kind != Kind::Dcs) f.dtcs = rx.value;
    }
    return f;
}

std::string Padded(int channel) {
    return (channel < 10 ? "CH0" : "CH") + std::to_string(channel);
}

/** The column a tone field is read from: a file with only one of the two uses it both ways. */
std::string_view ToneColumn(const ColumnMap& columns, std::string_view column) {
    if (columns.Has(column)) return column;
    const std::string_view other = column == "cToneFreq" ? "rToneFreq" : "cToneFreq";
    return columns.Has(other) ? other : column;
}

/** What reading one tone field gave: the table entry's text, or a problem. */
std::optional<std::string> CtcssEntry(const ColumnMap& columns, const CsvRecord& record,
                                      std::string_view column, const RowContext& context, RowOutcome& row) {
    column = ToneColumn(columns, column);
    const std::string_view text = columns.Text(record, column);
    const auto value = ParseMegahertz(text, context.decimalComma);
    // ParseMegahertz reads any decimal exactly; a tone has tenths of a hertz, 100000 "Hz" per tenth.
    if (value && !value->belowOneHertz && value->hz % 100'000 == 0 && value->hz <= 10'000'000'000ull) {
        const int index = FindToneExact(FormatFixed(static_cast<double>(value->hz / 100'000) * 0.1, 1));
        if (index >= kFirstCtcss && index < kFirstCtcss + kCtcssCount) {
            return ToneTable()[static_cast<std::size_t>(index)];
        }
    }
    if (value && !text.empty()) {
        row.problems.push_back(std::string(column) + ": tone " + std::string(text) +
                               " is not in the radio's tone list");
    } else {
        row.problems.push_back(std::string(column) + " " + Quote(text) + ": not a tone in Hz like 88.5");
    }
    return std::nullopt;
}

std::optional<std::string> DcsEntry(const ColumnMap& columns, const CsvRecord& record,
                                    std::string_view column, char polarity, RowOutcome& row) {
    std::string_view text = columns.Text(record, column);
    if (!columns.Has(column) && column == "RxDtcsCode") text = columns.Text(record, "DtcsCode");
    bool digits = !text.empty() && text.size() <= 3;
    for (const char c : text) digits = digits && c >= '0' && c <= '9';
    if (digits) {
        const std::string code = std::string(3 - text.size(), '0') + std::string(text);
        const int index = FindToneExact("D" + code + (polarity == 'N' ? "N" : "I"));
        if (index >= kFirstDcsNormal) return ToneTable()[static_cast<std::size_t>(index)];
        row.problems.push_back(std::string(column) + ": DCS code " + code +
                               " is not in the radio's tone list");
        return std::nullopt;
    }
    row.problems.push_back(std::string(column) + " " + Quote(text) + ": not a DCS code like 023");
    return std::nullopt;
}

/** The two polarity letters (transmit, receive) as 'N' / 'R'; nothing after reporting a bad text. */
std::optional<std::pair<char, char>> Polarities(const ColumnMap& columns, const CsvRecord& record,
                                                RowOutcome& row) {
    const std::string_view text = columns.Text(record, "DtcsPolarity");
    if (text.empty()) return std::pair{'N', 'N'};
    auto letter = [](char c) -> char {
        if (c == 'N' || c == 'n') return 'N';
        if (c == 'R' || c == 'r') return 'R';
        return 0;
    };
    if (text.size() == 2 && letter(text[0]) && letter(text[1]))
        return std::pair{letter(text[0]), letter(text[1])};
    row.problems.push_back("DtcsPolarity " + Quote(text) + ": not two letters N or R (transmit, receive)");
    return std::nullopt;
}

/** Fills the Rx Tone and Tx Tone cells from the tone mode and its fields. */
void ReadTones(const CsvRecord& record, const ColumnMap& columns, const RowContext& context,
               RowOutcome& row) {
    std::string& rx = row.cells[col::kRxTone];
    std::string& tx = row.cells[col::kTxTone];
    rx = tx = "OFF";
    const std::string_view mode = columns.Text(record, "Tone");
    std::string_view left;
    std::string_view right;
    if (mode.empty()) return;
    if (EqualsNoCase(mode, "Tone")) {
        left = "Tone";
    } else if (EqualsNoCase(mode, "TSQL")) {
        const auto tone = CtcssEntry(columns, record, "cToneFreq", context, row);
        if (tone) rx = tx = *tone;
        return;
    } else if (EqualsNoCase(mode, "DTCS")) {
        const auto pol = Polarities(columns, record, row);
        if (!pol) return;
        // One code both ways; a bad code is reported once.
        const auto t = DcsEntry(columns, record, "DtcsCode", pol->first, row);
        if (!t) return;
        tx = *t;
        if (const auto r = DcsEntry(columns, record, "DtcsCode", pol->second, row)) rx = *r;
        return;
    } else if (EqualsNoCase(mode, "Cross")) {
        const std::string_view cross = columns.Text(record, "CrossMode");
        const auto arrow = cross.find("->");
        if (arrow != std::string_view::npos) {
            left = TrimBlanks(cross.substr(0, arrow));
            right = TrimBlanks(cross.substr(arrow + 2));
        }
        auto known = [](std::string_view side) {
            return side.empty() || EqualsNoCase(side, "Tone") || EqualsNoCase(side, "DTCS");
        };
        if (arrow == std::string_view::npos || !known(left) || !known(right) ||
            (left.empty() && right.empty())) {
            row.problems.push_back("CrossMode " + Quote(cross) +
                                   ": not one of Tone->Tone, Tone->, ->Tone, DTCS->, ->DTCS, Tone->DTCS, "
                                   "DTCS->Tone, DTCS->DTCS");
            return;
        }
    } else {
        row.problems.push_back("Tone " + Quote(mode) + ": not one of \"\", Tone, TSQL, DTCS, Cross");
        return;
    }
    std::pair<char, char> pol{'N', 'N'};
    if (EqualsNoCase(left, "DTCS") || EqualsNoCase(right, "DTCS")) {
        const auto p = Polarities(columns, record, row);
        if (!p) return;
        pol = *p;
    }
    if (EqualsNoCase(left, "Tone")) {
        if (auto t = CtcssEntry(columns, record, "rToneFreq", context, row)) tx = *t;
    } else if (EqualsNoCase(left, "DTCS")) {
        if (auto t = DcsEntry(columns, record, "DtcsCode", pol.first, row)) tx = *t;
    }
    if (EqualsNoCase(right, "Tone")) {
        if (auto r = CtcssEntry(columns, record, "cToneFreq", context, row)) rx = *r;
    } else if (EqualsNoCase(right, "DTCS")) {
        if (auto r = DcsEntry(columns, record, "RxDtcsCode", pol.second, row)) rx = *r;
    }
}

/** Fills the Receive and Transmit cells from Frequency, Duplex and Offset. */
void ReadFrequencies(const CsvRecord& record, const ColumnMap& columns, const RowContext& context,
                     RowOutcome& row) {
    const std::string_view freqText = columns.Text(record, "Frequency");
    const std::string_view duplex = columns.Text(record, "Duplex");
    const std::string_view offsetText = columns.Text(record, "Offset");
    std::optional<Hertz> rx;
    if (!freqText.empty()) {
        rx = ParseFrequencyField(freqText, context.decimalComma);
        if (!rx) {
            row.problems.push_back("Frequency " + Quote(freqText) + ": " + std::string(kNotAFrequency));
            return;
        }
    }
    auto offset = [&]() -> std::optional<Hertz> {
        if (offsetText.empty()) return Hertz{};
        auto value = ParseFrequencyField(offsetText, context.decimalComma);
        if (!value) row.problems.push_back("Offset " + Quote(offsetText) + ": not a number of MHz");
        return value;
    };
    std::optional<Hertz> tx;
    std::string txWhat = "transmit frequency";
    if (duplex.empty()) {
        tx = rx;
    } else if (duplex == "+" || duplex == "-") {
        const auto off = offset();
        if (!off) return;
        if (!rx) {
            row.problems.push_back("Duplex " + std::string(duplex) + " without a Frequency");
            return;
        }
        if (duplex == "-" && off->hz > rx->hz) {
            row.problems.push_back("Offset " + Quote(offsetText) +
                                   ": below 0 MHz when taken from the Frequency");
            return;
        }
        tx = Hertz{duplex == "+" ? rx->hz + off->hz : rx->hz - off->hz,
                   rx->belowOneHertz || off->belowOneHertz};
        txWhat += " " + FormatMegahertz(tx->hz) + " MHz (Frequency " + std::string(duplex) + " Offset)";
    } else if (EqualsNoCase(duplex, "split")) {
        if (offsetText.empty()) {
            row.problems.push_back("Duplex split without a transmit frequency in Offset");
            return;
        }
        tx = offset();
        if (!tx) return;
        txWhat = "Offset " + Quote(offsetText) + " (split transmit frequency)";
    } else if (!EqualsNoCase(duplex, "off")) {
        row.problems.push_back("Duplex " + Quote(duplex) + ": not one of \"\", +, -, split, off");
        return;
    }
    std::string reason;
    if (rx) {
        if (auto text = CheckedFrequency(*rx, context.band, reason)) {
            row.cells[col::kReceive] = *text;
        } else {
            row.problems.push_back("Frequency " + Quote(freqText) + ": " + reason);
        }
    }
    // A transmit frequency taken from a refused receive one would repeat its report.
    const bool derived = duplex.empty() || duplex == "+" || duplex == "-";
    if (tx && !(derived && !row.problems.empty())) {
        if (auto text = CheckedFrequency(*tx, context.band, reason)) {
            row.cells[col::kTransmit] = *text;
        } else {
            row.problems.push_back(txWhat + ": " + reason);
        }
    }
    if (row.problems.empty() && !rx && !tx) row.problems.push_back("no receive or transmit frequency");
}

void ReadPower(const CsvRecord& record, const ColumnMap& columns, const RowContext& context,
               RowOutcome& row) {
    const std::string_view text = columns.Text(record, "Power");
    std::string note;
    const std::optional<std::string> entry = PowerEntry(text, context.decimalComma, &note);
    row.cells[col::kPower] = entry.value_or("High");
    if (!entry) {
        row.notes.push_back("Power " + Quote(text) +
                            ": not High, Low, Mid or watts like 5.0W; the channel is set to High");
    } else if (!note.empty()) {
        row.notes.push_back(note);
    }
}

void ReadSkip(const CsvRecord& record, const ColumnMap& columns, RowOutcome& row) {
    const std::string_view text = columns.Text(record, "Skip");
    std::string& cell = row.cells[col::kScan];
    if (text.empty()) {
        cell = "Add";
    } else if (EqualsNoCase(text, "S")) {
        cell = "Delete";
    } else if (EqualsNoCase(text, "P")) {
        cell = "Add";
        row.notes.push_back("Skip \"P\": the radio has no priority scan; taken as Add");
    } else {
        row.problems.push_back("Skip " + Quote(text) + ": not one of \"\", S, P");
    }
}

void ReadBusy(const CsvRecord& record, const ColumnMap& columns, RowOutcome& row) {
    const std::string_view text = columns.Text(record, "BusyLock");
    std::string& cell = row.cells[col::kBusy];
    if (text.empty()) {
        cell = "OFF";
        return;
    }
    const auto& entries = EditorEntries(EditorKind::Busy);
    const int index = FindExact(entries, text);
    if (index < 0) {
        row.problems.push_back("BusyLock " + Quote(text) + ": not one of " + JoinEntries(entries));
        return;
    }
    cell = entries[static_cast<std::size_t>(index)];
}

void ReadMode(const CsvRecord& record, const ColumnMap& columns, const RowContext& context, RowOutcome& row) {
    const std::string_view mode = columns.Text(record, "Mode");
    if (mode.empty()) return;
    const std::string radioWide = Info(Setting::NarrowWide).entries[context.narrowWide == 1 ? 1 : 0];
    const bool narrow = context.narrowWide == 1;
    if (EqualsNoCase(mode, "FM") || EqualsNoCase(mode, "NFM")) {
        if (EqualsNoCase(mode, "NFM") != narrow) {
            row.notes.push_back("Mode " + Quote(mode) + " differs from the radio-wide N/W " + radioWide +
                                ", which the channel uses");
        }
        return;
    }
    row.notes.push_back("Mode " + Quote(mode) +
                        ": the radio has only FM; the channel uses the radio-wide N/W " + radioWide);
}

}  // namespace

std::string WriteCommunityCsv(const EditorState& state) {
    std::string out(kCommunityHeader);
    out += "\r\n";
    const bool narrow = state.lists.Selected(Setting::NarrowWide) == 1;
    for (int row = 1; row <= kChannelCount; ++row) {
        if (state.table.Text(row, col::kReceive).empty()) continue;
        const std::uint64_t rx = FrequencyUnitsOfText(state.table.Text(row, col::kReceive)) * 10ull;
        const std::uint64_t tx = FrequencyUnitsOfText(state.table.Text(row, col::kTransmit)) * 10ull;
        std::string duplex;
        std::string offset = FormatMegahertz(0);
        if (!tx) {
            duplex = "off";
        } else if (tx != rx) {
            duplex = tx > rx ? "+" : "-";
            offset = FormatMegahertz(tx > rx ? tx - rx : rx - tx);
        }
        const ToneFields tones = ToneFieldsOf(SideOf(state.table.Text(row, col::kTxTone)),
                                              SideOf(state.table.Text(row, col::kRxTone)));
        AppendCsvRecord(out, {std::to_string(row),
                              Padded(row),
                              FormatMegahertz(rx),
                              duplex,
                              offset,
                              tones.mode,
                              tones.rTone,
                              tones.cTone,
                              tones.dtcs,
                              tones.polarity,
                              tones.rxDtcs,
                              tones.cross,
                              narrow ? "NFM" : "FM",
                              rx % 5000 == 0 ? "5.00" : "6.25",
                              state.table.Text(row, col::kScan) == "Add" ? "" : "S",
                              state.table.Text(row, col::kPower) == "High" ? "5.0W" : "1.0W",
                              "",
                              "",
                              "",
                              "",
                              "",
                              state.table.Text(row, col::kBusy)});
    }
    return out;
}

bool IsCommunityHeader(const ColumnMap& columns) {
    return columns.Has("Location") && columns.Has("Frequency");
}

RowOutcome ReadCommunityRow(const CsvRecord& record, const ColumnMap& columns, const RowContext& context) {
    RowOutcome row;
    ReadFrequencies(record, columns, context, row);
    ReadTones(record, columns, context, row);
    ReadBusy(record, columns, row);
    ReadSkip(record, columns, row);
    ReadPower(record, columns, context, row);
    ReadMode(record, columns, context, row);
    if (!row.problems.empty()) row.notes.clear();
    return row;
}

std::string CommunityExportNote(const EditorState& state) {
    std::vector<std::string> left;
    for (int row = 1; row <= kChannelCount; ++row) {
        if (RowHasFrequency(state.table, row) && state.table.Text(row, col::kReceive).empty())
            left.push_back(std::to_string(row));
    }
    if (left.empty()) return {};
    // Readers of this layout take an empty Frequency for 0 Hz, so such a channel cannot be written.
    return (left.size() == 1 ? "channel " : "channels ") + JoinEntries(left) +
           (left.size() == 1 ? " has" : " have") +
           " no receive frequency and cannot be written in the community layout; left out";
}

}  // namespace pm::csv
