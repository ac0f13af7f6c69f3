#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/csv/channel_csv.h"
#include "core/csv/csv_values.h"
#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"
#include "core/image/tone.h"
#include "tests/support/random_plan.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

/** Receive to Power as the grid shows them, "-" for an empty cell: "145.50000 - OFF OFF OFF Add High". */
using Row = std::string;

template <typename Cell>
Row RowOf(Cell cell) {
    Row row;
    for (int c = col::kReceive; c <= col::kPower; ++c) {
        const std::string text = cell(c);
        row += (c == col::kReceive ? "" : " ") + (text.empty() ? "-" : text);
    }
    return row;
}

/** The channels of an image that exist, as the grid shows them. */
std::map<int, Row> Channels(const Image& image) {
    const EditorState state = DecodeToState(image);
    std::map<int, Row> out;
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        if (RowHasFrequency(state.table, ch)) out[ch] = RowOf([&](int c) { return state.table.Text(ch, c); });
    }
    return out;
}

std::string ReadData(const std::string& name) {
    return test::ReadFile(std::string(PM_TEST_DATA_DIR) + "/csv/" + name);
}

/** An image as saving a random, valid editor state writes it: every value one the editor accepts. */
Image RandomValidImage(std::mt19937& rng, const Image& base) {
    EditorState state = DecodeToState(base);
    const std::pair<Setting, unsigned> lists[] = {{Setting::Field, 2},        {Setting::Warning, 2},
                                                  {Setting::NarrowWide, 2},   {Setting::Squelch, 10},
                                                  {Setting::TxTotalTime, 11}, {Setting::TxPowerRank, 10}};
    for (const auto& [setting, count] : lists) state.lists.Select(setting, static_cast<int>(rng() % count));
    Image settled = base;
    EncodeImage(state.table, state.lists, settled);
    return test::RandomPlan(rng, settled, 67);
}

// Native: every byte back, those nothing interprets from the base, channels the file does not name emptied.
// Community: the channels back, merged into the image itself (it carries no settings, nor channels that only
// transmit).
TEST(CsvRoundTrip, ExportThenImportGivesTheSameImage) {
    std::mt19937 rng(20240514);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const Image base = round % 2 ? test::RandomBytes(rng) : NewDocumentImage();
        const Image image = RandomValidImage(rng, base);
        std::map<int, Row> receiving = Channels(image);
        std::erase_if(receiving, [](const auto& c) { return c.second.starts_with("- "); });
        for (const auto& [layout, into] :
             {std::pair{CsvLayout::Native, base}, std::pair{CsvLayout::Community, image}}) {
            const bool native = layout == CsvLayout::Native;
            const CsvImportResult result = ImportCsv(ExportCsv(image, layout), into, {.merge = !native});
            ASSERT_TRUE(result.ok()) << result.fileError;
            EXPECT_EQ(result.layout, layout);
            EXPECT_TRUE(result.complete() && result.notes.empty()) << FormatImportReport(result);
            EXPECT_EQ(result.channelsImported,
                      static_cast<int>((native ? Channels(image) : receiving).size()));
            ASSERT_EQ(result.image, image);
        }
        // Into a new document the community channels still arrive when the band allows them.
        if (DecodeToState(image).lists.Selected(Setting::Field) == 0) {
            EXPECT_EQ(Channels(ImportCsv(ExportCsv(image, CsvLayout::Community), NewDocumentImage()).image),
                      receiving);
        }
    }
}

