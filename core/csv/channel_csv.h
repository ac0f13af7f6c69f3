#pragma once
// Channel lists as CSV: our own layout (the grid's columns and texts, plus the Function Setting values
// as comment lines) and the common community layout that multi-radio programmers read and write.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/image/channel_file.h"
#include "core/image/memory_image.h"

namespace pm {

/** Which columns a CSV file has. */
enum class CsvLayout { Native, Community };

/** The header row of our own layout. */
inline constexpr std::string_view kNativeHeader =
    "Channel,Receive(MHz),Transmit(MHz),Rx Tone,Tx Tone,Busy,Scan,Power";

/** The header row of the community layout as we write it; BusyLock is our own addition. */
inline constexpr std::string_view kCommunityHeader =
    "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,"
    "CrossMode,"
    "Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE,BusyLock";

/** Larger files are refused whole: a channel list of 80 rows is a few kilobytes. */
inline constexpr std::size_t kMaxCsvBytes = 1024 * 1024;

/** A row that was refused, or a remark on a row that was taken. */
struct CsvRowReport {
    int line = 0;     // line of the file where the row starts
    int channel = 0;  // channel 1..80, 0 when the row names none (or a setting line)
    std::string reason;
    friend bool operator==(const CsvRowReport&, const CsvRowReport&) = default;
};

/** What an import gives: the new image, the rows it refused and remarks on rows it took. */
struct CsvImportResult {
    /** Not empty when the file as a whole could not be read as a channel list; nothing was imported. */
    std::string fileError;
    CsvLayout layout = CsvLayout::Native;
    /** The base image with the imported channels and settings encoded into it (refused channels empty). */
    Image image{};
    /** Channels taken from the file. */
    int channelsImported = 0;
    std::vector<CsvRowReport> refused;
    std::vector<CsvRowReport> notes;
    [[nodiscard]] bool ok() const { return fileError.empty(); }
};

/** The CSV text of image's channels (and, in our layout, its Function Setting values). */
[[nodiscard]] std::string ExportCsv(const Image& image, CsvLayout layout);

/**
 * Imports a CSV text into a copy of base: every channel is emptied, then each row that passes the
 * editor's checks (frequency with the band in force, tone table, Busy/Scan/Power entries) is taken.
 * A refused row is reported and leaves its channel empty; the import always runs to the end.
 * Without a layout it is decided from the header row.
 */
[[nodiscard]] CsvImportResult ImportCsv(std::string_view text, const Image& base,
                                        std::optional<CsvLayout> layout = std::nullopt);

/** Reads a CSV file and imports it as ImportCsv does; fileError names the file when it is set. */
[[nodiscard]] CsvImportResult ImportCsvFile(const std::filesystem::path& path, const Image& base,
                                            std::optional<CsvLayout> layout = std::nullopt);

/** Writes the CSV text of image atomically to path. */
[[nodiscard]] FileOutcome ExportCsvFile(const std::filesystem::path& path, const Image& image,
                                        CsvLayout layout);

/** One line per refused row and note ("line 7, channel 3: ..."), then a summary line. */
[[nodiscard]] std::string FormatImportReport(const CsvImportResult& result);

/** "native" or "community". */
[[nodiscard]] std::string_view LayoutName(CsvLayout layout);

}  // namespace pm
