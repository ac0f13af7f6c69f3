#include "gui/editor/cell_editors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

#include "core/image/channel_table.h"
#include "gui/common/message_box.h"
#include "gui/editor/channel_grid.h"

namespace pm {
namespace {

std::string ToStd(const QString& text) {
    return text.toStdString();
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QString CharacterText(int key) {
    const char32_t code = static_cast<char32_t>(key);
    return QString::fromUcs4(&code, 1);
}

bool IsEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

CellEditors::CellEditors(ChannelGrid& grid, ChannelTable& table, std::function<int()> band, QWidget* form)
    : grid_(grid), table_(table), band_(std::move(band)), form_(form) {}

QComboBox* CellEditors::CreateList(const char* name, EditorKind kind, const QFont& font, bool editable) {
    auto* list = new QComboBox(&grid_);
    list->setObjectName(QString::fromLatin1(name));
    list->setFont(font);
    list->setEditable(editable);
    if (editable) {
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setCompleter(nullptr);
        list->lineEdit()->setAcceptDrops(false);
    }
    for (const std::string& entry : EditorEntries(kind)) list->addItem(FromStd(entry));
    // The dropped list gets the room below the cell that the editor leaves for it.
    list->setMaxVisibleItems(std::max(3, kDropRoom / std::max(1, QFontMetrics(font).height())));
    list->hide();
    list->view()->installEventFilter(this);
    return list;
}

void CellEditors::Create(const QFont& font, const QStringList& tones) {
    if (Created()) return;
    edit_ = new QLineEdit(&grid_);
    edit_->setObjectName(QStringLiteral("frequencyEditor"));
    edit_->setFrame(false);
    // A thin line of its own, so that the editor shows over an empty cell (after an error message too).
    edit_->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid palette(highlight); padding: 0px; }"));
    edit_->setAcceptDrops(false);
    edit_->setFont(font);
    edit_->hide();
    busy_ = CreateList("busyList", EditorKind::Busy, font, false);
    power_ = CreateList("powerList", EditorKind::Power, font, false);
    scan_ = CreateList("scanList", EditorKind::Scan, font, false);
    tone_ = CreateList("toneList", EditorKind::Tone, font, true);
    // The app's tone table and the editor entries are the same 263 texts; the app's copy is what is shown.
    if (tones.size() == tone_->count()) {
        for (int i = 0; i < tones.size(); ++i) tone_->setItemText(i, tones.at(i));
    }
    connect(tone_->lineEdit(), &QLineEdit::textEdited, this, [this] { SelectToneForText(); });
}

void CellEditors::Reset() {
    if (!Created()) return;
    edit_->clear();
    for (QWidget* editor :
         {static_cast<QWidget*>(edit_), static_cast<QWidget*>(tone_), static_cast<QWidget*>(busy_),
          static_cast<QWidget*>(scan_), static_cast<QWidget*>(power_)}) {
        editor->hide();
    }
}

QWidget* CellEditors::Editor(EditorKind kind) const {
    switch (kind) {
        case EditorKind::Text:
            return edit_;
        case EditorKind::Tone:
            return tone_;
        case EditorKind::Busy:
            return busy_;
        case EditorKind::Scan:
            return scan_;
        case EditorKind::Power:
            return power_;
        case EditorKind::None:
            break;
    }
    return nullptr;
}

QComboBox* CellEditors::List(EditorKind kind) const {
    return kind == EditorKind::Text ? nullptr : static_cast<QComboBox*>(Editor(kind));
}

bool CellEditors::InRange() const {
    return grid_.Row() >= 1 && grid_.Row() <= kChannelCount && grid_.Col() >= col::kReceive &&
           grid_.Col() <= col::kPower;
}

QRect CellEditors::PlaceOverCell(int extraHeight) const {
    // Cell positions come in twips; the editors' pixels are those twips at the screen's logical resolution.
    const int left = grid_.ToPixelsX(grid_.CellLeft()) - ChannelGrid::kEdgePixels;
    const int top = grid_.ToPixelsY(grid_.CellTop()) - ChannelGrid::kEdgePixels;
    return {left, top, grid_.ToPixelsX(grid_.CellWidth()), grid_.ToPixelsY(grid_.CellHeight()) + extraHeight};
}

void CellEditors::SelectToneForText() {
    // Typed text moves the selection to the entry it names or begins, or to none; the text itself stays.
    QLineEdit* field = tone_->lineEdit();
    const QString typed = field->text();
    const int cursor = field->cursorPosition();
    tone_->setCurrentIndex(ToneSelectionForTyped(ToStd(typed)));
    if (field->text() != typed) field->setText(typed);
    field->setCursorPosition(cursor);
}

void CellEditors::ShowMessages(const std::vector<Message>& messages) {
    for (const Message& message : messages) ShowMessage(message, form_);
}

void CellEditors::Load() {
    if (!Created() || grid_.Row() == 0) return;
    const EditorKind kind = EditorForColumn(grid_.Col());
    const QString text = grid_.Text();
    if (kind == EditorKind::Text) {
        edit_->setText(text);
    } else if (QComboBox* list = List(kind)) {
        const int index = LoadSelection(kind, ToStd(text));
        list->setCurrentIndex(index);
        if (list->isEditable()) list->setEditText(list->itemText(index));
    }
}

void CellEditors::Begin(int key) {
    if (!Created()) return;
    const EditorKind kind = EditorForColumn(grid_.Col());
    QWidget* editor = Editor(kind);
    if (!editor) return;
    const bool typed = key != 0 && key != 13;

    QString s;
    if (key < 32) {
        if (kind == EditorKind::Text) edit_->selectAll();
    } else {
        s = kind == EditorKind::Text ? edit_->text() : List(kind)->currentText();
        if (key >= '0' && key <= '9') {
            s += QChar(key);
        } else {
            ShowMessage(kMsgPleaseInputNumber, form_);
        }
        if (kind == EditorKind::Text) {
            edit_->setText(s);
        } else if (kind == EditorKind::Tone) {
            tone_->setEditText(s);
        }
    }

    if (kind != EditorKind::Text) {
        // The tone list ends with the typed character in its field and the caret behind it; the
        // selection-only lists cannot take text and keep their selection. The clipboard is not used.
        if (typed && kind == EditorKind::Tone) {
            tone_->setEditText(CharacterText(key));
            tone_->lineEdit()->end(false);
            SelectToneForText();
        }
        editor->setGeometry(PlaceOverCell(0));
    } else {
        edit_->setGeometry(PlaceOverCell(0));
        const QString cell = grid_.Text();
        if (cell.isEmpty()) {
            edit_->setText(key < 32 ? QString() : s);
            edit_->selectAll();
        } else {
            edit_->setText(cell);
            edit_->selectAll();
            if (typed) {
                edit_->setText(CharacterText(key));
                edit_->selectAll();
            }
        }
        // A typed character leaves the caret behind the text, nothing selected.
        if (typed) edit_->end(false);
    }

    editor->show();
    editor->raise();
    editor->setFocus();
    // Focus selects a list's whole text, so that typing replaces it.
    if (kind == EditorKind::Tone && !typed) tone_->lineEdit()->selectAll();
    grid_.viewport()->repaint();
}

void CellEditors::Commit() {
    if (!Created()) return;
    const int row = grid_.Row();
    const int col = grid_.Col();
    if (row == 0 || col == col::kSpare) return;
    const EditorKind kind = EditorForColumn(col);
    QWidget* editor = Editor(kind);
    if (!editor || !editor->isVisible()) return;
    const bool hadFocus = editor->isAncestorOf(QApplication::focusWidget()) || editor->hasFocus();

    if (kind == EditorKind::Text) {
        const FrequencyCheck check = CheckFrequency(ToStd(edit_->text()), band_(), EditPath::Commit);
        ShowMessages(check.messages);
        WriteFrequencyResult(table_, row, col, check.result, EditPath::Commit);
    } else {
        QComboBox* list = List(kind);
        const std::string entry =
            list->currentIndex() < 0 ? std::string() : ToStd(list->itemText(list->currentIndex()));
        if (kind == EditorKind::Tone) {
            CommitToneValue(table_, row, col, grid_.RowSel(), grid_.ColSel(), entry);
        } else {
            CommitListValue(table_, row, col, entry);
        }
    }
    editor->hide();
    if (hadFocus) grid_.setFocus();
    emit CellWritten(row);
}

QWidget* CellEditors::OpenEditor() const {
    if (!Created()) return nullptr;
    for (QWidget* editor :
         {static_cast<QWidget*>(edit_), static_cast<QWidget*>(tone_), static_cast<QWidget*>(busy_),
          static_cast<QWidget*>(scan_), static_cast<QWidget*>(power_)}) {
        if (editor->isVisible()) return editor;
    }
    return nullptr;
}

bool CellEditors::IsEditorPart(QObject* object) const {
    QWidget* editor = OpenEditor();
    return editor && (object == editor || editor->isAncestorOf(qobject_cast<QWidget*>(object)));
}

void CellEditors::Cancel() {
    QWidget* editor = OpenEditor();
    if (!editor) return;
    const bool hadFocus = editor->isAncestorOf(QApplication::focusWidget()) || editor->hasFocus();
    editor->hide();
    Load();
    if (hadFocus) grid_.setFocus();
}

bool CellEditors::StepCell(bool forward) {
    int row = grid_.Row();
    int col = grid_.Col() + (forward ? 1 : -1);
    if (col > col::kPower) {
        ++row;
        col = col::kReceive;
    } else if (col < col::kReceive) {
        --row;
        col = col::kPower;
    }
    if (row < 1 || row > kChannelCount) return false;
    Commit();
    grid_.GoTo(row, col);
    grid_.setFocus();
    return true;
}

void CellEditors::OnScroll() {
    if (!OpenEditor()) return;
    Commit();
    grid_.Refresh();
}

void CellEditors::FocusNextControl(QWidget* from, bool forward) {
    // The Tab key's course: the next control of the form that takes the Tab key, skipping from's insides.
    const auto next = [forward](QWidget* w) {
        return forward ? w->nextInFocusChain() : w->previousInFocusChain();
    };
    for (QWidget* w = next(from); w && w != from; w = next(w)) {
        if (from->isAncestorOf(w) || !form_->isAncestorOf(w) || w->focusProxy()) continue;
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}

void CellEditors::Step(const EnterStep& step) {
    switch (step.move) {
        case EnterMove::Right:
            if (grid_.Col() < ChannelGrid::kCols - 1) grid_.SetCol(grid_.Col() + 1);
            break;
        case EnterMove::NextRow:
            grid_.SetRow(grid_.Row() + 1);
            grid_.SetCol(col::kReceive);
            break;
        case EnterMove::Tab:
            FocusNextControl(&grid_);
            return;
    }
    if (step.openNext) Begin(13);
}

bool CellEditors::HandleEnter(QWidget* focus) {
    if (!Created() || !focus) return false;
    const int row = grid_.Row();
    const int col = grid_.Col();
    // A part of an editor (the tone list's text field) counts as the editor.
    for (QWidget* editor : {static_cast<QWidget*>(tone_), static_cast<QWidget*>(busy_),
                            static_cast<QWidget*>(scan_), static_cast<QWidget*>(power_)}) {
        if (editor->isAncestorOf(focus)) focus = editor;
    }
    if (focus != edit_ && grid_.isAncestorOf(focus) && !tone_->isAncestorOf(focus) && focus != tone_ &&
        focus != busy_ && focus != scan_ && focus != power_) {
        focus = &grid_;
    }

    if (focus == &grid_) {
        const EnterStep step = EnterStepFor(EnterFocus::Grid, row, col);
        if (step.move == EnterMove::Tab) {
            FocusNextControl(&grid_);
        } else {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(&grid_, &right);
        }
        return true;
    }
    if (focus == edit_) {
        const FrequencyCheck check = CheckFrequency(ToStd(edit_->text()), band_(), EditPath::Enter);
        ShowMessages(check.messages);
        if (check.stoppedOutOfRange) {
            edit_->clear();
            edit_->setFocus();
            return true;
        }
        WriteFrequencyResult(table_, row, col, check.result, EditPath::Enter);
        edit_->hide();
        emit CellWritten(row);
        Step(EnterStepFor(EnterFocus::TextEditor, row, col));
        return true;
    }
    if (tone_->isVisible()) {
        EnterToneValue(table_, row, col, grid_.RowSel(), grid_.ColSel(), ToStd(tone_->lineEdit()->text()));
        tone_->hide();
        emit CellWritten(row);
        Step(EnterStepFor(EnterFocus::ToneList, row, col));
        return true;
    }
    if (focus == busy_ || focus == scan_ || focus == power_) {
        auto* list = static_cast<QComboBox*>(focus);
        const std::string entry =
            list->currentIndex() < 0 ? std::string() : ToStd(list->itemText(list->currentIndex()));
        EnterListValue(table_, row, col, entry);
        list->hide();
        emit CellWritten(row);
        Step(EnterStepFor(focus == power_ ? EnterFocus::Power : EnterFocus::BusyOrScan, row, col));
        return true;
    }
    FocusNextControl(focus);
    return true;
}

void CellEditors::WatchEnter(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool CellEditors::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && Created()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool inGrid = watched == &grid_ || IsEditorPart(watched);
        // Escape in an open editor (not in its dropped list, which closes first) cancels the edit.
        if (key->key() == Qt::Key_Escape && IsEditorPart(watched)) {
            Cancel();
            return true;
        }
        // Tab walks the cells; from either end of the grid it leaves for the form's next control.
        const bool tab =
            key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
        const bool backTab = key->key() == Qt::Key_Backtab ||
                             (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        if (inGrid && (tab || backTab) && !(key->modifiers() & Qt::ControlModifier)) {
            if (!StepCell(tab)) {
                Commit();
                FocusNextControl(&grid_, tab);
            }
            return true;
        }
    }
    if (!IsEnter(event)) return QObject::eventFilter(watched, event);
    if ((static_cast<QKeyEvent*>(event)->modifiers() & Qt::ControlModifier) &&
        (watched == &grid_ || IsEditorPart(watched))) {
        QWidget* open = OpenEditor();
        const QString text = open == edit_     ? edit_->text()
                             : open != nullptr ? static_cast<QComboBox*>(open)->currentText()
                                               : grid_.Text();
        Cancel();
        emit FillRequested(text);
        return true;
    }
    // Enter in a dropped editor list takes the highlighted entry, closes the list, and walks on.
    for (QComboBox* list : {tone_, busy_, scan_, power_}) {
        if (list && watched == list->view()) {
            const QModelIndex highlighted = list->view()->currentIndex();
            if (highlighted.isValid()) list->setCurrentIndex(highlighted.row());
            list->hidePopup();
            return HandleEnter(list);
        }
    }
    // The dropped lists of the form's own lists keep their usual Enter: choose and close.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != form_->window()) return QObject::eventFilter(watched, event);
    QWidget* focus = QApplication::focusWidget();
    return HandleEnter(focus ? focus : widget);
}

}  // namespace pm