TEST(CsvRoundTrip, ExportWritesTheGridTextsAndTheSettings) {
    EditorState state = DecodeToState(NewDocumentImage());
    (void)CommitCellText(state.table, 2, col::kReceive, "145.0125", 0);
    (void)CommitCellText(state.table, 2, col::kTxTone, "D754i", 0);
    (void)CommitCellText(state.table, 9, col::kTransmit, "150", 0);
    (void)CommitCellText(state.table, 9, col::kPower, "Low", 0);
    state.lists.Select(Setting::Warning, 1);
    state.lists.Select(Setting::NarrowWide, 1);
    Image image = NewDocumentImage();
    EncodeImage(state.table, state.lists, image);
    EXPECT_EQ(ExportCsv(image, CsvLayout::Native),
              "# PM-514RX channel list\r\n# Warning=Enable\r\n# N/W=Narrow\r\n# Field=136 - 175MHZ\r\n"
              "# Squelch Level=4\r\n# Tx total Time(s)=60s\r\n# TX Power rank=9\r\n"
              "Channel,Receive(MHz),Transmit(MHz),Rx Tone,Tx Tone,Busy,Scan,Power\r\n"
              "2,145.01250,145.01250,OFF,D754I,OFF,Add,High\r\n"
              "9,,150.00000,OFF,OFF,OFF,Add,Low\r\n");
    EXPECT_EQ(
        ExportCsv(image, CsvLayout::Community),
        std::string(kCommunityHeader) +
            "\r\n"
            "2,CH02,145.012500,,0.000000,Cross,88.5,88.5,754,RN,023,DTCS->,NFM,6.25,,5.0W,,,,,,OFF\r\n");
    EXPECT_EQ(ExportCsvNote(image, CsvLayout::Community),
              "channel 9 has no receive frequency and cannot be written in the community layout; left out");
    EXPECT_EQ(ExportCsvNote(image, CsvLayout::Native), "");
}

struct NativeCase {
    const char* name;
    std::string rows;  // after the header
    std::map<int, Row> channels;
    std::vector<CsvRowReport> refused;
};

const std::string kFormat = "not a frequency in MHz like 146.520";
const std::string kBand = "outside this radio's band 136–175 MHz";

TEST(NativeImport, TakesCheckedRowsAndReportsTheRest) {
    // clang-format off
    const NativeCase cases[] = {
        {"TextsAreMatchedWithoutCase", "1,145.0125,,d023n,88.5,carrier,delete,low\n",
         {{1, "145.01250 - D023N 88.5 Carrier Delete Low"}}, {}},
        {"EmptyCellsTakeTheNewChannelTexts", "3,,146.5,,,,,\n",
         {{3, "- 146.50000 OFF OFF - Add High"}}, {}},
        {"OutOfBandAndOffStep", "4,180.003,600.5,,,,,\n5,145.001,,,,,,\n", {},
         {{2, 4, "Receive(MHz) \"180.003\": " + kBand + "; Transmit(MHz) \"600.5\": " + kBand},
          {3, 5, "Receive(MHz) \"145.001\": not on a 5 or 6.25 kHz step"}}},
        {"NotANumberIsAFormatError", "5,145.0125x,,,,,,\n6,1e2,,,,,,\n7,-145,,,,,,\n", {},
         {{2, 5, "Receive(MHz) \"145.0125x\": " + kFormat}, {3, 6, "Receive(MHz) \"1e2\": " + kFormat},
          {4, 7, "Receive(MHz) \"-145\": " + kFormat}}},
        {"DigitsBelowTenHertzAreOffStep", "8,145.000001,,,,,,\n9,145.0000000,,OFF,OFF,OFF,Add,High\n",
         {{9, "145.00000 - OFF OFF OFF Add High"}},
         {{2, 8, "Receive(MHz) \"145.000001\": not on a 5 or 6.25 kHz step"}}},
        {"ToneAndListsMustBeEntries",
         "10,145,145,88.50,OFF,OFF,Add,High\n11,145,145,OFF,D024N,OFF,Add,High\n"
         "12,145,145,OFF,OFF,Maybe,Sometimes,Medium\n", {},
         {{2, 10, "Rx Tone \"88.50\": not an entry of the tone table"},
          {3, 11, "Tx Tone \"D024N\": not an entry of the tone table"},
          {4, 12, "Busy \"Maybe\": not one of OFF, Carrier, QT/DQT; Scan \"Sometimes\": "
                  "not one of Add, Delete; Power \"Medium\": not one of Low, High"}}},
        {"NumberAndFrequencyRequiredPlaceholdersSkipped",
         "0,145,,,,,,\n81,145,,,,,,\nx,145,,,,,,\n13,,,OFF,OFF,OFF,Add,High\n14,,,\n", {},
         {{2, 0, "Channel 0 is not a channel 1–80 (use --place sequential)"},
          {3, 0, "Channel 81 is not a channel 1–80 (use --place sequential)"},
          {4, 0, "Channel \"x\" is not a channel 1–80 (use --place sequential)"},
          {5, 13, "no receive or transmit frequency"}}},
        {"FirstGoodRowOfAChannelWins", "14,999,,,,,,\n14,145,,,,,,\n14,146,,,,,,\n",
         {{14, "145.00000 - OFF OFF - Add High"}},
         {{2, 14, "Receive(MHz) \"999\": " + kBand},
          {4, 14, "channel 14 was already taken from line 3; this row is left out"}}},
        {"ShortRowsAndExtraFields", "15,145\n16,145,145,OFF,OFF,OFF,Add,High,extra,fields\n",
         {{15, "145.00000 - OFF OFF - Add High"},
          {16, "145.00000 145.00000 OFF OFF OFF Add High"}}, {}},
        {"QuoteLeftOpen", "17,\"145,,,,,,\n", {},
         {{2, 0, "a quoted field is not closed before the end of the file"}}},
        {"LongOrControlTextsAreShortenedInReasons", "1,\"" + std::string(100, '9') + "\n\"\n", {},
         {{2, 1, "Receive(MHz) \"" + std::string(40, '9') + "...\": " + kFormat}}},
    };
    // clang-format on
    for (const NativeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = std::string(kNativeHeader) + "\n" + c.rows;
        const CsvImportResult result = ImportCsv(text, NewDocumentImage());
        ASSERT_TRUE(result.ok()) << result.fileError;
        EXPECT_EQ(Channels(result.image), c.channels);
        EXPECT_EQ(result.refused, c.refused) << FormatImportReport(result);
    }
}

