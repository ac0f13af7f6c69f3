#include "core/csv/channel_csv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "core/csv/community_layout.h"
#include "core/csv/csv_text.h"
#include "core/csv/native_layout.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "core/image/file_access.h"

namespace pm {
namespace {

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty()) out += "; ";
        out += p;
    }
    return out;
}

std::string HeaderProblem(const CsvRecord& header, std::string_view expected) {
    std::string names;
    for (const auto& f : header.fields) names += (names.empty() ? "" : ",") + f;
    return "line " + std::to_string(header.line) + ": the header row " + csv::Quote(names) + " is not " +
           std::string(expected);
}

void ClearChannels(ChannelTable& table) {
    for (int row = 1; row <= kChannelCount; ++row) {
        for (int column = col::kReceive; column <= col::kPower; ++column) table.SetText(row, column, "");
    }
}

}  // namespace

std::string_view LayoutName(CsvLayout layout) {
    return layout == CsvLayout::Native ? "native" : "community";
}

std::string ExportCsv(const Image& image, CsvLayout layout) {
    const EditorState state = DecodeToState(image);
    return layout == CsvLayout::Native ? csv::WriteNativeCsv(state) : csv::WriteCommunityCsv(state);
}

std::string ExportCsvNote(const Image& image, CsvLayout layout) {
    return layout == CsvLayout::Native ? std::string() : csv::CommunityExportNote(DecodeToState(image));
}

CsvImportResult ImportCsv(std::string_view text, const Image& base, std::optional<CsvLayout> layout) {
    return ImportCsv(text, base, CsvImportOptions{.layout = layout});
}

