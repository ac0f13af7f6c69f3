#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/csv/channel_csv.h"
#include "core/image/channel_file.h"
#include "core/image/document.h"

namespace pm {
namespace {

/** Runs the CLI through the shell with stdout and stderr into files of dir. */
class CsvVerbs : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/pm514rx-csv-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    int Cli(const std::string& args) {
        const std::string command = std::string("'") + PM_CLI_PATH + "' " + args + " >'" + Path("out") +
                                    "' 2>'" + Path("err") + "' </dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

    std::filesystem::path dir_;
};

TEST_F(CsvVerbs, ExportThenImportKeepsTheFile) {
    Write("plan.csv", std::string(kNativeHeader) + "\n1,145.5,146.1,88.5,D023N,Carrier,Delete,Low\n");
    ASSERT_EQ(Cli("import " + Path("plan.csv") + " -o " + Path("a.sin")), 0) << Read("err");
    EXPECT_EQ(Read("err"), "1 channel imported (native layout), 0 rows refused\n");
    for (const char* layout : {"native", "community"}) {
        SCOPED_TRACE(layout);
        ASSERT_EQ(Cli("export " + Path("a.sin") + " -o " + Path("a.csv") + " --layout " + layout), 0)
            << Read("err");
        EXPECT_EQ(Read("a.csv").rfind(layout == std::string("native") ? "# PM-514RX" : "Location,", 0), 0u);
        ASSERT_EQ(Cli("import " + Path("a.csv") + " -o " + Path("b.sin")), 0) << Read("err");
        EXPECT_EQ(Read("b.sin"), Read("a.sin"));
    }
}

TEST_F(CsvVerbs, RefusedRowsAreReportedAndTheFileIsStillWritten) {
    Write("plan.csv", std::string(kNativeHeader) + "\n1,145.5,,,,,,\n2,145.003,,,,,,\n");
    EXPECT_EQ(Cli("import " + Path("plan.csv") + " -o " + Path("a.sin")), 1);
    EXPECT_EQ(Read("err"),
              "line 3, channel 2: refused: Receive(MHz) \"145.003\": not on a 5 or 6.25 kHz step\n1 channel "
              "imported "
              "(native layout), 1 row refused\n");
    Image image{};
    ASSERT_TRUE(LoadChannelFile(Path("a.sin"), image).ok());
    EXPECT_EQ(DecodeToState(image).table.Text(1, 1), "145.50000");
    EXPECT_EQ(DecodeToState(image).table.Text(2, 1), "");
}

TEST_F(CsvVerbs, BaseGivesTheOtherBytes) {
    Image base = NewDocumentImage();
    base[0] = 0x12;
    base[0x7FF] = 0x34;
    ASSERT_TRUE(SaveChannelFile(Path("base.sin"), base).ok());
    Write("plan.csv", "Location,Frequency\n7,146.52\n");
    ASSERT_EQ(Cli("import " + Path("plan.csv") + " -o " + Path("a.sin") + " --base " + Path("base.sin") +
                  " --layout COMMUNITY"),
              0)
        << Read("err");
    Image image{};
    ASSERT_TRUE(LoadChannelFile(Path("a.sin"), image).ok());
    EXPECT_EQ(image[0], 0x12);
    EXPECT_EQ(image[0x7FF], 0x34);
    EXPECT_EQ(DecodeToState(image).table.Text(7, 2), "146.52000");
}

TEST_F(CsvVerbs, PlacesMergesAndSaysWhatItLeftOut) {
    Write("list.csv", "Location,Frequency,Power\n0,146.52,Mid\n1,440,\n2,146.55,M\n");
    const std::string band = "Frequency \"440\": outside this radio's band 136–175 MHz\n";
    const std::string mid =
        "note: Power: the radio has only High and Low; a middle power (Mid) is taken as High";
    EXPECT_EQ(Cli("import " + Path("list.csv") + " -o " + Path("a.sin")), 1);
    EXPECT_EQ(Read("err"),
              "line 2: refused: Location 0 is not a channel 1–80 (use --place sequential)\nline 3, "
              "channel 1: refused: " +
                  band + "line 4, channel 2: " + mid +
                  "\n1 channel imported (community layout), 2 rows refused\n");
    EXPECT_EQ(Cli("import " + Path("list.csv") + " -o " + Path("b.sin") + " --base " + Path("a.sin") +
                  " --merge --place Sequential:79"),
              1);
    EXPECT_EQ(Read("err"), "line 2, channel 79: " + mid + " (also on 1 more row)\nline 3: refused: " + band +
                               "2 channels imported (community layout, merged), 1 row refused\n");
    Image image{};
    ASSERT_TRUE(LoadChannelFile(Path("b.sin"), image).ok());
    const EditorState state = DecodeToState(image);
    for (const auto& [ch, rx] : {std::pair{2, "146.55000"}, {79, "146.52000"}, {80, "146.55000"}, {1, ""}})
        EXPECT_EQ(state.table.Text(ch, 1), rx) << ch;
    Write("empty.csv", "Location,Frequency\n");
    EXPECT_EQ(Cli("import " + Path("empty.csv") + " -o " + Path("c.sin")), 1);
    EXPECT_EQ(Read("err"), "no channels in " + Path("empty.csv") +
                               "\n0 channels imported (community layout), 0 rows refused\n");
    EXPECT_EQ(Cli("import " + Path("empty.csv") + " -o " + Path("c.sin") + " --merge"), 0);
    Write("tx.csv", std::string(kNativeHeader) + "\n9,,150\n");
    ASSERT_EQ(Cli("import " + Path("tx.csv") + " -o " + Path("tx.sin")), 0);
    EXPECT_EQ(Cli("export " + Path("tx.sin") + " -o " + Path("tx.csv") + " --layout community"), 0);
    EXPECT_EQ(
        Read("err"),
        "note: channel 9 has no receive frequency and cannot be written in the community layout; left out\n");
}

struct FailureCase {
    const char* name;
    std::string args;  // {in}, {out}, {short}, {missing}, {fifo} stand for files in the test folder
    int exitCode;
    std::string errHas;
};

class CsvVerbFailure : public CsvVerbs, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CsvVerbFailure, ExitsWithItsCodeAndWritesNothing) {
    const FailureCase& c = GetParam();
    Write("plan.csv", "Name,Frequency\nx,146.52\n");
    Write("short.sin", "abc");
    ASSERT_EQ(::mkfifo(Path("fifo.csv").c_str(), 0600), 0);  // a reader must never wait on it
    std::string args = c.args;
    for (const auto& [word, name] :
         {std::pair{"{in}", "plan.csv"}, std::pair{"{out}", "out.sin"}, std::pair{"{short}", "short.sin"},
          std::pair{"{missing}", "missing.csv"}, std::pair{"{fifo}", "fifo.csv"}}) {
        for (auto at = args.find(word); at != std::string::npos; at = args.find(word)) {
            args.replace(at, std::string(word).size(), Path(name));
        }
    }
    EXPECT_EQ(Cli(args), c.exitCode) << Read("err");
    EXPECT_NE(Read("err").find(c.errHas), std::string::npos) << Read("err");
    EXPECT_FALSE(Exists("out.sin"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvVerbFailure,
    ::testing::Values(
        FailureCase{"NoLayoutInTheHeader", "import {in} -o {out}", 3,
                    "plan.csv: line 1: the header row \"Name,Frequency\""},
        FailureCase{"MissingCsv", "import {missing} -o {out}", 3, "Cannot open file /tmp/"},
        FailureCase{"FifoCsv", "import {fifo} -o {out}", 3, "fifo.csv: not a regular file"},
        FailureCase{"ShortBase", "import {in} -o {out} --base {short}", 3, "Unexpected file format."},
        FailureCase{"UnknownLayout", "import {in} -o {out} --layout excel", 2, "--layout: "},
        FailureCase{"PlaceBeyondTheChannels", "import {in} -o {out} --place sequential:81", 2, "--place: "},
        FailureCase{"ExportOfAShortFile", "export {short} -o {out}", 3, "Unexpected file format."},
        FailureCase{"ExportWithoutOutput", "export {short}", 2, "--output is required"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pm