TEST(CsvImport, SettingCommentsSetTheListsAndTheBandOfTheCheck) {
    const std::string text =
        "# Field=144 - 146MHZ\n# n/w = narrow\n# Squelch Level=7\n# squelch=8\n# TX Power rank=11\n"
        "# Just a remark\n# Tx total Time(s)=300s\n" +
        std::string(kNativeHeader) + "\n1,145.5,,,,,,\n2,150,,,,,,\n";
    const CsvImportResult result = ImportCsv(text, NewDocumentImage());
    ASSERT_TRUE(result.ok());
    const EditorState state = DecodeToState(result.image);
    std::vector<int> lists;
    for (Setting s :
         {Setting::Field, Setting::NarrowWide, Setting::Squelch, Setting::TxTotalTime, Setting::TxPowerRank})
        lists.push_back(state.lists.Selected(s));
    EXPECT_EQ(lists, (std::vector<int>{1, 1, 8, 10, 9}));  // power rank the base's, since 11 was refused
    EXPECT_EQ(state.table.Text(1, col::kReceive), "145.50000");
    const std::vector<CsvRowReport> refused = {
        {5, 0, "TX Power rank \"11\": not one of 0, 1, 2, 3, 4, 5, 6, 7, 8, 9"},
        {10, 2, "Receive(MHz) \"150\": outside this radio's band 144–146 MHz"}};
    EXPECT_EQ(result.refused, refused);
}

struct FileErrorCase {
    const char* name;
    std::string text;
    std::optional<CsvLayout> layout;
    std::string error;
};

