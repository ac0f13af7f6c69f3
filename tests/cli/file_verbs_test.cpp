// The file and CSV verbs of pm514rx-cli run as a user would: what they write, what they refuse, how they
// exit.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>
#include <tuple>

#include "core/csv/channel_csv.h"
#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "tests/support/locale.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

class FileVerbs : public ::testing::Test {
  protected:
    test::Finished Cli(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
        return test::Cli(args, {.env = std::move(env)});
    }
    /** Runs the words of args, each {name} standing for that file of the folder. */
    test::Finished Run(const std::string& args) {
        std::vector<std::string> words;
        std::istringstream in(args);
        for (std::string w; in >> w;)
            words.push_back(w.starts_with("{") ? Path(w.substr(1, w.size() - 2)) : w);
        return Cli(words);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Put(const std::string& name, const std::string& bytes) const { test::WriteFile(Path(name), bytes); }
    std::string Contents(const std::string& name) const { return test::ReadFile(Path(name)); }
    Image Load(const std::string& name) {
        Image img{};
        EXPECT_TRUE(LoadChannelFile(dir_ / name, img).ok());
        return img;
    }
    /** The texts of a column for channels first..last of a file, "-" for an empty cell. */
    std::string Texts(const std::string& name, int column, int first, int last) {
        const EditorState s = DecodeToState(Load(name));
        std::string out;
        for (int ch = first; ch <= last; ++ch) {
            const std::string text = s.table.Text(ch, column);
            out += (ch > first ? " " : "") + (text.empty() ? "-" : text);
        }
        return out;
    }
    test::TempDir dir_;
};

TEST_F(FileVerbs, NewWritesWhatFileNewThenSaveWritesAndShowsItAsJson) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    EXPECT_EQ(Load("n.sin"), RoundTrip(NewDocumentImage()));
    const auto r = Cli({"show", Path("n.sin"), "--json"});
    ASSERT_EQ(r.exit, 0) << r.err;
    std::string expected = "{\"channels\":[";
    for (int ch = 1; ch <= 80; ++ch)
        expected += (ch > 1 ? ",{\"ch\":" : "{\"ch\":") + std::to_string(ch) +
                    R"(,"rx":"","tx":"","rx_tone":"","tx_tone":"","busy":"","scan":"","power":""})";
    EXPECT_EQ(r.out, expected + R"(],"settings":{"warning":"Disable","nw":"Wide","field":"136 - 175MHZ",)"
                                R"("squelch":"4","tx_total_time":"60s","tx_power_rank":"9"}})"
                                "\n");
}

// Whatever a name leads to, every verb that opens a channel file refuses what is no whole channel file
// at once (a FIFO is never waited on), exits 3 and writes nothing.
TEST_F(FileVerbs, WhatIsNoChannelFileIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    Put("short.sin", std::string(2047, 'x'));
    Put("empty.sin", "");
    const std::pair<std::string, std::string> rows[] = {
        {"empty.sin", "Unexpected file format"}, {"short.sin", "Unexpected file format"},
        {"missing.sin", "No such file"},         {"fifo", "not a regular file"},
        {"/dev/zero", "not a regular file"},     {"esc\x1b[2J", "esc\\x1B[2J: No such file"},
    };
    for (const auto& [name, why] : rows) {
        const std::string path = name.starts_with("/") ? name : Path(name);
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"show", path},
                                                   {"convert", path, "-o", Path("out.sin")},
                                                   {"export", path, "-o", Path("out.csv")},
                                                   {"sim", "--image", path},
                                                   {"import", path, "--base", path, "-o", Path("out.sin")}}) {
            const auto start = std::chrono::steady_clock::now();
            const auto r = Cli(args);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10))
                << args[0] << " " << name;
            EXPECT_EQ(r.exit, 3) << args[0] << " " << name;
            EXPECT_NE(r.err.find(why), std::string::npos) << args[0] << " " << name << ": " << r.err;
            EXPECT_TRUE(r.out.empty()) << args[0];
        }
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.sin")) || std::filesystem::exists(Path("out.csv")));
}

