#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "core/csv/channel_csv.h"
#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "core/image/numeric_text.h"
#include "core/image/tone.h"

namespace pm {
namespace {

/** Receive, Transmit, Rx Tone, Tx Tone, Busy, Scan, Power. */
using Row = std::array<std::string, 7>;

Row RowOf(const ChannelTable& table, int ch) {
    Row row;
    for (int c = col::kReceive; c <= col::kPower; ++c)
        row[static_cast<std::size_t>(c - 1)] = table.Text(ch, c);
    return row;
}

/** The channels of an image that exist, as the grid shows them. */
std::map<int, Row> Channels(const Image& image) {
    const EditorState state = DecodeToState(image);
    std::map<int, Row> out;
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        if (RowHasFrequency(state.table, ch)) out[ch] = RowOf(state.table, ch);
    }
    return out;
}

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(PM_TEST_DATA_DIR) + "/csv/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_FALSE(s.str().empty()) << name;
    return s.str();
}

/** A frequency on one of the two steps inside band, in 10 Hz units. */
std::uint32_t RandomFrequency(std::mt19937& rng, int band) {
    const BandLimits limits = BandTable()[static_cast<std::size_t>(band)];
    const std::uint32_t step = (rng() % 2) ? 500 : 625;
    const std::uint32_t first = (limits.lowest + step - 1) / step;
    const std::uint32_t count = limits.highest / step - first + 1;
    return (first + rng() % count) * step;
}

/** An image as saving a random, valid editor state writes it: every value one the editor accepts. */
Image RandomValidImage(std::mt19937& rng, const Image& base) {
    EditorState state = DecodeToState(base);
    const int band = static_cast<int>(rng() % 2);
    state.lists.Select(Setting::Field, band);
    state.lists.Select(Setting::Warning, static_cast<int>(rng() % 2));
    state.lists.Select(Setting::NarrowWide, static_cast<int>(rng() % 2));
    state.lists.Select(Setting::Squelch, static_cast<int>(rng() % 10));
    state.lists.Select(Setting::TxTotalTime, static_cast<int>(rng() % 11));
    state.lists.Select(Setting::TxPowerRank, static_cast<int>(rng() % 10));
    auto pick = [&](EditorKind kind) {
        const auto& entries = EditorEntries(kind);
        return entries[rng() % entries.size()];
    };
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        for (int c = col::kReceive; c <= col::kPower; ++c) state.table.SetText(ch, c, "");
        if (rng() % 3 == 0) continue;
        const int shape = static_cast<int>(rng() % 6);  // 0 receive only, 1 transmit only, else both
        if (shape != 1) state.table.SetText(ch, col::kReceive, FormatFrequency(RandomFrequency(rng, band)));
        if (shape != 0) state.table.SetText(ch, col::kTransmit, FormatFrequency(RandomFrequency(rng, band)));
        if (shape == 5) state.table.SetText(ch, col::kTransmit, state.table.Text(ch, col::kReceive));
        state.table.SetText(ch, col::kRxTone, pick(EditorKind::Tone));
        state.table.SetText(ch, col::kTxTone,
                            rng() % 3 == 0 ? state.table.Text(ch, col::kRxTone) : pick(EditorKind::Tone));
        state.table.SetText(ch, col::kBusy, pick(EditorKind::Busy));
        state.table.SetText(ch, col::kScan, pick(EditorKind::Scan));
        state.table.SetText(ch, col::kPower, pick(EditorKind::Power));
    }
    Image image = base;
    EncodeImage(state.table, state.lists, image);
    return image;
}

Image RandomBytes(std::mt19937& rng) {
    Image image;
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    return image;
}

