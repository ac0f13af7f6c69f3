// The file verbs of pm514rx-cli run as a user would: what they write, what they refuse, how they exit.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <random>

#include "core/image/channel_file.h"
#include "core/image/document.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

class FileVerbs : public ::testing::Test {
  protected:
    test::Finished Cli(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
        return test::Cli(args, {.env = std::move(env)});
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    Image Load(const std::string& name) {
        Image img{};
        EXPECT_TRUE(LoadChannelFile(dir_ / name, img).ok());
        return img;
    }
    test::TempDir dir_;
};

TEST_F(FileVerbs, NewWritesWhatFileNewThenSaveWrites) {
    const auto r = Cli({"new", "-o", Path("n.sin")});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(Load("n.sin"), RoundTrip(NewDocumentImage()));
}

TEST_F(FileVerbs, ShowJsonOfANewDocumentIsExact) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    const auto r = Cli({"show", Path("n.sin"), "--json"});
    ASSERT_EQ(r.exit, 0) << r.err;
    std::string expected = "{\"channels\":[";
    for (int ch = 1; ch <= 80; ++ch) {
        if (ch > 1) expected += ",";
        expected += "{\"ch\":" + std::to_string(ch) +
                    ",\"rx\":\"\",\"tx\":\"\",\"rx_tone\":\"\",\"tx_tone\":\"\",\"busy\":\"\",\"scan\":\"\","
                    "\"power\":\"\"}";
    }
    expected +=
        "],\"settings\":{\"warning\":\"Disable\",\"nw\":\"Wide\",\"field\":\"136 - "
        "175MHZ\",\"squelch\":\"4\","
        "\"tx_total_time\":\"60s\",\"tx_power_rank\":\"9\"}}\n";
    EXPECT_EQ(r.out, expected);
}

// Whatever a name leads to, every verb that opens a channel file refuses what is no whole channel file
// at once (a FIFO is never waited on), exits 3 and writes nothing.
TEST_F(FileVerbs, WhatIsNoChannelFileIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    std::ofstream(Path("short.sin"), std::ios::binary) << std::string(2047, 'x');
    std::ofstream(Path("empty.sin"), std::ios::binary) << "";
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
    EXPECT_FALSE(std::filesystem::exists(Path("out.sin")));
}

TEST_F(FileVerbs, ReadOnlyOutputIsNotReplaced) {
    std::ofstream(Path("keep.sin")) << "keep";
    ::chmod(Path("keep.sin").c_str(), 0444);
    const auto r = Cli({"new", "-o", Path("keep.sin")});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.err, "Cannot save file " + Path("keep.sin") + ": the file is read-only\n");
    std::ifstream in(Path("keep.sin"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
}

TEST_F(FileVerbs, ConvertKeepsEveryUninterpretedByte) {
    Image img;
    std::mt19937 rng(99);
    for (auto& b : img) b = static_cast<std::uint8_t>(rng());
    ASSERT_TRUE(SaveChannelFile(dir_ / "in.sin", img).ok());
    ASSERT_EQ(Cli({"convert", Path("in.sin"), "-o", Path("out.sin")}).exit, 0);
    const Image out = Load("out.sin");
    EXPECT_EQ(out, RoundTrip(img));
    for (std::size_t i = 0; i < kImageSize; ++i) {
        const std::uint8_t keep = static_cast<std::uint8_t>(~InterpretedMask(i));
        ASSERT_EQ(out[i] & keep, img[i] & keep) << i;
    }
}

TEST_F(FileVerbs, EditCommitsLikeTheEditorAndPrintsItsMessages) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    const auto r =
        Cli({"edit", Path("n.sin"), "-o", Path("e.sin"), "--set", "1:rx=145.0125", "--set", "2:tx=145.003",
             "--set", "3:rx=abc", "--set", "1:tx-tone=d023n", "--set", "1:busy=Carrier"});
    EXPECT_EQ(r.exit, 1);  // two values were refused
    EXPECT_EQ(r.err,
              "Error data Value\xEF\xBC\x8CPlease input according the step value(6.25K/5k)\n"
              "Error Data Format\xEF\xBC\x8CPlease input again\n");
    const EditorState s = DecodeToState(Load("e.sin"));
    EXPECT_EQ(s.table.Text(1, 1), "145.01250");
    EXPECT_EQ(s.table.Text(1, 2), "145.01250");
    EXPECT_EQ(s.table.Text(1, 4), "D023N");
    EXPECT_EQ(s.table.Text(1, 5), "Carrier");
    EXPECT_EQ(s.table.Text(2, 2), "");
    EXPECT_EQ(s.table.Text(3, 1), "");
}

TEST_F(FileVerbs, EditBandChangeNeedsYes) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    ASSERT_EQ(Cli({"edit", Path("n.sin"), "-o", Path("n.sin"), "--set", "1:rx=145.5"}).exit, 0);

    const auto no = Cli({"edit", Path("n.sin"), "-o", Path("no.sin"), "--band", "1"});
    EXPECT_EQ(no.exit, 1);
    EXPECT_NE(no.err.find("Make sure change it?"), std::string::npos);
    EXPECT_EQ(DecodeToState(Load("no.sin")).table.Text(1, 1), "145.50000");

    const auto yes =
        Cli({"edit", Path("n.sin"), "-o", Path("yes.sin"), "--band", "1", "--yes", "--set", "2:rx=150"});
    EXPECT_EQ(yes.exit, 1);  // 150 MHz is out of the new band
    EXPECT_NE(yes.err.find("Out of range!"), std::string::npos);
    const EditorState s = DecodeToState(Load("yes.sin"));
    EXPECT_EQ(s.table.Text(1, 1), "");
    EXPECT_EQ(SelectedText(s.lists, Setting::Field), "144 - 146MHZ");

    // The band already in force asks nothing.
    const auto same = Cli({"edit", Path("n.sin"), "-o", Path("same.sin"), "--band", "0"});
    EXPECT_EQ(same.exit, 0);
    EXPECT_TRUE(same.err.empty());
}