TEST_F(FileVerbs, ReadOnlyOutputIsNotReplaced) {
    Put("keep.sin", "keep");
    ::chmod(Path("keep.sin").c_str(), 0444);
    const auto r = Cli({"new", "-o", Path("keep.sin")});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.err, "Cannot save file " + Path("keep.sin") + ": the file is read-only\n");
    EXPECT_EQ(Contents("keep.sin"), "keep");
}

TEST_F(FileVerbs, ConvertWritesWhatOpenThenSaveWrites) {
    Image img;
    std::mt19937 rng(99);
    for (auto& b : img) b = static_cast<std::uint8_t>(rng());
    ASSERT_TRUE(SaveChannelFile(dir_ / "in.sin", img).ok());
    ASSERT_EQ(Cli({"convert", Path("in.sin"), "-o", Path("out.sin")}).exit, 0);
    EXPECT_EQ(Load("out.sin"), RoundTrip(img));  // the codec keeps what it does not interpret
}

TEST_F(FileVerbs, EditCommitsLikeTheEditorAndPrintsItsMessages) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    const auto r = Cli({"edit", Path("n.sin"), "-o", Path("e.sin"), "--set", "1:rx=145.0125", "--set",
                        "2:tx=145.003", "--set", "3:rx=abc", "--set", "1:tx-tone=d023n", "--set",
                        "1:busy=Carrier", "--set", "1:power=Medium", "--set", "1:rx-tone=67.1"});
    EXPECT_EQ(r.exit, 1);  // four values were refused; a list value that names no entry leaves its cell
    EXPECT_EQ(r.err,
              "Error data Value\xEF\xBC\x8CPlease input according the step value(6.25K/5k)\n"
              "Error Data Format\xEF\xBC\x8CPlease input again\n"
              "--set 1:power=Medium: Power \"Medium\": not one of Low, High\n"
              "--set 1:rx-tone=67.1: Rx Tone \"67.1\": not an entry of the tone table\n");
    EXPECT_EQ(Texts("e.sin", 1, 1, 3), "145.01250 - -");
    EXPECT_EQ(Texts("e.sin", 2, 1, 2), "145.01250 -");
    EXPECT_EQ(Texts("e.sin", 4, 1, 1) + " " + Texts("e.sin", 5, 1, 1), "D023N Carrier");
    EXPECT_EQ(Texts("e.sin", 3, 1, 1) + " " + Texts("e.sin", 7, 1, 1), "OFF High");  // as before the refusals
}

TEST_F(FileVerbs, EditBandChangeNeedsYes) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    ASSERT_EQ(Cli({"edit", Path("n.sin"), "-o", Path("n.sin"), "--set", "1:rx=145.5"}).exit, 0);

    const auto no = Cli({"edit", Path("n.sin"), "-o", Path("no.sin"), "--band", "1"});
    EXPECT_EQ(no.exit, 1);
    EXPECT_NE(no.err.find("Make sure change it?"), std::string::npos);
    EXPECT_EQ(Texts("no.sin", 1, 1, 1), "145.50000");

    const auto yes =
        Cli({"edit", Path("n.sin"), "-o", Path("yes.sin"), "--band", "1", "--yes", "--set", "2:rx=150"});
    EXPECT_EQ(yes.exit, 1);  // 150 MHz is out of the new band
    EXPECT_NE(yes.err.find("Out of range!"), std::string::npos);
    EXPECT_EQ(Texts("yes.sin", 1, 1, 1), "-");
    EXPECT_EQ(SelectedText(DecodeToState(Load("yes.sin")).lists, Setting::Field), "144 - 146MHZ");

    // The band already in force asks nothing.
    const auto same = Cli({"edit", Path("n.sin"), "-o", Path("same.sin"), "--band", "0"});
    EXPECT_EQ(same.exit, 0);
    EXPECT_TRUE(same.err.empty());
}

TEST_F(FileVerbs, UsageErrorsExitTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"show"}, {"frobnicate"}, {}}) {
        const auto r = Cli(args);
        EXPECT_EQ(r.exit, 2) << (args.empty() ? "(none)" : args[0]) << r.err;
    }
    EXPECT_EQ(Cli({"--version"}).exit, 0);
    EXPECT_EQ(Cli({"edit", "--help"}).exit, 0);
}