// Native: every byte back, those nothing interprets from the base. Community: the channels back; it carries
// no settings, so they come from the base, here the image itself.
TEST(CsvRoundTrip, ExportThenImportGivesTheSameImage) {
    std::mt19937 rng(20240514);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const Image base = round % 2 ? RandomBytes(rng) : NewDocumentImage();
        const Image image = RandomValidImage(rng, base);
        for (const auto& [layout, into] :
             {std::pair{CsvLayout::Native, base}, std::pair{CsvLayout::Community, image}}) {
            const CsvImportResult result = ImportCsv(ExportCsv(image, layout), into);
            ASSERT_TRUE(result.ok()) << result.fileError;
            EXPECT_EQ(result.layout, layout);
            EXPECT_TRUE(result.refused.empty()) << FormatImportReport(result);
            EXPECT_TRUE(result.notes.empty()) << FormatImportReport(result);
            EXPECT_EQ(result.channelsImported, static_cast<int>(Channels(image).size()));
            ASSERT_EQ(result.image, image);
        }
        // Into a new document the community channels still arrive when the band allows them.
        if (DecodeToState(image).lists.Selected(Setting::Field) == 0) {
            EXPECT_EQ(Channels(ImportCsv(ExportCsv(image, CsvLayout::Community), NewDocumentImage()).image),
                      Channels(image));
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
    EXPECT_EQ(ExportCsv(image, CsvLayout::Community),
              std::string(kCommunityHeader) +
                  "\r\n"
                  "2,CH02,145.012500,,0.000000,Cross,88.5,88.5,754,RN,023,DTCS->,NFM,6.25,,5.0W,,,,,,OFF\r\n"
                  "9,CH09,,split,150.000000,,88.5,88.5,023,NN,023,Tone->Tone,NFM,5.00,,1.0W,,,,,,OFF\r\n");
}

struct NativeCase {
    const char* name;
    std::string rows;  // after the header
    std::map<int, Row> channels;
    std::vector<CsvRowReport> refused;
};

class NativeImport : public ::testing::TestWithParam<NativeCase> {};

TEST_P(NativeImport, TakesCheckedRowsAndReportsTheRest) {
    const NativeCase& c = GetParam();
    const std::string text = std::string(kNativeHeader) + "\n" + c.rows;
    const CsvImportResult result = ImportCsv(text, NewDocumentImage());
    ASSERT_TRUE(result.ok()) << result.fileError;
    EXPECT_EQ(Channels(result.image), c.channels);
    EXPECT_EQ(result.refused, c.refused) << FormatImportReport(result);
}

const std::string kFormat = "Error Data Format，Please input again";
const std::string kStep = "Error data Value，Please input according the step value(6.25K/5k)";

INSTANTIATE_TEST_SUITE_P(
    Rows, NativeImport,
    ::testing::Values(
        NativeCase{"TextsAreMatchedWithoutCase",
                   "1,145.0125,,d023n,88.5,carrier,delete,low\n",
                   {{1, {"145.01250", "", "D023N", "88.5", "Carrier", "Delete", "Low"}}},
                   {}},
        NativeCase{"EmptyCellsTakeTheNewChannelTexts",
                   "3,,146.5,,,,,\n",
                   {{3, {"", "146.50000", "OFF", "OFF", "", "Add", "High"}}},
                   {}},
        NativeCase{"OutOfBandAndOffStepGiveBothMessages",
                   "4,180.003,180.003,OFF,OFF,OFF,Add,High\n",
                   {},
                   {{2, 4,
                     "Receive(MHz) \"180.003\": Out of range! (band 136 - 175MHZ); " + kStep +
                         "; Transmit(MHz) \"180.003\": Out of range! (band 136 - 175MHZ); " + kStep}}},
        NativeCase{
            "NotANumberIsAFormatError",
            "5,145.0125x,,OFF,OFF,OFF,Add,High\n6,1e2,,OFF,OFF,OFF,Add,High\n7,-145,,OFF,OFF,OFF,Add,High\n",
            {},
            {{2, 5, "Receive(MHz) \"145.0125x\": " + kFormat},
             {3, 6, "Receive(MHz) \"1e2\": " + kFormat},
             {4, 7, "Receive(MHz) \"-145\": " + kFormat}}},
        NativeCase{"DigitsBelowTenHertzAreOffStep",
                   "8,145.000001,,OFF,OFF,OFF,Add,High\n9,145.0000000,,OFF,OFF,OFF,Add,High\n",
                   {{9, {"145.00000", "", "OFF", "OFF", "OFF", "Add", "High"}}},
                   {{2, 8, "Receive(MHz) \"145.000001\": " + kStep}}},
        NativeCase{"ToneAndListsMustBeEntries",
                   "10,145,145,88.50,OFF,OFF,Add,High\n11,145,145,OFF,D024N,OFF,Add,High\n"
                   "12,145,145,OFF,OFF,Maybe,Sometimes,Medium\n",
                   {},
                   {{2, 10, "Rx Tone \"88.50\": not an entry of the tone table"},
                    {3, 11, "Tx Tone \"D024N\": not an entry of the tone table"},
                    {4, 12,
                     "Busy \"Maybe\": not one of OFF, Carrier, QT/DQT; Scan \"Sometimes\": not one of Add, "
                     "Delete; Power \"Medium\": not one of Low, High"}}},
        NativeCase{"ChannelNumberAndFrequencyRequired",
                   "0,145,,,,,,\n81,145,,,,,,\nx,145,,,,,,\n13,,,OFF,OFF,OFF,Add,High\n",
                   {},
                   {{2, 0, "Channel \"0\": not a channel number from 1 to 80"},
                    {3, 0, "Channel \"81\": not a channel number from 1 to 80"},
                    {4, 0, "Channel \"x\": not a channel number from 1 to 80"},
                    {5, 13, "no receive or transmit frequency"}}},
        NativeCase{"FirstGoodRowOfAChannelWins",
                   "14,999,,,,,,\n14,145,,,,,,\n14,146,,,,,,\n",
                   {{14, {"145.00000", "", "OFF", "OFF", "", "Add", "High"}}},
                   {{2, 14, "Receive(MHz) \"999\": " + kFormat},
                    {4, 14, "channel 14 was already taken from line 3; this row is left out"}}},
        NativeCase{"ShortRowsAndExtraFields",
                   "15,145\n16,145,145,OFF,OFF,OFF,Add,High,extra,fields\n",
                   {{15, {"145.00000", "", "OFF", "OFF", "", "Add", "High"}},
                    {16, {"145.00000", "145.00000", "OFF", "OFF", "OFF", "Add", "High"}}},
                   {}},
        NativeCase{"QuoteLeftOpen",
                   "17,\"145,,,,,,\n",
                   {},
                   {{2, 0, "a quoted field is not closed before the end of the file"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvImport, SettingCommentsSetTheListsAndTheBandOfTheCheck) {
    const std::string text =
        "# Field=144 - 146MHZ\n# n/w = narrow\n# Squelch Level=7\n# squelch=8\n# TX Power rank=11\n"
        "# Just a remark\n# Tx total Time(s)=300s\n" +
        std::string(kNativeHeader) + "\n1,145.5,,,,,,\n2,150,,,,,,\n";
    const CsvImportResult result = ImportCsv(text, NewDocumentImage());
    ASSERT_TRUE(result.ok());
    const EditorState state = DecodeToState(result.image);
    EXPECT_EQ(state.lists.Selected(Setting::Field), 1);
    EXPECT_EQ(state.lists.Selected(Setting::NarrowWide), 1);
    EXPECT_EQ(state.lists.Selected(Setting::Squelch), 8);
    EXPECT_EQ(state.lists.Selected(Setting::TxTotalTime), 10);
    EXPECT_EQ(state.lists.Selected(Setting::TxPowerRank), 9);  // the base's, since 11 was refused
    EXPECT_EQ(state.table.Text(1, col::kReceive), "145.50000");
    const std::vector<CsvRowReport> refused = {
        {5, 0, "TX Power rank \"11\": not one of 0, 1, 2, 3, 4, 5, 6, 7, 8, 9"},
        {10, 2, "Receive(MHz) \"150\": Out of range! (band 144 - 146MHZ)"}};
    EXPECT_EQ(result.refused, refused);
}

TEST(CsvImport, BytesNothingInterpretsComeFromTheBase) {
    std::mt19937 rng(3);
    const Image base = RandomBytes(rng);
    const CsvImportResult result =
        ImportCsv(std::string(kNativeHeader) + "\n5,145.5,,,,,,\n", base, CsvLayout::Native);
    ASSERT_TRUE(result.ok());
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        const std::uint8_t keep = static_cast<std::uint8_t>(~InterpretedMask(offset));
        ASSERT_EQ(result.image[offset] & keep, base[offset] & keep) << offset;
    }
    // Channels the file does not name are emptied, whatever the base held.
    EXPECT_EQ(Channels(result.image).size(), 1u);
}

struct FileErrorCase {
    const char* name;
    std::string text;
    std::optional<CsvLayout> layout;
    std::string error;
};

class CsvFileError : public ::testing::TestWithParam<FileErrorCase> {};

TEST_P(CsvFileError, NothingIsImported) {
    const FileErrorCase& c = GetParam();
    const Image base = NewDocumentImage();
    const CsvImportResult result = ImportCsv(c.text, base, c.layout);
    EXPECT_EQ(result.fileError, c.error);
    EXPECT_EQ(result.image, base);
    EXPECT_EQ(result.channelsImported, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CsvFileError,
    ::testing::Values(
        FileErrorCase{"Empty", "", std::nullopt, "the file has no header row"},
        FileErrorCase{"OnlyComments", "# Warning=Enable\n\n", std::nullopt, "the file has no header row"},
        FileErrorCase{"Utf16", std::string("\xFF\xFEL\0o\0", 6), std::nullopt,
                      "the file is UTF-16 text; save it as CSV in UTF-8"},
        FileErrorCase{"TooLarge", std::string(kMaxCsvBytes + 1, 'a'), std::nullopt,
                      "the file is larger than 1024 KiB; a channel list is a few kilobytes"},
        FileErrorCase{
            "NoKnownHeader", "1,145.5\n", std::nullopt,
            "line 1: the header row \"1,145.5\" is not of a channel list: expected \"Channel,Receive(MHz),"
            "Transmit(MHz),Rx Tone,Tx Tone,Busy,Scan,Power\" or a header with Location and Frequency"},
        FileErrorCase{"ForcedLayoutMismatch", std::string(kNativeHeader) + "\n", CsvLayout::Community,
                      "line 1: the header row \"Channel,Receive(MHz),Transmit(MHz),Rx To...\" "
                      "is not of the community layout (it needs Location and Frequency)"}),
    [](const auto& info) { return std::string(info.param.name); });

// The hand-written community files: what each row becomes and what is reported.
struct CommunityFileCase {
    const char* file;
    std::map<int, Row> channels;
    std::vector<CsvRowReport> refused;
    std::vector<CsvRowReport> notes;
};

Row Ch(std::string rx, std::string tx, std::string rxTone = "OFF", std::string txTone = "OFF",
       std::string busy = "OFF", std::string scan = "Add", std::string power = "High") {
    return {rx, tx, rxTone, txTone, busy, scan, power};
}

Row Simplex(const std::string& f, std::string rxTone = "OFF", std::string txTone = "OFF") {
    return Ch(f, f, std::move(rxTone), std::move(txTone));
}

class CommunityFile : public ::testing::TestWithParam<CommunityFileCase> {};

TEST_P(CommunityFile, ImportsToTheExpectedChannelsAndReports) {
    const CommunityFileCase& c = GetParam();
    const CsvImportResult result = ImportCsv(ReadData(c.file), NewDocumentImage());
    ASSERT_TRUE(result.ok()) << result.fileError;
    EXPECT_EQ(result.layout, CsvLayout::Community);
    EXPECT_EQ(Channels(result.image), c.channels);
    EXPECT_EQ(result.refused, c.refused) << FormatImportReport(result);
    EXPECT_EQ(result.notes, c.notes) << FormatImportReport(result);
}

const std::string kOutOfBand = "Out of range! (band 136 - 175MHZ)";

INSTANTIATE_TEST_SUITE_P(
    Files, CommunityFile,
    ::testing::Values(
        CommunityFileCase{
            "community_channels.csv",
            {{1, Simplex("146.52000")},
             {2, Ch("146.94000", "146.34000", "OFF", "100.0")},
             {3, Ch("147.06000", "147.66000", "123.0", "123.0", "OFF", "Add", "Low")},
             {4, Ch("145.50000", "144.90000")},
             {5, Ch("162.55000", "")},
             {6, Simplex("146.00000", "D023N", "D023N")},
             {7, Simplex("146.00500", "D023I", "D023N")},
             {8, Simplex("146.01000", "D754N", "D754I")},
             {9, Simplex("146.01500", "D411I", "D411I")},
             {10, Simplex("146.02000", "123.0", "100.0")},
             {11, Simplex("146.02500", "OFF", "67.0")},
             {12, Simplex("146.03000", "254.1", "OFF")},
             {13, Simplex("146.03500", "OFF", "D047I")},
             {14, Simplex("146.04000", "D131I", "OFF")},
             {15, Simplex("146.04500", "D023N", "88.5")},
             {16, Simplex("146.05000", "71.9", "D025I")},
             {17, Simplex("146.05500", "D031I", "D026N")},
             {18, Ch("146.06000", "146.06000", "OFF", "OFF", "OFF", "Delete")},
             {19, Simplex("146.06500")},
             {20, Simplex("146.07000")},
             {21, Ch("146.07500", "146.07500", "OFF", "OFF", "OFF", "Add", "Low")},
             {22, Simplex("146.08000")},
             {23, Simplex("146.08500")},
             {40, Ch("145.00625", "144.40625")}},
            {},
            {{20, 19, "Skip \"P\": the radio has no priority scan; taken as Add"},
             {24, 22, "Mode \"NFM\" differs from the radio-wide N/W Wide, which the channel uses"},
             {25, 23, "Mode \"AM\": the radio has only FM; the channel uses the radio-wide N/W Wide"}}},
        CommunityFileCase{
            "community_refused.csv",
            {{1, Simplex("146.52000")}},
            {{3, 30, "Frequency \"440.000000\": " + kOutOfBand},
             {4, 31, "Frequency \"146.523000\": " + kStep},
             {5, 32, "rToneFreq \"88.6\": not a CTCSS tone of the tone table"},
             {6, 33, "DtcsCode \"024\": not a DCS code of the tone table"},
             {7, 0, "Location \"0\": not a channel from 1 to 80"},
             {8, 0, "Location \"81\": not a channel from 1 to 80"},
             {9, 36, "transmit frequency 175.500000 MHz (Frequency + Offset): " + kOutOfBand},
             {10, 37, "Duplex \"x\": not one of \"\", +, -, split, off"},
             {12, 1, "channel 1 was already taken from line 11; this row is left out"},
             {13, 38, "Frequency \"146,52\": " + kFormat},
             {14, 39, "DtcsPolarity \"NX\": not two letters N or R (transmit, receive)"},
             {15, 40,
              "CrossMode \"Tone->X\": not one of Tone->Tone, Tone->, ->Tone, DTCS->, ->DTCS, Tone->DTCS, "
              "DTCS->Tone, DTCS->DTCS"},
             {16, 41, "Skip \"Q\": not one of \"\", S, P"},
             {17, 42, "Power \"lots\": not a power in watts like 5.0W"},
             {18, 43, "Frequency \"146.520001\": " + kStep},
             {19, 44, "Frequency \"120.000000\": " + kOutOfBand},
             {20, 45, "Tone \"TSQL-R\": not one of \"\", Tone, TSQL, DTCS, Cross"},
             {21, 46, "no receive or transmit frequency"}},
            {}},
        CommunityFileCase{"community_bom_semicolon.csv",
                          {{1, Ch("146.52000", "146.52000", "OFF", "88.5", "Carrier")},
                           {2, Ch("146.94000", "146.34000", "100.0", "100.0", "OFF", "Add", "Low")},
                           {3, Ch("147.06000", "147.66000", "OFF", "OFF", "QT/DQT")}},
                          {{5, 4, "Frequency \"146,5230\": " + kStep},
                           {6, 5, "BusyLock \"maybe\": not one of OFF, Carrier, QT/DQT"}},
                          {}}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(CsvImport, ReportListsRowsInLineOrderAndCounts) {
    const CsvImportResult result = ImportCsv(ReadData("community_refused.csv"), NewDocumentImage());
    const std::string report = FormatImportReport(result);
    EXPECT_EQ(report.substr(0, report.find('\n')),
              "line 3, channel 30: refused: Frequency \"440.000000\": " + kOutOfBand);
    EXPECT_NE(report.find("\nline 7: refused: Location \"0\": not a channel from 1 to 80\n"),
              std::string::npos);
    EXPECT_TRUE(report.ends_with("\n1 channel imported (community layout), 18 rows refused\n")) << report;
}

TEST(CsvImport, LongOrControlTextsAreShortenedInReasons) {
    const std::string text = std::string(kNativeHeader) + "\n1,\"" + std::string(100, '9') + "\n\"\n";
    const CsvImportResult result = ImportCsv(text, NewDocumentImage());
    ASSERT_EQ(result.refused.size(), 1u);
    EXPECT_EQ(result.refused[0].reason, "Receive(MHz) \"" + std::string(40, '9') + "...\": " + kFormat);
}

}  // namespace
}  // namespace pm
