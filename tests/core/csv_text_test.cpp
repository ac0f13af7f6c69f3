#include <gtest/gtest.h>

#include <random>

#include "core/csv/csv_text.h"

namespace pm {
namespace {

using Fields = std::vector<std::string>;

struct ReadCase {
    const char* name;
    std::string text;
    char separator;
    std::vector<std::pair<int, Fields>> records;  // line, fields
    std::vector<std::pair<int, std::string>> comments;
};

TEST(CsvRead, SplitsRecordsAndCountsLines) {
    // clang-format off
    const ReadCase cases[] = {
        {"Plain", "a,b\n1,2\n", ',', {{1, {"a", "b"}}, {2, {"1", "2"}}}, {}},
        {"CrLfAndLoneCrAndNoFinalBreak", "a,b\r\n1,2\r3,4", ',',
         {{1, {"a", "b"}}, {2, {"1", "2"}}, {3, {"3", "4"}}}, {}},
        {"ByteOrderMarkIsDropped", "\xEF\xBB\xBFLocation,x\n", ',', {{1, {"Location", "x"}}}, {}},
        {"QuotedSeparatorQuoteAndBreak",
         "n,c\n\"a,b\",\"say \"\"hi\"\"\"\n\"two\r\nlines\",x\nlast,y\n", ',',
         {{1, {"n", "c"}}, {2, {"a,b", "say \"hi\""}}, {3, {"two\nlines", "x"}}, {5, {"last", "y"}}}, {}},
        {"CommentsAndBlankLinesAreNotRecords", "# one\n\n  # two=2\na\n \t\n,,\nb\n", ',',
         {{4, {"a"}}, {7, {"b"}}}, {{1, " one"}, {3, " two=2"}}},
        {"HashInsideQuotesIsData", "a\n\"x\n# not a comment\"\n", ',',
         {{1, {"a"}}, {2, {"x\n# not a comment"}}}, {}},
        {"SemicolonWinsOnTheFirstRecord", "# a,b,c,d\nx;y;\"1,5\"\n1,5;2\n", ';',
         {{2, {"x", "y", "1,5"}}, {3, {"1,5", "2"}}}, {{1, " a,b,c,d"}}},
        {"BlankLineBeforeTheFirstRecord", " \t\na;b\n", ';', {{2, {"a", "b"}}}, {}},
        {"SepLineNamesTheSeparator", "sep=;\na,b;c\n", ';', {{2, {"a,b", "c"}}}, {}},
        {"EmptyFieldsKept", "a,,\n", ',', {{1, {"a", "", ""}}}, {}},
        {"TabsWinOverCommas", "a\tb,c\t\"d\te\"\n", '\t', {{1, {"a", "b,c", "d\te"}}}, {}},
        {"DoubledQuoteLastInTheText", "\"x\"\"\"", ',', {{1, {"x\""}}}, {}},
    };
    // clang-format on
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CsvText csv = ReadCsvText(c.text);
        EXPECT_EQ(csv.separator, c.separator);
        std::vector<std::pair<int, Fields>> records;
        for (const auto& r : csv.records) {
            records.emplace_back(r.line, r.fields);
            EXPECT_FALSE(r.unterminatedQuote) << r.line;
        }
        EXPECT_EQ(records, c.records);
        std::vector<std::pair<int, std::string>> comments;
        for (const auto& comment : csv.comments) comments.emplace_back(comment.line, comment.text);
        EXPECT_EQ(comments, c.comments);
    }
}

TEST(CsvReadEnd, QuoteLeftOpenIsMarkedAndKeepsTheRest) {
    const CsvText csv = ReadCsvText("h\n\"open,\nstill\n");
    ASSERT_EQ(csv.records.size(), 2u);
    EXPECT_TRUE(csv.records[1].unterminatedQuote);
    EXPECT_EQ(csv.records[1].fields, Fields{"open,\nstill\n"});
    const CsvText doubled = ReadCsvText("\"x\"\"");  // the doubled quote is no closing one
    EXPECT_TRUE(doubled.records[0].unterminatedQuote);
    EXPECT_EQ(doubled.records[0].fields, Fields{"x\""});
}

TEST(CsvWrite, QuotesOnlyWhatOtherReadersWouldChange) {
    const std::pair<std::string, std::string> rows[] = {
        {"a b", "a b"}, {"a ", "\"a \""}, {"\ta", "\"\ta\""}, {"#a", "\"#a\""}, {"a#", "a#"}, {"", ""}};
    for (const auto& [value, field] : rows) EXPECT_EQ(CsvField(value), field) << value;
}

TEST(CsvWrite, AnyFieldsReadBackUnchanged) {
    std::mt19937 rng(514);
    const std::string alphabet = "ab ,;\"\n\r#x9\t";
    for (char sep : {',', ';'}) {
        for (int round = 0; round < 300; ++round) {
            Fields fields;
            const int count = 1 + static_cast<int>(rng() % 5);
            for (int f = 0; f < count; ++f) {
                std::string value;
                const int len = static_cast<int>(rng() % 6);
                for (int k = 0; k < len; ++k) value += alphabet[rng() % alphabet.size()];
                // A record needs one character that is data to stand for itself.
                fields.push_back(f == 0 ? "k" + value : value);
            }
            std::string text = std::string("sep=") + sep + "\r\n";
            AppendCsvRecord(text, fields, sep);
            const CsvText csv = ReadCsvText(text);
            ASSERT_EQ(csv.records.size(), 1u) << text;
            // Line breaks inside fields come back as LF, whatever they were.
            Fields expected = fields;
            for (auto& e : expected) {
                for (auto at = e.find('\r'); at != std::string::npos; at = e.find('\r', at))
                    e.replace(at, e.compare(at, 2, "\r\n") == 0 ? 2 : 1, "\n");
            }
            EXPECT_EQ(csv.records[0].fields, expected) << text;
        }
    }
}

}  // namespace
}  // namespace pm