// Row operations and --set apply in the order given; channels 1..3 start at 146, 145 and 145.5 MHz.
TEST_F(FileVerbs, EditRowOperationsInCommandLineOrder) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int exit;
        const char* receive;  // channels 1..4 after the edit; nullptr when nothing may be written
    };
    // clang-format off
    const Row rows[] = {
        {"move", {"--move", "1:3"}, 0, "145.00000 145.50000 146.00000 -"},
        {"set_then_move", {"--set", "1:rx=147", "--move", "1:2"}, 0, "145.00000 147.00000 145.50000 -"},
        {"move_then_set", {"--move", "1:2", "--set", "1:rx=147"}, 0, "147.00000 146.00000 145.50000 -"},
        {"insert_delete_copy", {"--insert", "1", "--delete", "3", "--copy", "1:4"}, 0,
         "- 146.00000 145.50000 -"},
        {"copy_then_sort", {"--copy", "2:5", "--sort"}, 0, "145.00000 145.00000 145.50000 146.00000"},
        {"insert_would_drop_80", {"--set", "80:rx=145", "--insert", "2"}, 1, nullptr},
        {"insert_drops_80_with_yes", {"--set", "80:rx=145", "--insert", "2", "--yes"}, 0,
         "146.00000 - 145.00000 145.50000"},
        {"zero", {"--move", "0:3"}, 2, nullptr}, {"beyond_80", {"--insert", "81"}, 2, nullptr},
        {"not_a_number", {"--delete", "x"}, 2, nullptr}, {"half_pair", {"--copy", "3:"}, 2, nullptr},
        {"no_pair", {"--move", "3"}, 2, nullptr}, {"value_missing", {"--insert"}, 2, nullptr},
        {"set_81", {"--set", "81:rx=145"}, 2, nullptr}, {"set_0", {"--set", "0:rx=145"}, 2, nullptr},
        {"set_no_such_column", {"--set", "1:freq=145"}, 2, nullptr}, {"band_2", {"--band", "2"}, 2, nullptr},
        {"set_no_colon", {"--set", "1rx145"}, 2, nullptr},
    };
    // clang-format on
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    ASSERT_EQ(Cli({"edit", Path("n.sin"), "-o", Path("n.sin"), "--set", "1:rx=146", "--set", "2:rx=145",
                   "--set", "3:rx=145.5"})
                  .exit,
              0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(Path("e.sin"));
        std::vector<std::string> args = {"edit", Path("n.sin"), "-o", Path("e.sin")};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const auto r = Cli(args);
        EXPECT_EQ(r.exit, row.exit) << r.err;
        EXPECT_TRUE(row.exit == 0 || !r.err.empty());
        ASSERT_EQ(std::filesystem::exists(Path("e.sin")), row.receive != nullptr);
        if (!row.receive) continue;
        EXPECT_EQ(Texts("e.sin", 1, 1, 4), row.receive);
    }
}

