// File, Import CSV and Export CSV in the running program.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "core/image/channel_table.h"
#include "gui/app/main_window.h"
#include "gui/csv/csv_commands.h"
#include "gui/editor/channel_view.h"
#include "gui_fixture.h"

namespace pm {
namespace {

class CsvCommandsTest : public GuiTest {
  protected:
    void WriteText(const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // Accepts the report dialog when it comes up and keeps its text.
    void AcceptReportWhenShown() {
        QTimer::singleShot(0, [this] {
            if (auto* dialog = qobject_cast<CsvReportDialog*>(QApplication::activeModalWidget())) {
                report_ = dialog->ReportText();
                dialog->accept();
            }
        });
    }
    QString report_;
};

TEST_F(CsvCommandsTest, CommandsStandAfterSaveAs) {
    ASSERT_TRUE(Start());
    QMenu* file = Window().menuBar()->actions().first()->menu();
    QStringList texts;
    for (QAction* a : file->actions()) texts << a->text();
    const auto saveAs = texts.indexOf(QStringLiteral("Save &As..."));
    ASSERT_GE(saveAs, 0) << texts.join(QStringLiteral("|")).toStdString();
    EXPECT_EQ(texts.value(saveAs + 1), QStringLiteral("Import CSV..."));
    EXPECT_EQ(texts.value(saveAs + 2), QStringLiteral("Export CSV..."));
}

TEST_F(CsvCommandsTest, ImportTakesGoodRowsReportsTheRestAndMarksTheDocument) {
    ASSERT_TRUE(Start());
    // An uninterpreted byte of the document must survive the import.
    Window().Document().MemoryImage()[0x005] = 0x5A;
    View().DecodeImage();
    WriteText(PathOf("plan.csv"),
              "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Power\n"
              "2,Repeater,145.650000,-,0.600000,TSQL,88.5,103.5,1.0W\n"
              "3,Broken,145.003000,,0,,88.5,88.5,5.0W\n");
    ScopedCsvChooser chooser([this](bool exporting, const QString&) -> std::optional<CsvChoice> {
        EXPECT_FALSE(exporting);
        return CsvChoice{PathOf("plan.csv"), CsvLayout::Native};
    });
    AcceptReportWhenShown();
    ImportCsvCommand(Window());
    ChannelTable& t = View().Table();
    // The parsing is the core's; one row proves its result reaches the grid.
    EXPECT_EQ(t.Text(2, col::kTransmit), "145.05000");
    EXPECT_EQ(t.Text(2, col::kPower), "Low");
    EXPECT_EQ(t.Text(3, col::kReceive), "");
    EXPECT_TRUE(report_.contains(QStringLiteral("line 3")) && report_.contains(QStringLiteral("channel 3")))
        << report_.toStdString();
    EXPECT_TRUE(Window().IsModified());
    EXPECT_EQ(View().EncodedImage()[0x005], 0x5A);
}

TEST_F(CsvCommandsTest, ExportThenImportGivesTheSameGridInBothLayouts) {
    ASSERT_TRUE(Start());
    ChannelTable& t = View().Table();
    const char* row1[] = {"145.01250", "145.61250", "88.5", "D023N", "Carrier", "Delete", "Low"};
    for (int c = 1; c <= 7; ++c) t.SetText(1, c, row1[c - 1]);
    const char* row9[] = {"", "146.52000", "OFF", "OFF", "OFF", "Add", "High"};
    for (int c = 1; c <= 7; ++c) t.SetText(9, c, row9[c - 1]);
    const Image before = View().EncodedImage();
    for (CsvLayout layout : {CsvLayout::Native, CsvLayout::Community}) {
        SCOPED_TRACE(std::string(LayoutName(layout)));
        {
            ScopedCsvChooser chooser(
                [&](bool exporting, const QString& suggested) -> std::optional<CsvChoice> {
                    EXPECT_TRUE(exporting);
                    EXPECT_TRUE(suggested.endsWith(QStringLiteral(".csv")));
                    return CsvChoice{PathOf("out.csv"), layout};
                });
            ExportCsvCommand(Window());
        }
        QFile written(PathOf("out.csv"));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll().toStdString(), ExportCsv(before, layout));
        Window().NewDocument();
        ScopedCsvChooser chooser([&](bool, const QString&) -> std::optional<CsvChoice> {
            return CsvChoice{PathOf("out.csv"), layout};
        });
        AcceptReportWhenShown();
        ImportCsvCommand(Window());
        for (int row : {1, 9}) {
            for (int c = 1; c <= 7; ++c)
                EXPECT_EQ(t.Text(row, c), std::string(row == 1 ? row1[c - 1] : row9[c - 1]));
        }
        for (int c = 1; c <= 7; ++c) EXPECT_EQ(t.Text(2, c), "");
    }
}

TEST_F(CsvCommandsTest, AFileThatIsNoChannelListChangesNothing) {
    ASSERT_TRUE(Start());
    View().Table().SetText(4, col::kReceive, "145.00000");
    const Image before = View().EncodedImage();
    WriteText(PathOf("bad.csv"), QByteArray("\xFF\xFE"
                                            "a\0b\0",
                                            6));  // UTF-16: refused whole
    ScopedCsvChooser chooser([this](bool, const QString&) -> std::optional<CsvChoice> {
        return CsvChoice{PathOf("bad.csv"), CsvLayout::Native};
    });
    ImportCsvCommand(Window());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(View().EncodedImage(), before);
    // Cancel in the chooser does nothing at all.
    ScopedCsvChooser cancel([](bool, const QString&) -> std::optional<CsvChoice> { return std::nullopt; });
    ImportCsvCommand(Window());
    ExportCsvCommand(Window());
    EXPECT_EQ(messages_.size(), 1u);
}

}  // namespace
}  // namespace pm
