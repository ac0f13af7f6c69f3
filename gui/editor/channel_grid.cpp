#include "gui/editor/channel_grid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include <algorithm>
#include <cmath>

namespace pm {
namespace {

// Pixels to twips rounded away from zero, so that truncating twips * dpi / 1440 gives px back exactly.
int PixelsToTwips(int px, int dpi) {
    if (dpi <= 0) dpi = 96;
    const long long scaled = static_cast<long long>(px) * 1440;
    const long long magnitude = (std::llabs(scaled) + dpi - 1) / dpi;
    return static_cast<int>(scaled < 0 ? -magnitude : magnitude);
}

int TwipsToPixels(int twips, int dpi) {
    if (dpi <= 0) dpi = 96;
    return static_cast<int>(static_cast<long long>(twips) * dpi / 1440);
}

Qt::Alignment AlignmentOf(int value) {
    static constexpr Qt::Alignment kHorizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static constexpr Qt::Alignment kVertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    if (value < 0 || value > 8) return Qt::AlignLeft | Qt::AlignVCenter;  // general
    return kHorizontal[value / 3] | kVertical[value % 3];
}

}  // namespace

ChannelGrid::ChannelGrid(QWidget* parent) : QTableWidget(kRows - 1, kCols - 1, parent) {
    alignment_.fill(Qt::AlignLeft | Qt::AlignVCenter);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    setFont(font);
    // Headers take the platform's header font unless told otherwise; the grid has one font throughout.
    horizontalHeader()->setFont(font);
    verticalHeader()->setFont(font);

    // Cells, blocks and whole rows (by their numbers) are selected the usual way: Shift extends, Ctrl adds.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);  // Tab leaves the grid for the next control of the form
    setWordWrap(false);
    setCornerButtonEnabled(false);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsClickable(true);
        header->setHighlightSections(true);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    setContextMenuPolicy(Qt::CustomContextMenu);
    verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(verticalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        emit customContextMenuRequested(viewport()->mapFromGlobal(verticalHeader()->mapToGlobal(at)));
    });
    verticalHeader()->setDefaultAlignment(alignment_[0]);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    // Heading and number cells start empty; the view writes them.
    for (int c = 1; c < kCols; ++c) setHorizontalHeaderItem(c - 1, new QTableWidgetItem());
    for (int r = 1; r < kRows; ++r) setVerticalHeaderItem(r - 1, new QTableWidgetItem());
    for (int r = 1; r < kRows; ++r) {
        for (int c = 1; c < kCols; ++c) {
            auto* item = new QTableWidgetItem();
            item->setTextAlignment(alignment_[static_cast<std::size_t>(c)]);
            setItem(r - 1, c - 1, item);
        }
    }

    // The default sizes come from the font: a frequency heading fits 1.2 default widths.
    const QFontMetrics metrics(font);
    const int headingWidth =
        metrics.horizontalAdvance(QStringLiteral("Transmit(MHz)")) + 2 * metrics.averageCharWidth();
    horizontalHeader()->setDefaultSectionSize(static_cast<int>(std::ceil(headingWidth / 1.2)));
    verticalHeader()->setDefaultSectionSize(metrics.height() + 8);

    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->setFont(font);
        corner->installEventFilter(this);
    }
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit Scroll(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit Scroll(); });

    selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
        if (ranges.size() > 1 ||
            (ranges.size() == 1 && ranges.front().rowCount() * ranges.front().columnCount() > 1))
            emit RangeSelected();
    });
}

bool ChannelGrid::IsCell(int row, int col) const {
    return row >= 0 && row < kRows && col >= 0 && col < kCols;
}

QTableWidgetItem* ChannelGrid::DataItem(int row, int col) const {
    if (row < 1 || col < 1 || !IsCell(row, col)) return nullptr;
    return item(row - 1, col - 1);
}

QString ChannelGrid::Text() const {
    return TextMatrix(row_, col_);
}

void ChannelGrid::SetText(const QString& text) {
    SetTextMatrix(row_, col_, text);
}

void ChannelGrid::MoveTo(int row, int col) {
    if (row < 1 || col < 1 || !IsCell(row, col)) return;
    // Through the view, so that Shift with the arrow keys extends the selection from here.
    moving_ = true;
    setCurrentIndex(model()->index(row - 1, col - 1));
    moving_ = false;
}