CsvImportResult ImportCsv(std::string_view text, const Image& base, const CsvImportOptions& options) {
    CsvImportResult result;
    result.image = base;
    result.merge = options.merge;
    if (text.size() > kMaxCsvBytes) {
        result.fileError = "the file is larger than " + std::to_string(kMaxCsvBytes / 1024) +
                           " KiB; a channel list is a few kilobytes";
        return result;
    }
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        result.fileError = "the file is UTF-16 text; save it as CSV in UTF-8";
        return result;
    }
    if (options.placement == CsvPlacement::Sequential &&
        (options.firstChannel < 1 || options.firstChannel > kChannelCount)) {
        result.fileError = "the first channel " + std::to_string(options.firstChannel) +
                           " is not a channel 1–" + std::to_string(kChannelCount);
        return result;
    }
    const CsvText file = ReadCsvText(text);
    if (file.records.empty()) {
        result.fileError = "the file has no header row";
        return result;
    }
    const CsvRecord& header = file.records.front();
    const csv::ColumnMap columns(header);
    const bool native = csv::IsNativeHeader(columns);
    const bool community = csv::IsCommunityHeader(columns);
    const std::optional<CsvLayout> layout = options.layout;
    if (header.unterminatedQuote) {
        result.fileError =
            "line " + std::to_string(header.line) + ": a quoted field of the header row is not closed";
        return result;
    }
    if (layout == CsvLayout::Native && !native) {
        result.fileError = HeaderProblem(header, "of the native layout (it needs Channel and Receive(MHz))");
        return result;
    }
    if (layout == CsvLayout::Community && !community) {
        result.fileError = HeaderProblem(header, "of the community layout (it needs Location and Frequency)");
        return result;
    }
    if (!layout && !native && !community) {
        result.fileError =
            HeaderProblem(header, "of a channel list: expected \"" + std::string(kNativeHeader) +
                                      "\" or a header with Location and Frequency");
        return result;
    }
    result.layout = layout ? *layout : (native ? CsvLayout::Native : CsvLayout::Community);
    const bool nativeRows = result.layout == CsvLayout::Native;
    const std::string_view locationColumn = nativeRows ? "Channel" : "Location";

    // The editor's working copy of the base; a replacing import starts from empty channels.
    auto state = std::make_unique<EditorState>(DecodeToState(base));
    if (!options.merge) ClearChannels(state->table);
    if (nativeRows) {
        const int baseBand = state->lists.Selected(Setting::Field);
        for (const auto& comment : file.comments) {
            const auto refused = csv::ApplySettingComment(comment.text, state->lists);
            if (refused && !refused->empty()) result.refused.push_back({comment.line, 0, *refused});
            // A band change empties every channel in the editor; a merge keeps channels, so not the band.
            if (options.merge && state->lists.Selected(Setting::Field) != baseBand) {
                state->lists.Select(Setting::Field, baseBand);
                result.refused.push_back({comment.line, 0,
                                          "a merge keeps the channels of the base, so its band " +
                                              csv::BandRange(baseBand) + " too"});
            }
        }
    }
    csv::RowContext context;
    context.band = state->lists.Selected(Setting::Field) == 1 ? 1 : 0;
    context.decimalComma = file.separator != ',';
    context.narrowWide = state->lists.Selected(Setting::NarrowWide) == 1 ? 1 : 0;

    std::array<int, kChannelCount + 1> takenOn{};
    std::map<std::string, std::pair<std::size_t, int>> noteAt;  // text -> index in notes, rows concerned
    int nextChannel = options.firstChannel;
    for (std::size_t i = 1; i < file.records.size(); ++i) {
        const CsvRecord& record = file.records[i];
        CsvPlanRow& plan = result.rows.emplace_back();
        plan.line = record.line;
        if (record.unterminatedQuote) {
            plan.reason = "a quoted field is not closed before the end of the file";
            continue;
        }
        if (columns.OnlyIn(record, locationColumn)) {
            plan.fate = CsvRowFate::Placeholder;
            continue;
        }
        csv::RowOutcome row = nativeRows ? csv::ReadNativeRow(record, columns, context)
                                         : csv::ReadCommunityRow(record, columns, context);
        int channel = 0;
        if (options.placement == CsvPlacement::Location) {
            const std::string_view location = columns.Text(record, locationColumn);
            if (const auto number = csv::ParseChannelNumber(location)) {
                channel = *number;
            } else {
                const bool digits =
                    !location.empty() && location.find_first_not_of("0123456789") == std::string_view::npos;
                row.problems.insert(row.problems.begin(),
                                    std::string(locationColumn) + " " +
                                        (digits ? std::string(location) : csv::Quote(location)) +
                                        " is not a channel 1–80" + std::string(kSequentialHint));
            }
        }
        if (row.problems.empty() && channel != 0 && takenOn[static_cast<std::size_t>(channel)] != 0) {
            row.problems.push_back("channel " + std::to_string(channel) + " was already taken from line " +
                                   std::to_string(takenOn[static_cast<std::size_t>(channel)]) +
                                   "; this row is left out");
        }
        plan.channel = channel;
        if (!row.problems.empty()) {
            plan.reason = Join(row.problems);
            continue;
        }
        if (options.placement == CsvPlacement::Sequential) {
            if (nextChannel > kChannelCount) {
                plan.fate = CsvRowFate::NoChannelLeft;
                plan.reason = "no channel left after " + std::to_string(kChannelCount);
                continue;
            }
            channel = nextChannel++;
        }
        takenOn[static_cast<std::size_t>(channel)] = record.line;
        plan.fate = CsvRowFate::Taken;
        plan.channel = channel;
        plan.cells = row.cells;
        plan.notes = row.notes;
        for (int column = col::kReceive; column <= col::kPower; ++column) {
            state->table.SetText(channel, column, row.cells[static_cast<std::size_t>(column)]);
        }
        // Remarks are worded alike for every row they concern: one entry each, at its first row.
        for (const auto& note : row.notes) {
            const auto [at, fresh] = noteAt.try_emplace(note, result.notes.size(), 0);
            if (fresh) result.notes.push_back({record.line, channel, note});
            ++at->second.second;
        }
        ++result.channelsImported;
    }
    for (const auto& [text, at] : noteAt) {
        if (at.second > 1) {
            result.notes[at.first].reason += " (also on " + std::to_string(at.second - 1) +
                                             (at.second == 2 ? " more row)" : " more rows)");
        }
    }
    int leftOver = 0;
    for (const auto& plan : result.rows) {
        if (plan.fate == CsvRowFate::Refused)
            result.refused.push_back({plan.line, plan.channel, plan.reason});
        if (plan.fate != CsvRowFate::NoChannelLeft) continue;
        if (leftOver++ == 0) result.refused.push_back({plan.line, 0, ""});
    }
    if (leftOver > 0) {
        auto it = std::find_if(result.refused.begin(), result.refused.end(),
                               [](const CsvRowReport& r) { return r.reason.empty(); });
        it->reason = std::to_string(leftOver) + (leftOver == 1 ? " row" : " rows") +
                     " did not fit: no channel left after " + std::to_string(kChannelCount);
    }
    std::stable_sort(result.refused.begin(), result.refused.end(),
                     [](const CsvRowReport& a, const CsvRowReport& b) { return a.line < b.line; });
    // Refused setting lines count as rows too: they are lines of the file that were not taken.
    result.rowsRefused = static_cast<int>(result.refused.size()) + (leftOver > 0 ? leftOver - 1 : 0);
    result.noRows = std::all_of(result.rows.begin(), result.rows.end(),
                                [](const CsvPlanRow& r) { return r.fate == CsvRowFate::Placeholder; });
    EncodeImage(state->table, state->lists, result.image);
    return result;
}

