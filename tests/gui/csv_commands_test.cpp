// File, Import CSV and Export CSV in the running program, the import through its dialog's real controls.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "gui/csv/csv_commands.h"
#include "gui/csv/csv_import_dialog.h"
#include "gui_fixture.h"

namespace pm {
namespace {

using Control = CsvImportDialog::Control;

class CsvCommandsTest : public GuiTest {
  protected:
    void WriteText(const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // Runs Import CSV on path; act is the user in the dialog (one left open is cancelled). False: no dialog.
    bool Import(const QString& path, const std::function<void(CsvImportDialog&)>& act) {
        ScopedCsvChooser chooser([path](bool, const QString&) { return CsvChoice{path, CsvLayout::Native}; });
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CsvImportDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shown = true;
            act(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        ImportCsvCommand(Window());
        return shown;
    }
    // On the radio buttons' circles: a button stretched by its layout has no text at its middle.
    static void Click(CsvImportDialog& d, Control c) {
        QTest::mouseClick(d.Widget(c), Qt::LeftButton, {}, QPoint(6, d.Widget(c)->height() / 2));
    }
    static QString Summary(CsvImportDialog& dialog) {
        return static_cast<QLabel*>(dialog.Widget(Control::Summary))->text();
    }
};

TEST_F(CsvCommandsTest, ThePreviewFollowsThePlacementAndImportAppliesExactlyThePlan) {
    ASSERT_TRUE(Start());
    // An uninterpreted byte of the document must survive the import.
    Window().Document().MemoryImage()[0x005] = 0x5A;
    View().DecodeImage();
    WriteText(PathOf("plan.csv"),
              "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Power\n"
              "1,Calling,145.500000,,0.000000,Tone,88.5,88.5,5.0W\n"
              "0,Zero,146.000000,,0,,88.5,88.5,5.0W\n"
              "3,Broken,145.003000,,0,,88.5,88.5,5.0W\n");
    Image planned{};
    EXPECT_TRUE(Import(PathOf("plan.csv"), [&](CsvImportDialog& d) {
        auto* preview = static_cast<QTableWidget*>(d.Widget(Control::Preview));
        auto cell = [p = preview](int r, int c) { return p->item(r, c) ? p->item(r, c)->text() : ""; };
        EXPECT_EQ(Summary(d), QStringLiteral("1 channel, 2 rows refused"));
        EXPECT_EQ(cell(1, 1), QStringLiteral("refused: Location 0 is not a channel 1–80 (place the rows in "
                                             "file order)"));
        EXPECT_TRUE(cell(2, 1).startsWith(QStringLiteral("channel 3 refused: "))) << cell(2, 1).toStdString();
        EXPECT_NE(preview->item(1, 0)->foreground(), preview->item(0, 0)->foreground());
        Click(d, Control::InFileOrder);
        EXPECT_EQ(Summary(d), QStringLiteral("2 channels, 1 row refused"));
        EXPECT_EQ(cell(1, 1), QStringLiteral("2"));
        EXPECT_EQ(cell(1, 2), QStringLiteral("146.00000"));
        auto* first = static_cast<QSpinBox*>(d.Widget(Control::FirstChannel));
        first->selectAll();
        QTest::keyClicks(first, QStringLiteral("80"));
        EXPECT_EQ(Summary(d), QStringLiteral("1 channel, 1 row refused, 1 row did not fit"));
        EXPECT_TRUE(cell(1, 1).startsWith(QStringLiteral("did not fit: "))) << cell(1, 1).toStdString();
        EXPECT_EQ(View().Table().Text(80, col::kReceive), "");  // nothing applied yet
        planned = d.Plan().image;
        Click(d, Control::Import);
    }));
    EXPECT_EQ(View().EncodedImage(), planned);
    EXPECT_EQ(View().Table().Text(80, col::kReceive), "145.50000");
    EXPECT_EQ(planned[0x005], 0x5A);
    EXPECT_TRUE(Window().IsModified());
}

TEST_F(CsvCommandsTest, OnlyImportChangesTheDocumentAndMergeKeepsTheOtherChannels) {
    ASSERT_TRUE(Start());
    ChannelTable& t = View().Table();
    t.SetText(5, col::kReceive, "145.00000");
    const Image before = View().EncodedImage();
    WriteText(PathOf("one.csv"), "Location,Frequency\n1,145.5\n");
    EXPECT_TRUE(Import(PathOf("one.csv"), [](CsvImportDialog& d) {
        Click(d, Control::Merge);
        QTest::keyClick(&d, Qt::Key_Escape);
    }));
    WriteText(PathOf("bad.csv"), QByteArray::fromHex("fffe61006200"));  // UTF-16: refused whole, no dialog
    EXPECT_FALSE(Import(PathOf("bad.csv"), [](CsvImportDialog&) {}));
    EXPECT_EQ(messages_.size(), 1u);
    ScopedCsvChooser cancel([](bool, const QString&) -> std::optional<CsvChoice> { return std::nullopt; });
    ImportCsvCommand(Window());
    ExportCsvCommand(Window());
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(View().EncodedImage(), before);
    EXPECT_TRUE(Import(PathOf("one.csv"), [](CsvImportDialog& d) {
        Click(d, Control::Merge);
        EXPECT_EQ(Summary(d), QStringLiteral("1 channel"));
        Click(d, Control::Import);
    }));
    EXPECT_EQ(t.Text(1, col::kReceive), "145.50000");
    EXPECT_EQ(t.Text(5, col::kReceive), "145.00000");
}

// What each layout holds is the core's; here, that the chosen layout is written and read back.
TEST_F(CsvCommandsTest, ExportWritesTheChosenLayoutAndImportBringsTheGridBack) {
    ASSERT_TRUE(Start());
    ChannelTable& t = View().Table();
    const char* row1[] = {"145.01250", "145.61250", "88.5", "D023N", "Carrier", "Delete", "Low"};
    for (int c = 1; c <= 7; ++c) t.SetText(1, c, row1[c - 1]);
    const Image before = View().EncodedImage();
    for (CsvLayout layout : {CsvLayout::Community, CsvLayout::Native}) {
        SCOPED_TRACE(std::string(LayoutName(layout)));
        // A name without an extension gets ".csv", as Save As adds ".sin".
        const QString name =
            layout == CsvLayout::Community ? QStringLiteral("out") : QStringLiteral("out.csv");
        ScopedCsvChooser chooser([&](bool, const QString&) { return CsvChoice{PathOf(name), layout}; });
        ExportCsvCommand(Window());
        QFile written(PathOf("out.csv"));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll().toStdString(), ExportCsv(before, layout));
    }
    Window().NewDocument();
    EXPECT_TRUE(Import(PathOf("out.csv"), [](CsvImportDialog& d) { Click(d, Control::Import); }));
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(t.Text(1, c), row1[c - 1]);
    EXPECT_EQ(View().EncodedImage(), before);
}

}  // namespace
}  // namespace pm