TEST(CsvFileError, NothingIsImported) {
    // clang-format off
    const FileErrorCase cases[] = {
        {"Empty", "", std::nullopt, "the file has no header row"},
        {"OnlyComments", "# Warning=Enable\n\n", std::nullopt, "the file has no header row"},
        {"Utf16", std::string("\xFF\xFEL\0o\0", 6), std::nullopt,
         "the file is UTF-16 text; save it as CSV in UTF-8"},
        {"TooLarge", std::string(kMaxCsvBytes + 1, 'a'), std::nullopt,
         "the file is larger than 1024 KiB; a channel list is a few kilobytes"},
        {"NoKnownHeader", "1,145.5\n", std::nullopt,
         "line 1: the header row \"1,145.5\" is not of a channel list: expected "
         "\"Channel,Receive(MHz),Transmit(MHz),Rx Tone,Tx Tone,Busy,Scan,Power\" "
         "or a header with Location and Frequency"},
        {"ForcedLayoutMismatch", std::string(kNativeHeader) + "\n", CsvLayout::Community,
         "line 1: the header row \"Channel,Receive(MHz),Transmit(MHz),Rx To...\" "
         "is not of the community layout (it needs Location and Frequency)"},
    };
    // clang-format on
    for (const FileErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Image base = NewDocumentImage();
        const CsvImportResult result = ImportCsv(c.text, base, c.layout);
        EXPECT_EQ(result.fileError, c.error);
        EXPECT_EQ(result.image, base);
        EXPECT_EQ(result.channelsImported, 0);
    }
}

// Community files written by hand: each row's Comment says what becomes of it ("=> channel and its seven
// cells", "=> refused: reason"); a placeholder row has none.
struct CommunityFileCase {
    const char* file;
    CsvImportOptions options;
    std::vector<std::string> notes;
};

Row Cells(const CsvPlanRow& row) {
    return RowOf([&](int c) { return row.cells[static_cast<std::size_t>(c)]; });
}

std::string Outcome(const CsvPlanRow& row) {
    if (row.fate == CsvRowFate::Placeholder) return "";
    if (row.fate != CsvRowFate::Taken) return "=> refused: " + row.reason;
    return "=> " + std::to_string(row.channel) + " " + Cells(row);
}

const CsvImportOptions kSequential{.placement = CsvPlacement::Sequential};
const std::string kNarrow = "Mode \"NFM\" differs from the radio-wide N/W Wide, which the channel uses";
const std::string kMid = "Power: the radio has only High and Low; a middle power (Mid) is taken as High";

TEST(CommunityFile, EveryRowBecomesWhatItsCommentSays) {
    // clang-format off
    const CommunityFileCase cases[] = {
        {"community_channels.csv", {},
         {"Skip \"P\": the radio has no priority scan; taken as Add",
          kNarrow + " (also on 1 more row)",
          "Mode \"AM\": the radio has only FM; the channel uses the radio-wide N/W Wide"}},
        {"community_refused.csv", {},
         {"Power \"lots\": not High, Low, Mid or watts like 5.0W; the channel is set to High"}},
        {"community_bom_semicolon.csv", {}, {}},
        {"marine_vhf.csv", kSequential, {}},
        {"noaa_weather.tsv", {.placement = CsvPlacement::Sequential, .firstChannel = 71},
         {kNarrow + " (also on 6 more rows)"}},
        {"murs.csv", {}, {kNarrow + " (also on 2 more rows)", kMid + " (also on 1 more row)"}},
        {"repeaters.csv", kSequential, {}},
    };
    // clang-format on
    for (const CommunityFileCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string text = ReadData(c.file);
        const CsvImportResult result = ImportCsv(text, NewDocumentImage(), c.options);
        ASSERT_TRUE(result.ok()) << result.fileError;
        const CsvText csv = ReadCsvText(text);
        const csv::ColumnMap columns(csv.records.front());
        ASSERT_EQ(result.rows.size(), csv.records.size() - 1);
        std::map<int, Row> taken;
        for (std::size_t i = 0; i < result.rows.size(); ++i) {
            const CsvPlanRow& row = result.rows[i];
            EXPECT_EQ(Outcome(row), columns.Text(csv.records[i + 1], "Comment")) << "line " << row.line;
            if (row.fate == CsvRowFate::Taken) taken[row.channel] = Cells(row);
        }
        EXPECT_EQ(Channels(result.image), taken);
        std::vector<std::string> notes;
        for (const auto& n : result.notes) notes.push_back(n.reason);
        EXPECT_EQ(notes, c.notes) << FormatImportReport(result);
    }
}