TEST_F(FileVerbs, DecimalCommaLocaleGivesTheSameOutput) {
    if (const std::string missing = test::DecimalCommaLocale(); !missing.empty()) GTEST_SKIP() << missing;
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    ASSERT_EQ(
        Cli({"edit", Path("n.sin"), "-o", Path("n.sin"), "--set", "1:rx=145.0125", "--set", "1:rx-tone=88.5"})
            .exit,
        0);
    const auto c = Cli({"show", Path("n.sin")}, {"LC_ALL=C"});
    const auto de = Cli({"show", Path("n.sin")}, {"LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(c.out, de.out);
    EXPECT_NE(de.out.find("145.01250"), std::string::npos);  // parsing is the core's, checked there
}

TEST_F(FileVerbs, DiffReportsAndExitsByEquality) {
    ASSERT_EQ(Cli({"new", "-o", Path("a.sin")}).exit, 0);
    ASSERT_EQ(
        Cli({"edit", Path("a.sin"), "-o", Path("b.sin"), "--set", "2:rx=145.5", "--set", "2:power=Low"}).exit,
        0);
    EXPECT_EQ(Cli({"diff", Path("a.sin"), Path("a.sin")}).exit, 0);
    const auto differ = Cli({"diff", Path("a.sin"), Path("b.sin")});
    EXPECT_EQ(differ.exit, 1);
    EXPECT_NE(differ.out.find("CH 2 Receive(MHz): (empty) -> 145.50000\n"), std::string::npos) << differ.out;
    EXPECT_NE(differ.out.find("CH 2 Power: (empty) -> Low\n"), std::string::npos) << differ.out;
    EXPECT_EQ(Cli({"diff", Path("a.sin"), Path("none.sin")}).exit, 3);
}

TEST_F(FileVerbs, CsvExportThenImportKeepsTheFile) {
    Put("plan.csv", std::string(kNativeHeader) + "\n1,145.5,146.1,88.5,D023N,Carrier,Delete,Low\n");
    const auto first = Run("import {plan.csv} -o {a.sin}");
    ASSERT_EQ(first.exit, 0) << first.err;
    EXPECT_EQ(first.err, "1 channel imported (native layout), 0 rows refused\n");
    for (const std::string layout : {"native", "community"}) {
        ASSERT_EQ(Run("export {a.sin} -o {a.csv} --layout " + layout).exit, 0) << layout;
        EXPECT_TRUE(Contents("a.csv").starts_with(layout == "native" ? "# PM-514RX" : "Location,")) << layout;
        ASSERT_EQ(Run("import {a.csv} -o {b.sin}").exit, 0) << layout;
        EXPECT_EQ(Contents("b.sin"), Contents("a.sin")) << layout;
    }
}

// Refused rows are reported and the file is still written; --base, --merge and --place reach the import.
TEST_F(FileVerbs, CsvImportPlacesMergesAndSaysWhatItLeftOut) {
    Put("list.csv", "Location,Frequency,Power\n0,146.52,Mid\n1,440,\n2,146.55,M\n");
    const std::string band = "Frequency \"440\": outside this radio's band 136–175 MHz\n";
    const std::string mid =
        "note: Power: the radio has only High and Low; a middle power (Mid) is taken as High";
    const auto placed = Run("import {list.csv} -o {a.sin} --layout COMMUNITY");
    EXPECT_EQ(placed.exit, 1);
    EXPECT_EQ(placed.err,
              "line 2: refused: Location 0 is not a channel 1–80 (use --place sequential)\n"
              "line 3, channel 1: refused: " +
                  band + "line 4, channel 2: " + mid +
                  "\n1 channel imported (community layout), 2 rows refused\n");
    const auto merged = Run("import {list.csv} -o {b.sin} --base {a.sin} --merge --place Sequential:79");
    EXPECT_EQ(merged.exit, 1);
    EXPECT_EQ(merged.err, "line 2, channel 79: " + mid + " (also on 1 more row)\nline 3: refused: " + band +
                              "2 channels imported (community layout, merged), 1 row refused\n");
    EXPECT_EQ(Texts("b.sin", 1, 1, 2) + " " + Texts("b.sin", 1, 79, 80), "- 146.55000 146.52000 146.55000");
    Put("empty.csv", "Location,Frequency\n");
    const auto empty = Run("import {empty.csv} -o {c.sin}");
    EXPECT_EQ(empty.exit, 1);
    EXPECT_EQ(empty.err, "no channels in " + Path("empty.csv") +
                             "\n0 channels imported (community layout), 0 rows refused\n");
    EXPECT_EQ(Run("import {empty.csv} -o {c.sin} --merge").exit, 0);
    Put("tx.csv", std::string(kNativeHeader) + "\n9,,150\n");
    ASSERT_EQ(Run("import {tx.csv} -o {tx.sin}").exit, 0);
    const auto left = Run("export {tx.sin} -o {tx.csv} --layout community");
    EXPECT_EQ(left.exit, 0);
    EXPECT_EQ(
        left.err,
        "note: channel 9 has no receive frequency and cannot be written in the community layout; left out\n");
}

TEST_F(FileVerbs, EditRangeSetRepeaterAndToneInOrder) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    ASSERT_EQ(Run("edit {n.sin} -o {p.sin} --set 1:rx=146.94 --set 2:rx=174.7 --set 4:rx=146.52").exit, 0);
    const auto r =
        Run("edit {p.sin} -o {q.sin} --set 1-80:power=low --repeater 1-3:+0.6 --tone 1-2:tsql:88.5 "
            "--move 4:3 --set 3-3:scan=Delete");
    EXPECT_EQ(r.exit, 1) << "174.7 + 0.6 is out of the band";
    EXPECT_EQ(r.err,
              "--set 1-80:power=low: 3 channels set\n"
              "--repeater 1-3:+0.6: 1 channel set, 1 refused\n  channel 2 175.30000: Out of range!\n"
              "--tone 1-2:tsql:88.5: 2 channels set\n--set 3-3:scan=Delete: 1 channel set\n");
    EXPECT_EQ(Texts("q.sin", col::kTransmit, 1, 4), "147.54000 174.70000 146.52000 -");
    EXPECT_EQ(Texts("q.sin", col::kRxTone, 1, 3) + " " + Texts("q.sin", col::kScan, 3, 3),
              "88.5 88.5 OFF Delete");
    EXPECT_EQ(Texts("q.sin", col::kPower, 1, 4), "Low Low Low -");
    for (const char* bad : {"--repeater 1-3:+x", "--tone 2-1:none", "--tone 1:dcs:024", "--set 9-90:rx=1"}) {
        EXPECT_EQ(Run(std::string("edit {p.sin} -o {x.sin} ") + bad).exit, 2) << bad;
    }
}

TEST_F(FileVerbs, CheckExitsByFindings) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    EXPECT_EQ(Run("check {n.sin}").out, "no findings\n");
    ASSERT_EQ(Run("edit {n.sin} -o {p.sin} --set 1:rx=146.94 --set 2:rx=146.94 --set 2:busy=QT/DQT").exit, 0);
    const auto r = Run("check {p.sin}");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out,
              "channel 2: the same as channel 1 (receive, transmit and tones)\n"
              "channel 2: busy lockout QT/DQT without a receive tone: the channel counts as busy whenever "
              "a signal is present\n2 findings\n");
    EXPECT_EQ(Run("check {missing.sin}").exit, 3);
}