CsvImportResult ImportCsvFile(const std::filesystem::path& path, const Image& base,
                              std::optional<CsvLayout> layout) {
    return ImportCsvFile(path, base, CsvImportOptions{.layout = layout});
}

CsvImportResult ImportCsvFile(const std::filesystem::path& path, const Image& base,
                              const CsvImportOptions& options) {
    CsvImportResult failed;
    failed.image = base;
    // One byte past the limit, so that ImportCsv sees a file that is too large; a FIFO is never waited on.
    std::string text;
    if (const FileOutcome read = ReadRegularFile(path, kMaxCsvBytes + 1, text); !read.ok()) {
        failed.fileError = read.message;
        return failed;
    }
    CsvImportResult result = ImportCsv(text, base, options);
    if (!result.ok()) result.fileError = path.string() + ": " + result.fileError;
    result.source = path.string();
    return result;
}

FileOutcome ExportCsvFile(const std::filesystem::path& path, const Image& image, CsvLayout layout) {
    const std::string text = ExportCsv(image, layout);
    return SaveFileAtomically(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string FormatImportReport(const CsvImportResult& result) {
    if (!result.ok()) return result.fileError + "\n";
    struct Line {
        const CsvRowReport* report;
        bool refused;
    };
    std::vector<Line> lines;
    for (const auto& r : result.refused) lines.push_back({&r, true});
    for (const auto& n : result.notes) lines.push_back({&n, false});
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.report->line < b.report->line; });
    std::string out;
    for (const auto& l : lines) {
        out += "line " + std::to_string(l.report->line);
        if (l.report->channel > 0) out += ", channel " + std::to_string(l.report->channel);
        out += l.refused ? ": refused: " : ": note: ";
        out += l.report->reason + "\n";
    }
    if (result.noRows && !result.merge)
        out +=
            "no channels in " + (result.source.empty() ? "the file" : EscapeControls(result.source)) + "\n";
    out += std::to_string(result.channelsImported) +
           (result.channelsImported == 1 ? " channel" : " channels") + " imported (" +
           std::string(LayoutName(result.layout)) + " layout" + (result.merge ? ", merged" : "") + "), " +
           std::to_string(result.rowsRefused) + (result.rowsRefused == 1 ? " row" : " rows") + " refused\n";
    return out;
}

}  // namespace pm