// 114 rows, every tenth of them for 70 cm: the first 80 that fit fill the radio from the start channel.
TEST(CsvImport, SequentialPlacesRowsThatFitAndCountsTheRest) {
    std::string text = "Location,Frequency\n";
    for (int k = 0; k < 114; ++k)
        text +=
            std::to_string(k) + "," + (k % 10 == 9 ? "446.0" : "146." + std::to_string(100 + k * 5)) + "\n";
    for (const int first : {1, 75}) {
        const CsvImportResult result = ImportCsv(
            text, NewDocumentImage(), {.placement = CsvPlacement::Sequential, .firstChannel = first});
        const auto channels = Channels(result.image);
        ASSERT_EQ(channels.size(), 81u - first);
        EXPECT_EQ(channels.begin()->first, first);
        EXPECT_TRUE(channels.begin()->second.starts_with("146.10000 "));
        EXPECT_TRUE(
            channels.rbegin()->second.starts_with(first == 1 ? "146.53500 " : "146.12500 "));  // row 87
        EXPECT_EQ(result.rowsRefused, 114 - 81 + first);
        EXPECT_NE(FormatImportReport(result).find(
                      first == 1 ? ": refused: 23 rows did not fit: no channel left after 80\n"
                                 : ": refused: 97 rows did not fit"),
                  std::string::npos);
    }
    EXPECT_EQ(ImportCsv(text, NewDocumentImage(), {.placement = CsvPlacement::Sequential, .firstChannel = 81})
                  .fileError,
              "the first channel 81 is not a channel 1–80");
}

// Merge changes only the channels the file places; a file without rows says so unless it is a merge.
TEST(CsvImport, MergeKeepsWhatTheFileDoesNotPlace) {
    const Image base = ImportCsv("Location,Frequency\n1,145.5\n2,145.5\n3,145.5\n", NewDocumentImage()).image;
    const std::string file = "Location,Frequency\n2,146.52\n9,440\n";
    const CsvImportResult merged = ImportCsv(file, base, {.merge = true});
    const CsvImportResult replaced = ImportCsv(file, base, {.merge = false});
    std::map<int, Row> want = Channels(base);
    want[2] = "146.52000 146.52000 OFF OFF OFF Add High";
    EXPECT_EQ(Channels(merged.image), want);
    EXPECT_EQ(Channels(replaced.image), (std::map<int, Row>{{2, want[2]}}));
    for (bool merge : {false, true}) {
        for (const char* text : {"Location,Frequency\r\n", "Location,Frequency\n47\n"}) {
            const CsvImportResult none = ImportCsv(text, base, {.merge = merge});
            EXPECT_EQ(none.complete(), merge);
            EXPECT_EQ(Channels(none.image).size(), merge ? 3u : 0u);
            EXPECT_EQ(FormatImportReport(none).starts_with("no channels in the file\n"), !merge);
        }
    }
    // The file's name and its fields reach the terminal with controls, C1 ones too, and non-UTF-8 escaped.
    CsvImportResult named = ImportCsv(
        "Location,Frequency,Power\n2,146.52,\xc2\x9b"
        "2J\xff\x1b\n",
        base, {.merge = false});
    named.noRows = true;
    named.source = "plan\x1b]0;x\x07.csv";
    const std::string report = FormatImportReport(named);
    EXPECT_NE(report.find("Power \"\\xC2\\x9B2J\\xFF\\x1B\": not "), std::string::npos) << report;
    EXPECT_NE(report.find("no channels in plan\\x1B]0;x\\x07.csv\n"), std::string::npos) << report;
    // A merge keeps the base's channels and so its band.
    const auto band =
        ImportCsv("# Field=144 - 146MHZ\n" + std::string(kNativeHeader) + "\n", base, {.merge = true});
    EXPECT_EQ(DecodeToState(band.image).lists.Selected(Setting::Field), 0);
    EXPECT_EQ(band.refused,
              (std::vector<CsvRowReport>{
                  {1, 0, "a merge keeps the channels of the base, so its band 136–175 MHz too"}}));
}

}  // namespace
}  // namespace pm