QItemSelectionModel::SelectionFlags ChannelGrid::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    // A move made by the program starts a new selection, whatever keys are held meanwhile.
    if (moving_) return QItemSelectionModel::ClearAndSelect;
    return QTableWidget::selectionCommand(index, event);
}

void ChannelGrid::SetRow(int row) {
    MoveTo(row, col_);
}

void ChannelGrid::SetCol(int col) {
    MoveTo(row_, col);
}

int ChannelGrid::RowSel() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.isEmpty() ? row_ : ranges.constLast().bottomRow() + 1;
}

int ChannelGrid::ColSel() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return ranges.isEmpty() ? col_ : ranges.constLast().rightColumn() + 1;
}

QRect ChannelGrid::CellRect(int row, int col) const {
    if (row < 1 || col < 1 || !IsCell(row, col)) return {};
    // The cell inside its grid lines, so that an editor laid over it leaves the lines standing.
    return visualRect(model()->index(row - 1, col - 1)).translated(viewport()->geometry().topLeft());
}

int ChannelGrid::CellLeft() const {
    return ToTwipsX(CellRect(row_, col_).x() + kEdgePixels);
}

int ChannelGrid::CellTop() const {
    return ToTwipsY(CellRect(row_, col_).y() + kEdgePixels);
}

int ChannelGrid::CellWidth() const {
    return ToTwipsX(CellRect(row_, col_).width());
}

int ChannelGrid::CellHeight() const {
    return ToTwipsY(CellRect(row_, col_).height());
}

int ChannelGrid::ToTwipsX(int px) const {
    return PixelsToTwips(px, logicalDpiX());
}

int ChannelGrid::ToTwipsY(int px) const {
    return PixelsToTwips(px, logicalDpiY());
}

int ChannelGrid::ToPixelsX(int twips) const {
    return TwipsToPixels(twips, logicalDpiX());
}

int ChannelGrid::ToPixelsY(int twips) const {
    return TwipsToPixels(twips, logicalDpiY());
}

void ChannelGrid::SetColAlignment(int col, int alignment) {
    if (!IsCell(0, col)) return;
    alignment_[static_cast<std::size_t>(col)] = AlignmentOf(alignment);
    if (col == 0) {
        verticalHeader()->setDefaultAlignment(alignment_[0]);
        return;
    }
    for (int r = 1; r < kRows; ++r)
        DataItem(r, col)->setTextAlignment(alignment_[static_cast<std::size_t>(col)]);
}

int ChannelGrid::ColWidth(int col) const {
    if (!IsCell(0, col)) return 0;
    return ToTwipsX(col == 0 ? verticalHeader()->width() : columnWidth(col - 1));
}

void ChannelGrid::SetColWidth(int col, int twips) {
    if (!IsCell(0, col) || twips < 0) return;
    const int px = ToPixelsX(twips);
    if (col == 0) {
        verticalHeader()->setFixedWidth(px);
    } else {
        setColumnWidth(col - 1, px);
    }
}

int ChannelGrid::RowHeight(int row) const {
    if (!IsCell(row, 0)) return 0;
    return ToTwipsY(row == 0 ? horizontalHeader()->height() : rowHeight(row - 1));
}

void ChannelGrid::SetRowHeight(int row, int twips) {
    if (!IsCell(row, 0) || twips < 0) return;
    const int px = ToPixelsY(twips);
    if (row == 0) {
        horizontalHeader()->setFixedHeight(px);
    } else {
        setRowHeight(row - 1, px);
    }
}

QString ChannelGrid::TextMatrix(int row, int col) const {
    if (!IsCell(row, col)) return {};
    if (row == 0 && col == 0) return corner_;
    if (row == 0) return horizontalHeaderItem(col - 1)->text();
    if (col == 0) return verticalHeaderItem(row - 1)->text();
    return DataItem(row, col)->text();
}

void ChannelGrid::SetTextMatrix(int row, int col, const QString& text) {
    if (!IsCell(row, col)) return;
    if (row == 0 && col == 0) {
        corner_ = text;
        if (auto* corner = findChild<QAbstractButton*>()) corner->update();
    } else if (row == 0) {
        horizontalHeaderItem(col - 1)->setText(text);
    } else if (col == 0) {
        verticalHeaderItem(row - 1)->setText(text);
    } else {
        DataItem(row, col)->setText(text);
    }
}

