#include "gui/app/edit_commands.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMainWindow>
#include <QMimeData>
#include <QStatusBar>
#include <QUndoCommand>

#include "core/editing/bulk_edit.h"
#include "core/editing/channel_rows.h"
#include "core/editing/clipboard_text.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "gui/app/paste_report_dialog.h"
#include "gui/common/message_box.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"

namespace pm {
namespace {

const QString kCsvMime = QStringLiteral("text/csv");

QString Counted(int n, const QString& one, const QString& many) {
    return n == 1 ? QStringLiteral("1 ") + one : QStringLiteral("%1 ").arg(n) + many;
}

QString Channels(const std::vector<int>& channels) {
    return channels.size() == 1 ? QStringLiteral("Channel %1").arg(channels.front())
                                : Counted(static_cast<int>(channels.size()), {}, QStringLiteral("Channels"));
}

int CellCount(const std::vector<CellRange>& blocks) {
    int n = 0;
    for (const CellRange& b : blocks) n += (b.lastRow - b.firstRow + 1) * (b.lastColumn - b.firstColumn + 1);
    return n;
}

}  // namespace

/** One step: the images before and after; the change itself has been made when the step is pushed. */
class ImageStep : public QUndoCommand {
  public:
    ImageStep(EditCommands& owner, const QString& name, const Image& before, const Image& after)
        : QUndoCommand(name), owner_(owner), before_(before), after_(after) {}
    void undo() override { owner_.Show(before_); }
    void redo() override {
        if (!done_) {
            done_ = true;
            return;
        }
        owner_.Show(after_);
    }

