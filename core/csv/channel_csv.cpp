#include "core/csv/channel_csv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <memory>

#include "core/csv/community_layout.h"
#include "core/csv/csv_text.h"
#include "core/csv/native_layout.h"
#include "core/image/codec.h"
#include "core/image/document.h"

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

CsvImportResult ImportCsv(std::string_view text, const Image& base, std::optional<CsvLayout> layout) {
    CsvImportResult result;
    result.image = base;
    if (text.size() > kMaxCsvBytes) {
        result.fileError = "the file is larger than " + std::to_string(kMaxCsvBytes / 1024) +
                           " KiB; a channel list is a few kilobytes";
        return result;
    }
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        result.fileError = "the file is UTF-16 text; save it as CSV in UTF-8";
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

    // The editor's working copy of the base; every channel starts empty and only rows that pass are taken.
    auto state = std::make_unique<EditorState>(DecodeToState(base));
    ClearChannels(state->table);
    if (result.layout == CsvLayout::Native) {
        for (const auto& comment : file.comments) {
            const auto refused = csv::ApplySettingComment(comment.text, state->lists);
            if (refused && !refused->empty()) result.refused.push_back({comment.line, 0, *refused});
        }
    }
    csv::RowContext context;
    context.band = state->lists.Selected(Setting::Field) == 1 ? 1 : 0;
    context.decimalComma = file.separator == ';';
    context.narrowWide = state->lists.Selected(Setting::NarrowWide) == 1 ? 1 : 0;

    std::array<int, kChannelCount + 1> takenOn{};
    for (std::size_t i = 1; i < file.records.size(); ++i) {
        const CsvRecord& record = file.records[i];
        if (record.unterminatedQuote) {
            result.refused.push_back(
                {record.line, 0, "a quoted field is not closed before the end of the file"});
            continue;
        }
        const csv::RowOutcome row = result.layout == CsvLayout::Native
                                        ? csv::ReadNativeRow(record, columns, context)
                                        : csv::ReadCommunityRow(record, columns, context);
        if (!row.problems.empty()) {
            result.refused.push_back({record.line, row.channel, Join(row.problems)});
            continue;
        }
        int& taken = takenOn[static_cast<std::size_t>(row.channel)];
        if (taken != 0) {
            result.refused.push_back({record.line, row.channel,
                                      "channel " + std::to_string(row.channel) +
                                          " was already taken from line " + std::to_string(taken) +
                                          "; this row is left out"});
            continue;
        }
        taken = record.line;
        for (int column = col::kReceive; column <= col::kPower; ++column) {
            state->table.SetText(row.channel, column, row.cells[static_cast<std::size_t>(column)]);
        }
        for (const auto& note : row.notes) result.notes.push_back({record.line, row.channel, note});
        ++result.channelsImported;
    }
    EncodeImage(state->table, state->lists, result.image);
    return result;
}

CsvImportResult ImportCsvFile(const std::filesystem::path& path, const Image& base,
                              std::optional<CsvLayout> layout) {
    CsvImportResult failed;
    failed.image = base;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        failed.fileError = "Cannot open file " + path.string() + ": " + std::strerror(errno);
        return failed;
    }
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        failed.fileError = "Cannot open file " + path.string() + ": " + std::strerror(EISDIR);
        return failed;
    }
    // Read one byte past the limit so that ImportCsv sees a file that is too large.
    std::string text(kMaxCsvBytes + 1, '\0');
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get())) {
        failed.fileError = "Cannot read file " + path.string() + ": " + std::strerror(errno);
        return failed;
    }
    text.resize(got);
    CsvImportResult result = ImportCsv(text, base, layout);
    if (!result.ok()) result.fileError = path.string() + ": " + result.fileError;
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
    out += std::to_string(result.channelsImported) +
           (result.channelsImported == 1 ? " channel" : " channels") + " imported (" +
           std::string(LayoutName(result.layout)) + " layout), " + std::to_string(result.refused.size()) +
           (result.refused.size() == 1 ? " row" : " rows") + " refused\n";
    return out;
}

}  // namespace pm