std::vector<int> ChannelGrid::SelectedChannels() const {
    std::vector<bool> picked(kRows, false);
    for (const QTableWidgetSelectionRange& range : selectedRanges()) {
        for (int r = range.topRow(); r <= range.bottomRow(); ++r)
            picked[static_cast<std::size_t>(r + 1)] = true;
    }
    std::vector<int> channels;
    for (int r = 1; r < kRows; ++r) {
        if (picked[static_cast<std::size_t>(r)]) channels.push_back(r);
    }
    if (channels.empty()) channels.push_back(row_);
    return channels;
}

bool ChannelGrid::WholeRowsSelected() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    return !ranges.isEmpty() && std::all_of(ranges.begin(), ranges.end(), [this](const auto& range) {
        return range.leftColumn() == 0 && range.rightColumn() == columnCount() - 1;
    });
}

std::vector<CellRange> ChannelGrid::SelectedBlocks() const {
    std::vector<CellRange> blocks;
    for (const QTableWidgetSelectionRange& range : selectedRanges()) {
        const int left = range.leftColumn() + 1;
        const int right = std::min(range.rightColumn() + 1, kCols - 2);
        if (left > right) continue;
        blocks.push_back({range.topRow() + 1, range.bottomRow() + 1, left, right});
    }
    if (blocks.empty() && col_ <= kCols - 2) blocks.push_back({row_, row_, col_, col_});
    return blocks;
}

void ChannelGrid::SelectChannels(const std::vector<int>& channels) {
    if (channels.empty()) return;
    GoTo(channels.front(), col_);
    QItemSelection selection;
    for (int ch : channels) {
        if (ch < 1 || ch >= kRows) continue;
        selection.select(model()->index(ch - 1, 0), model()->index(ch - 1, kCols - 2));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ChannelGrid::GoTo(int row, int col) {
    MoveTo(row, col);
    scrollTo(model()->index(row_ - 1, col_ - 1));
}

void ChannelGrid::Refresh() {
    viewport()->update();
}

void ChannelGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (current.isValid() && (current.row() + 1 != row_ || current.column() + 1 != col_)) {
        // Leave is raised while Row and Col still name the old cell, Enter once they name the new one.
        emit LeaveCell();
        row_ = current.row() + 1;
        col_ = current.column() + 1;
        emit EnterCell();
    }
    QTableWidget::currentChanged(current, previous);
}

void ChannelGrid::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127) {
        // A typed character opens an editor; it must never start the table's own search.
        const QList<uint> codes = text.toUcs4();
        emit KeyPress(codes.isEmpty() ? 0 : static_cast<int>(codes.constFirst()));
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void ChannelGrid::mousePressEvent(QMouseEvent* event) {
    // The press first makes the pressed cell current, so an editor opens where the user clicked.
    QTableWidget::mousePressEvent(event);
    int button = 0;
    switch (event->button()) {
        case Qt::LeftButton:
            button = 1;
            break;
        case Qt::RightButton:
            button = 2;
            break;
        case Qt::MiddleButton:
            button = 4;
            break;
        default:
            break;
    }
    int shift = 0;
    if (event->modifiers() & Qt::ShiftModifier) shift |= 1;
    if (event->modifiers() & Qt::ControlModifier) shift |= 2;
    if (event->modifiers() & Qt::AltModifier) shift |= 4;
    const QPoint at = event->position().toPoint() + viewport()->pos();
    emit MouseDown(button, shift, ToTwipsX(at.x()), ToTwipsY(at.y()));
}

void ChannelGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

bool ChannelGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == findChild<QAbstractButton*>()) {
        PaintCorner(static_cast<QWidget*>(watched));
        return true;
    }
    return QTableWidget::eventFilter(watched, event);
}

void ChannelGrid::PaintCorner(QWidget* corner) {
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.state = QStyle::State_Enabled | QStyle::State_Raised;
    option.palette.setCurrentColorGroup(QPalette::Active);  // the corner takes no clicks but is not greyed
    option.rect = corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = corner_;
    option.textAlignment = alignment_[0];
    QPainter painter(corner);
    corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
}

}  // namespace pm
