#pragma once
// Undo and redo of every change to the document, and the commands on channel rows and the clipboard.
// A step is a pair of whole images, as the view encodes them before and after the change, so bytes
// that nothing shows come back with an undo too; undoing decodes the older image into the view.

#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include <functional>
#include <vector>

#include "core/image/memory_image.h"
#include "gui/app/paste_report_dialog.h"

class QMainWindow;

namespace pm {

class ChannelView;

class EditCommands : public QObject {
    Q_OBJECT

  public:
    /** Commands over view's grid; window hosts their dialogs and status messages. */
    EditCommands(ChannelView& view, QMainWindow& window);
    ~EditCommands() override;

    /** The history of steps. */
    [[nodiscard]] QUndoStack& History() { return history_; }
    /** Starts an empty history from what the view shows now (New, Open). */
    void Reset();
    /** Records what the view shows as the saved state. */
    void MarkSaved();
    /** Records every change since the last step as one step named name (no step when nothing changed). */
    void RecordImageChange(const QString& name);
    /**
     * Changes a copy of the image as change says; when it refuses values, the report asks first (Apply or
     * Cancel). Then the result is one step named name, and the status bar counts the cells with done.
     */
    void ChangeChecked(const QString& name, const std::function<PasteReport(Image&)>& change,
                       const QString& done);

  public slots:
    /** Undoes the last step (an open editor is committed first, as a step of its own). */
    void Undo();
    /** Redoes the step undone last. */
    void Redo();
    /** Copies the selection, then empties it. */
    void Cut();
    /** Copies the selection: tab-separated text with headings, and whole channels also as text/csv. */
    bool Copy();
    /** Pastes the clipboard at the selection's first cell, or from its first channel for whole channels. */
    void Paste();
    /** Writes text into every selected cell (of the current column only with currentColumn), one step. */
    void FillSelection(const QString& text, bool currentColumn);
    /** Copies the top cell of the selection down each of its columns, one step. */
    void FillDown();
    /** Empties the selected cells by the cell-clearing rules; whole selected channels are cleared. */
    void ClearCells();
    /** Empties the selected channels. */
    void ClearChannels();
    /** Opens an empty channel at the first selected one; asks first when channel 80 would be lost. */
    void InsertChannel();
    /** Removes the selected channels; the channels below move up. */
    void DeleteChannels();
    /** Moves the selected channels up one place. */
    void MoveUp();
    /** Moves the selected channels down one place. */
    void MoveDown();
    /** Sorts the channels by receive frequency, empty ones last. */
    void SortByReceive();
    /** Asks for a channel number and makes it current. */
    void GoToChannel();

  private:
    friend class ImageStep;
    void ChangeImage(const QString& name, const std::function<void(Image&)>& change);
    void Push(const QString& name, const Image& before, const Image& after);
    void Show(const Image& image);
    void ClearSelection(const QString& verb);
    void Status(const QString& text);

    ChannelView& view_;
    QMainWindow& window_;
    QUndoStack history_;
    Image shown_{};  // the image of the last step: the "before" of the next one
    bool applying_ = false;
};

}  // namespace pm
