#pragma once
// The channel grid: a Qt table with the operations and notifications the editor relies on. Indices
// count the fixed heading row 0 and the fixed number column 0, as the editor's rules do; sizes and
// positions are in twips.

#include <QTableWidget>

#include <array>
#include <vector>

#include "core/editing/clipboard_text.h"

namespace pm {

class ChannelGrid : public QTableWidget {
    Q_OBJECT

  public:
    /** 81 rows and 9 columns, one fixed row and one fixed column, current cell (1, 1). */
    explicit ChannelGrid(QWidget* parent = nullptr);

    /** Number of rows and columns, fixed ones included. */
    static constexpr int kRows = 81;
    static constexpr int kCols = 9;
    /** Cell positions count from this many pixels above and left of where child windows are placed. */
    static constexpr int kEdgePixels = 3;

    /** Text of the current cell. */
    [[nodiscard]] QString Text() const;
    /** Replaces the text of the current cell only. */
    void SetText(const QString& text);

    /** Current row (1..80). */
    [[nodiscard]] int Row() const { return row_; }
    /** Makes row current in the current column, raising LeaveCell and EnterCell. */
    void SetRow(int row);
    /** Current column (1..8). */
    [[nodiscard]] int Col() const { return col_; }
    /** Makes column current in the current row, raising LeaveCell and EnterCell. */
    void SetCol(int col);
    /** Row at the end of the selection. */
    [[nodiscard]] int RowSel() const;
    /** Column at the end of the selection. */
    [[nodiscard]] int ColSel() const;

    /** Left of the current cell, twips. */
    [[nodiscard]] int CellLeft() const;
    /** Top of the current cell, twips. */
    [[nodiscard]] int CellTop() const;
    /** Width of the current cell, twips. */
    [[nodiscard]] int CellWidth() const;
    /** Height of the current cell, twips. */
    [[nodiscard]] int CellHeight() const;

    /** Alignment of a column's cells: 0..8 (left/centre/right by top/centre/bottom), 9 general. */
    void SetColAlignment(int col, int alignment);
    /** Width of column col, twips. */
    [[nodiscard]] int ColWidth(int col) const;
    /** Sets the width of column col, twips. */
    void SetColWidth(int col, int twips);
    /** Height of row row, twips. */
    [[nodiscard]] int RowHeight(int row) const;
    /** Sets the height of row row, twips. */
    void SetRowHeight(int row, int twips);

    /** Text of any cell, fixed ones included. */
    [[nodiscard]] QString TextMatrix(int row, int col) const;
    /** Replaces the text of any cell, fixed ones included. */
    void SetTextMatrix(int row, int col, const QString& text);

    /** Repaints the visible cells. */
    void Refresh();

    /** Pixels to twips for this grid's screen, so that the twips-to-pixels conversion gives px back. */
    [[nodiscard]] int ToTwipsX(int px) const;
    [[nodiscard]] int ToTwipsY(int px) const;
    /** Twips to pixels as the editor places its windows: truncated toward zero. */
    [[nodiscard]] int ToPixelsX(int twips) const;
    [[nodiscard]] int ToPixelsY(int twips) const;

    /** Geometry of cell (row >= 1, col >= 1) inside its grid lines, in this widget's coordinates, pixels. */
    [[nodiscard]] QRect CellRect(int row, int col) const;

    /** Channels with a selected cell, ascending; the current row when nothing is selected. */
    [[nodiscard]] std::vector<int> SelectedChannels() const;
    /** True when the selection is whole rows (picked by their numbers) and nothing else. */
    [[nodiscard]] bool WholeRowsSelected() const;
    /** Selected cells of columns 1..7 as blocks, in selection order; the current cell when none. */
    [[nodiscard]] std::vector<CellRange> SelectedBlocks() const;
    /** Selects channels (whole rows) and makes the first current. */
    void SelectChannels(const std::vector<int>& channels);
    /** Makes (row, col) current and scrolls it into view. */
    void GoTo(int row, int col);

  signals:
    /** A cell was double-clicked. */
    void DblClick();
    /** The current cell has just become current; Row and Col name it. */
    void EnterCell();
    /** The current cell is about to change; Row and Col still name it. */
    void LeaveCell();
    /** A character was typed while the grid had the keyboard focus. */
    void KeyPress(int character);
    /** A mouse button was pressed: button 1 left, 2 right, 4 middle; shift bits 1 Shift, 2 Ctrl, 4 Alt;
     * twips. */
    void MouseDown(int button, int shift, int x, int y);
    /** The visible part of the grid has scrolled. */
    void Scroll();
    /** The selection now covers more than one cell. */
    void RangeSelected();

  protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void MoveTo(int row, int col);
    [[nodiscard]] bool IsCell(int row, int col) const;
    [[nodiscard]] QTableWidgetItem* DataItem(int row, int col) const;
    void PaintCorner(QWidget* corner);

    bool moving_ = false;
    int row_ = 1;
    int col_ = 1;
    QString corner_;
    std::array<Qt::Alignment, kCols> alignment_{};
};

}  // namespace pm