TEST_F(FileVerbs, UsageErrorsExitTwo) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"edit", Path("n.sin"), "-o", Path("x.sin"), "--set", "81:rx=145"},
             {"edit", Path("n.sin"), "-o", Path("x.sin"), "--set", "0:rx=145"},
             {"edit", Path("n.sin"), "-o", Path("x.sin"), "--set", "1:freq=145"},
             {"edit", Path("n.sin"), "-o", Path("x.sin"), "--set", "1rx145"},
             {"edit", Path("n.sin"), "-o", Path("x.sin"), "--band", "2"},
             {"show"},
             {"frobnicate"},
             {}}) {
        const auto r = Cli(args);
        EXPECT_EQ(r.exit, 2) << (args.empty() ? "(none)" : args[0]) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("x.sin")));
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
    const Row rows[] = {
        {"move", {"--move", "1:3"}, 0, "145.00000 145.50000 146.00000 -"},
        {"set_then_move", {"--set", "1:rx=147", "--move", "1:2"}, 0, "145.00000 147.00000 145.50000 -"},
        {"move_then_set", {"--move", "1:2", "--set", "1:rx=147"}, 0, "147.00000 146.00000 145.50000 -"},
        {"insert_delete_copy",
         {"--insert", "1", "--delete", "3", "--copy", "1:4"},
         0,
         "- 146.00000 145.50000 -"},
        {"copy_then_sort", {"--copy", "2:5", "--sort"}, 0, "145.00000 145.00000 145.50000 146.00000"},
        {"insert_would_drop_80", {"--set", "80:rx=145", "--insert", "2"}, 1, nullptr},
        {"insert_drops_80_with_yes",
         {"--set", "80:rx=145", "--insert", "2", "--yes"},
         0,
         "146.00000 - 145.00000 145.50000"},
        {"zero", {"--move", "0:3"}, 2, nullptr},
        {"beyond_80", {"--insert", "81"}, 2, nullptr},
        {"not_a_number", {"--delete", "x"}, 2, nullptr},
        {"half_pair", {"--copy", "3:"}, 2, nullptr},
        {"no_pair", {"--move", "3"}, 2, nullptr},
        {"value_missing", {"--insert"}, 2, nullptr},
    };
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
        const EditorState s = DecodeToState(Load("e.sin"));
        std::string receive;
        for (int ch = 1; ch <= 4; ++ch) {
            const std::string rx = s.table.Text(ch, 1);
            receive += (ch > 1 ? " " : "") + (rx.empty() ? std::string("-") : rx);
        }
        EXPECT_EQ(receive, row.receive);
    }
}

TEST_F(FileVerbs, DecimalCommaLocaleGivesTheSameOutput) {
    ASSERT_EQ(Cli({"new", "-o", Path("n.sin")}).exit, 0);
    ASSERT_EQ(
        Cli({"edit", Path("n.sin"), "-o", Path("n.sin"), "--set", "1:rx=145.0125", "--set", "1:rx-tone=88.5"})
            .exit,
        0);
    const auto c = Cli({"show", Path("n.sin")}, {"LC_ALL=C"});
    const auto de = Cli({"show", Path("n.sin")}, {"LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(c.out, de.out);
    EXPECT_NE(de.out.find("145.01250"), std::string::npos);
    const auto edit =
        Cli({"edit", Path("n.sin"), "-o", Path("de.sin"), "--set", "2:rx=146.52"}, {"LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(edit.exit, 0) << edit.err;
    EXPECT_EQ(DecodeToState(Load("de.sin")).table.Text(2, 1), "146.52000");
}

TEST_F(FileVerbs, DiffReportsAndExitsByEquality) {
    ASSERT_EQ(Cli({"new", "-o", Path("a.sin")}).exit, 0);
    ASSERT_EQ(
        Cli({"edit", Path("a.sin"), "-o", Path("b.sin"), "--set", "2:rx=145.5", "--set", "2:power=Low"}).exit,
        0);
    const auto same = Cli({"diff", Path("a.sin"), Path("a.sin")});
    EXPECT_EQ(same.exit, 0);
    const auto differ = Cli({"diff", Path("a.sin"), Path("b.sin")});
    EXPECT_EQ(differ.exit, 1);
    EXPECT_NE(differ.out.find("CH 2 Receive(MHz): (empty) -> 145.50000\n"), std::string::npos) << differ.out;
    EXPECT_NE(differ.out.find("CH 2 Power: (empty) -> Low\n"), std::string::npos) << differ.out;
    EXPECT_EQ(Cli({"diff", Path("a.sin"), Path("none.sin")}).exit, 3);
}

}  // namespace
}  // namespace pm