TEST_F(FileVerbs, EveryShippedListMergesIntoANewPlanWholeAndHonest) {
    const auto lists = Cli({"lists"});
    ASSERT_EQ(lists.exit, 0) << lists.err;
    std::istringstream in(lists.out);
    int count = 0;
    for (std::string line; std::getline(in, line); ++count) {
        const std::string file = line.substr(line.find('\t') + 1);
        const std::string text = test::ReadFile(file);
        ASSERT_TRUE(text.starts_with("# Source")) << file << ": names the source of its rows";
        const auto rows = std::count(text.begin(), text.end(), '\n') - 2;
        const auto r = Cli({"import", file, "-o", Path("l.sin"), "--merge", "--place", "sequential"});
        EXPECT_EQ(r.exit, 0) << file << r.err;
        EXPECT_NE(r.err.find(std::to_string(rows) + " channels imported (community layout, merged), 0 rows"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_EQ(count, 4);
    EXPECT_EQ(Texts("l.sin", col::kReceive, 1, 5), "146.52000 144.39000 145.50000 144.80000 -")
        << "the last list: 2 m calling and APRS";
}

TEST_F(FileVerbs, CsvVerbsRefuseAndWriteNothing) {
    Put("plan.csv", "Name,Frequency\nx,146.52\n");
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    // clang-format off
    const std::tuple<const char*, int, const char*> rows[] = {
        {"import {plan.csv} -o {out.sin}", 3, "plan.csv: line 1: the header row \"Name,Frequency\""},
        {"import {plan.csv} -o {out.sin} --layout excel", 2, "--layout: "},
        {"import {plan.csv} -o {out.sin} --place sequential:81", 2, "--place: "},
        {"export {plan.csv}", 2, "--output is required"},
        {"export {n.sin} -o {n.sin}", 2, "n.sin is the channel file itself; name another CSV file"},
    };
    // clang-format on
    for (const auto& [args, exit, why] : rows) {
        const auto r = Run(args);
        EXPECT_EQ(r.exit, exit) << args;
        EXPECT_NE(r.err.find(why), std::string::npos) << args << ": " << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.sin")));
    EXPECT_EQ(Contents("n.sin").size(), kImageSize);
}

}  // namespace
}  // namespace pm
