#pragma once
// Channel lists as CSV: our own layout (the grid's columns and texts, plus the Function Setting values
// as comment lines) and the common community layout that multi-radio programmers read and write.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/image/channel_file.h"
#include "core/image/channel_table.h"
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

/** A row that was refused, or a remark on rows that were taken. */
struct CsvRowReport {
    int line = 0;     // line of the file where the row starts
    int channel = 0;  // channel 1..80, 0 when the row goes to none (or a setting line)
    std::string reason;
    friend bool operator==(const CsvRowReport&, const CsvRowReport&) = default;
};

/** Ends a Location refusal: the command line's way to place rows in file order; a desktop words its own. */
inline constexpr std::string_view kSequentialHint = " (use --place sequential)";

/** Which channel each row of a file goes to. */
enum class CsvPlacement {
    Location,    // the channel its Location (or Channel) column names
    Sequential,  // the next free one from firstChannel, in file order; refused rows use none
};

/** How an import reads and places a file, and what happens to the channels it does not place. */
struct CsvImportOptions {
    std::optional<CsvLayout> layout = std::nullopt;  // nothing: decided from the header row
    CsvPlacement placement = CsvPlacement::Location;
    int firstChannel = 1;  // Sequential only
    bool merge = false;    // true: channels the file does not place keep the base's values; false: emptied
};

/** What became of one row of the file. */
enum class CsvRowFate { Taken, Refused, NoChannelLeft, Placeholder };

/** One row of the file as a preview shows it. */
struct CsvPlanRow {
    int line = 0;
    CsvRowFate fate = CsvRowFate::Refused;
    int channel = 0;                           // Taken: its channel; else the one its Location names, or 0
    std::string reason;                        // Refused: why
    std::array<std::string, kGridCols> cells;  // Taken: the grid texts (columns 1..7) the channel gets
    std::vector<std::string> notes;            // Taken: remarks
};

/** What an import gives: the new image, every row's fate, the refusals and the notes. */
struct CsvImportResult {
    /** Not empty when the file as a whole could not be read as a channel list; nothing was imported. */
    std::string fileError;
    CsvLayout layout = CsvLayout::Native;
    /** The base image with the placed channels (and settings) encoded into it; to apply, take it whole. */
    Image image{};
    /** Channels taken from the file. */
    int channelsImported = 0;
    /** Rows and setting lines of the file that were refused or found no channel. */
    int rowsRefused = 0;
    /** The file has a header and no rows but placeholders. */
    bool noRows = false;
    bool merge = false;
    /** The file's name for reports; "" for a text. */
    std::string source;
    /** Every row of the file in file order. */
    std::vector<CsvPlanRow> rows;
    /** Refused rows (rows that found no channel as one entry) and refused setting lines. */
    std::vector<CsvRowReport> refused;
    /** One entry per remark, at the first row it concerns, with how many more rows it concerns. */
    std::vector<CsvRowReport> notes;
    [[nodiscard]] bool ok() const { return fileError.empty(); }
    /** Every row taken and something to take (or a merge): nothing for the user to look at. */
    [[nodiscard]] bool complete() const { return ok() && refused.empty() && (!noRows || merge); }
};

/** The CSV text of image's channels (and, in our layout, its Function Setting values). */
[[nodiscard]] std::string ExportCsv(const Image& image, CsvLayout layout);

/** What ExportCsv leaves out, for the user: "" when it writes every channel. */
[[nodiscard]] std::string ExportCsvNote(const Image& image, CsvLayout layout);

/**
 * Reads a CSV text and plans its import into a copy of base: each row passes the editor's checks
 * (frequency with the band in force, tone table, Busy/Scan/Power entries) and goes to a channel as
 * options say; a refused row is reported and uses no channel. The import always runs to the end.
 * A desktop preview and the command line both show this result and apply it by taking its image.
 */
[[nodiscard]] CsvImportResult ImportCsv(std::string_view text, const Image& base,
                                        const CsvImportOptions& options);

/** ImportCsv with places from the Location column, every other channel emptied. */
[[nodiscard]] CsvImportResult ImportCsv(std::string_view text, const Image& base,
                                        std::optional<CsvLayout> layout = std::nullopt);

/** Reads a CSV file and imports it as ImportCsv does; fileError names the file when it is set. */
[[nodiscard]] CsvImportResult ImportCsvFile(const std::filesystem::path& path, const Image& base,
                                            const CsvImportOptions& options);

/** ImportCsvFile with places from the Location column, every other channel emptied. */
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