  private:
    EditCommands& owner_;
    Image before_;
    Image after_;
    bool done_ = false;
};

EditCommands::EditCommands(ChannelView& view, QMainWindow& window) : view_(view), window_(window) {
    connect(&view_, &ChannelView::Edited, this, &EditCommands::RecordImageChange);
    shown_ = view_.EncodedImage();
}

EditCommands::~EditCommands() {
    view_.disconnect(this);
}

void EditCommands::Reset() {
    history_.clear();
    shown_ = view_.EncodedImage();
}

void EditCommands::MarkSaved() {
    RecordImageChange(QStringLiteral("Edit"));
    history_.setClean();
}

void EditCommands::RecordImageChange(const QString& name) {
    if (applying_) return;
    Push(name, shown_, view_.EncodedImage());
}

void EditCommands::Push(const QString& name, const Image& before, const Image& after) {
    if (before == after) return;
    auto* step = new ImageStep(*this, name, before, after);  // before may be shown_ itself
    shown_ = after;
    history_.push(step);
}

void EditCommands::Show(const Image& image) {
    applying_ = true;
    view_.ShowImage(image);
    applying_ = false;
    shown_ = view_.EncodedImage();
}

void EditCommands::ChangeImage(const QString& name, const std::function<void(Image&)>& change) {
    view_.CommitCellEdit();
    Image image = view_.EncodedImage();
    const Image start = image;
    change(image);
    if (image == start) return;
    const Image before = shown_;
    applying_ = true;
    view_.ShowImage(image);
    applying_ = false;
    // The step keeps what the grid shows once decoded, not the raw result.
    Push(name, before, view_.EncodedImage());
}

void EditCommands::Status(const QString& text) {
    window_.statusBar()->showMessage(text, 5000);
}

void EditCommands::Undo() {
    view_.CommitCellEdit();
    history_.undo();
}

void EditCommands::Redo() {
    view_.CommitCellEdit();
    history_.redo();
}

bool EditCommands::Copy() {
    view_.CommitCellEdit();
    const ChannelGrid& grid = view_.Grid();
    auto data = std::make_unique<QMimeData>();
    if (grid.WholeRowsSelected()) {
        const std::vector<int> channels = grid.SelectedChannels();
        data->setText(QString::fromStdString(RowsToTsv(view_.Table(), channels)));
        data->setData(kCsvMime, QByteArray::fromStdString(RowsToCsv(view_.Table(), view_.Lists(), channels)));
    } else {
        const std::vector<CellRange> blocks = grid.SelectedBlocks();
        if (blocks.size() != 1) {
            Status(QStringLiteral("Copy takes one block of cells, or whole channels"));
            return false;
        }
        data->setText(QString::fromStdString(RangeToTsv(view_.Table(), blocks.front())));
    }
    QApplication::clipboard()->setMimeData(data.release());
    return true;
}

void EditCommands::Cut() {
    if (Copy()) ClearSelection(QStringLiteral("Cut"));
}

void EditCommands::ClearCells() {
    ClearSelection(QStringLiteral("Clear"));
}

void EditCommands::ClearSelection(const QString& verb) {
    view_.CommitCellEdit();
    const ChannelGrid& grid = view_.Grid();
    if (grid.WholeRowsSelected()) {
        const std::vector<int> channels = grid.SelectedChannels();
        ChangeImage(verb + QLatin1Char(' ') + Channels(channels),
                    [&](Image& image) { pm::ClearChannels(image, channels); });
        return;
    }
    const std::vector<CellRange> blocks = grid.SelectedBlocks();
    ChangeImage(
        verb + QLatin1Char(' ') + Counted(CellCount(blocks), QStringLiteral("Cell"), QStringLiteral("Cells")),
        [&](Image& image) {
            // An empty value through the editor's checks: the cell-clearing rules of each column.
            EditorState state = DecodeToState(image);
            const int band = state.lists.Selected(Setting::Field) == 1 ? 1 : 0;
            for (const CellRange& b : blocks) {
                PastedCells blank;
                blank.rows.assign(
                    static_cast<std::size_t>(b.lastRow - b.firstRow + 1),
                    std::vector<std::string>(static_cast<std::size_t>(b.lastColumn - b.firstColumn + 1)));
                (void)PasteCells(state.table, blank, b.firstRow, b.firstColumn, band);
            }
            EncodeImage(state.table, state.lists, image);
        });
}

void EditCommands::Paste() {
    view_.CommitCellEdit();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    // The tab-separated text keeps empty channels in their places; the CSV form leaves them out.
    QString text;
    if (data && data->hasText()) {
        text = data->text();
    } else if (data && data->hasFormat(kCsvMime)) {
        text = QString::fromUtf8(data->data(kCsvMime));
    }
    const std::string pasted = text.toStdString();
    const PastedCells cells = ReadPastedText(pasted);
    ChannelGrid& grid = view_.Grid();
    const std::vector<CellRange> blocks = grid.SelectedBlocks();
    // One value over a selection of cells (not whole channels, which span every column) fills it.
    if (cells.error.empty() && !cells.wholeRows && cells.rows.size() == 1 && cells.rows[0].size() == 1 &&
        CellCount(blocks) > 1 && !grid.WholeRowsSelected()) {
        FillSelection(QString::fromStdString(cells.rows[0][0]), false);
        return;
    }
    const int row = grid.SelectedChannels().front();
    int column = grid.Col();
    for (const CellRange& b : blocks) column = std::min(column, b.firstColumn);

    int size = 0;
    for (const auto& r : cells.rows) size += static_cast<int>(r.size());
    const int rows = static_cast<int>(cells.rows.size());
    const QString name =
        cells.wholeRows
            ? QStringLiteral("Paste ") + Counted(rows, QStringLiteral("Channel"), QStringLiteral("Channels"))
            : QStringLiteral("Paste ") + Counted(size, QStringLiteral("Cell"), QStringLiteral("Cells"));
    // Everything is read and checked first: a paste that would refuse values asks before it changes any.
    const PasteResult result = PasteText(view_.EncodedImage(), pasted, row, column);
    const pm::PasteReport& report = result.report;
    if (!report.error.empty()) {
        ShowMessage(
            Message{"Nothing was pasted: " + report.error + ".", kAppTitle, Buttons::Ok, Icon::Warning},
            &window_);
        return;
    }
    if (!report.refused.empty() && !ConfirmPaste(report, &window_)) {
        Status(QStringLiteral("Paste cancelled: nothing changed"));
        return;
    }
    ChangeImage(name, [&](Image& image) { image = result.image; });
    if (cells.wholeRows) {
        std::vector<int> pastedRows;
        for (int ch = row; ch < row + rows && ch <= kChannelCount; ++ch) pastedRows.push_back(ch);
        grid.SelectChannels(pastedRows);
    }
    Status(Counted(report.cellsWritten, QStringLiteral("cell"), QStringLiteral("cells")) +
           QStringLiteral(" pasted"));
}

void EditCommands::ChangeChecked(const QString& name, const std::function<PasteReport(Image&)>& change,
                                 const QString& done) {
    view_.CommitCellEdit();
    Image image = view_.EncodedImage();
    const PasteReport report = change(image);
    if (!report.refused.empty() && !ConfirmPaste(report, &window_)) {
        Status(name + QStringLiteral(" cancelled: nothing changed"));
        return;
    }
    ChangeImage(name, [&](Image& current) { current = image; });
    Status(Counted(report.cellsWritten, QStringLiteral("cell"), QStringLiteral("cells")) + done);
}

void EditCommands::FillSelection(const QString& text, bool currentColumn) {
    view_.CommitCellEdit();
    std::vector<CellRange> blocks = view_.Grid().SelectedBlocks();
    if (currentColumn) {
        const int column = view_.Grid().Col();
        std::erase_if(blocks, [column](const CellRange& b) {
            return column < std::min(b.firstColumn, b.lastColumn) ||
                   column > std::max(b.firstColumn, b.lastColumn);
        });
        for (CellRange& b : blocks) b.firstColumn = b.lastColumn = column;
    }
    ChangeChecked(
        QStringLiteral("Fill ") + Counted(CellCount(blocks), QStringLiteral("Cell"), QStringLiteral("Cells")),
        [&](Image& image) {
            EditorState state = DecodeToState(image);
            const PasteReport report = FillCells(state.table, blocks, text.toStdString(),
                                                 state.lists.Selected(Setting::Field) == 1 ? 1 : 0);
            EncodeImage(state.table, state.lists, image);
            return report;
        },
        QStringLiteral(" filled"));
}

void EditCommands::FillDown() {
    view_.CommitCellEdit();
    const std::vector<CellRange> blocks = view_.Grid().SelectedBlocks();
    ChangeChecked(
        QStringLiteral("Fill Down"),
        [&](Image& image) {
            EditorState state = DecodeToState(image);
            const PasteReport report =
                pm::FillDown(state.table, blocks, state.lists.Selected(Setting::Field) == 1 ? 1 : 0);
            EncodeImage(state.table, state.lists, image);
            return report;
        },
        QStringLiteral(" filled"));
}

void EditCommands::ClearChannels() {
    const std::vector<int> channels = view_.Grid().SelectedChannels();
    ChangeImage(QStringLiteral("Clear ") + Channels(channels),
                [&](Image& image) { pm::ClearChannels(image, channels); });
}

void EditCommands::InsertChannel() {
    view_.CommitCellEdit();
    const int at = view_.Grid().SelectedChannels().front();
    if (InsertDropsData(view_.EncodedImage()) && ShowMessage(kMsgInsertDropsLast, &window_) != Answer::Ok)
        return;
    ChangeImage(QStringLiteral("Insert Empty Channel"),
                [&](Image& image) { (void)pm::InsertChannel(image, at); });
    view_.Grid().SelectChannels({at});
}

void EditCommands::DeleteChannels() {
    const std::vector<int> channels = view_.Grid().SelectedChannels();
    ChangeImage(QStringLiteral("Delete ") + Channels(channels),
                [&](Image& image) { pm::DeleteChannels(image, channels); });
    view_.Grid().SelectChannels({channels.front()});
}

void EditCommands::MoveUp() {
    std::vector<int> channels = view_.Grid().SelectedChannels();
    const QString name = QStringLiteral("Move ") + Channels(channels) + QStringLiteral(" Up");
    ChangeImage(name, [&](Image& image) { channels = MoveChannelsUp(image, channels); });
    view_.Grid().SelectChannels(channels);
}

void EditCommands::MoveDown() {
    std::vector<int> channels = view_.Grid().SelectedChannels();
    const QString name = QStringLiteral("Move ") + Channels(channels) + QStringLiteral(" Down");
    ChangeImage(name, [&](Image& image) { channels = MoveChannelsDown(image, channels); });
    view_.Grid().SelectChannels(channels);
}

void EditCommands::SortByReceive() {
    ChangeImage(QStringLiteral("Sort by Receive Frequency"),
                [](Image& image) { SortChannelsByReceive(image); });
}

void EditCommands::GoToChannel() {
    view_.CommitCellEdit();
    ChannelGrid& grid = view_.Grid();
    QInputDialog dialog(&window_);
    dialog.setObjectName(QStringLiteral("goToChannel"));
    dialog.setWindowTitle(QStringLiteral("Go to Channel"));
    dialog.setLabelText(QStringLiteral("Channel (1 to 80):"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, kChannelCount);
    dialog.setIntValue(grid.Row());
    if (dialog.exec() != QDialog::Accepted) return;
    grid.GoTo(dialog.intValue(), std::min(grid.Col(), static_cast<int>(col::kPower)));
    grid.setFocus();
}

}  // namespace pm
