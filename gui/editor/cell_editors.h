#pragma once
// The five in-place editors over the grid and their one cycle: load on EnterCell, open (BeginCellEdit),
// commit on LeaveCell (CommitCellEdit), hide; and the Enter key's walk through a channel.

#include <QComboBox>
#include <QLineEdit>
#include <QObject>

#include <functional>

#include "core/editing/cell_rules.h"
#include "core/editing/enter_walk.h"

namespace pm {

class ChannelGrid;
class ChannelTable;

class CellEditors : public QObject {
    Q_OBJECT

  public:
    /** Room below a list editor's cell for its dropped list, pixels. */
    static constexpr int kDropRoom = 100;

    /** Editors for grid, writing through table; band gives the band list's selection; form is for Tab. */
    CellEditors(ChannelGrid& grid, ChannelTable& table, std::function<int()> band, QWidget* form);

    /** Creates the five editors, hidden, as children of the grid, in font; the tone list gets tones. */
    void Create(const QFont& font, const QStringList& tones);
    /** True once created. */
    [[nodiscard]] bool Created() const { return edit_ != nullptr; }
    /** Empties the text editor and hides all five. */
    void Reset();

    /** Loads the editor of the current cell with its text (EnterCell). */
    void Load();
    /** Opens the editor of the current cell: key 0 by mouse, 13 by Enter, else the typed character. */
    void Begin(int key);
    /** Moves the value of an open editor into the grid with the input checks, then hides it (LeaveCell). */
    void Commit();
    /** Hides an open editor, leaving its cell as it was (Escape). */
    void Cancel();
    /** Commits and closes an open editor, so that none floats over another row (Scroll). */
    void OnScroll();
    /** Commits an open editor and makes the next (forward) or previous cell of columns 1..7 current (Tab);
     * false at either end of the grid. */
    bool StepCell(bool forward);

    /** Handles the Enter key with focus in focus; true when the key was consumed. */
    bool HandleEnter(QWidget* focus);
    /** Makes Enter anywhere in widget (and what it contains) reach HandleEnter. */
    void WatchEnter(QWidget* widget);

    /** The editor of a kind (nullptr for None or before Create). */
    [[nodiscard]] QWidget* Editor(EditorKind kind) const;
    /** The frequency text editor. */
    [[nodiscard]] QLineEdit* TextEditor() const { return edit_; }
    /** The tone list. */
    [[nodiscard]] QComboBox* ToneList() const { return tone_; }
    /** The Busy, Scan or Power list. */
    [[nodiscard]] QComboBox* List(EditorKind kind) const;

  signals:
    /** A value went into the grid from an editor: a commit, or Enter's walk. */
    void CellWritten(int row);
    /** Ctrl+Enter: text (the open editor's, else the current cell's) goes into every selected cell of the
     * current column; the editor has closed without writing. */
    void FillRequested(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    [[nodiscard]] QComboBox* CreateList(const char* name, EditorKind kind, const QFont& font, bool editable);
    [[nodiscard]] QRect PlaceOverCell(int extraHeight) const;
    [[nodiscard]] bool InRange() const;
    void SelectToneForText();
    void ShowMessages(const std::vector<Message>& messages);
    void Step(const EnterStep& step);
    void FocusNextControl(QWidget* from, bool forward = true);
    [[nodiscard]] QWidget* OpenEditor() const;
    [[nodiscard]] bool IsEditorPart(QObject* object) const;

    ChannelGrid& grid_;
    ChannelTable& table_;
    std::function<int()> band_;
    QWidget* form_;
    QLineEdit* edit_ = nullptr;
    QComboBox* tone_ = nullptr;
    QComboBox* busy_ = nullptr;
    QComboBox* scan_ = nullptr;
    QComboBox* power_ = nullptr;
};

}  // namespace pm
