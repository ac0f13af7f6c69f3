#include "gui/editor/cell_editors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

#include "core/image/channel_table.h"
#include "gui/app/message_box.h"
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
    : m_grid(grid), m_table(table), m_band(std::move(band)), m_form(form) {}

QComboBox* CellEditors::CreateList(int id, EditorKind kind, const QFont& font, bool editable) {
    auto* list = new QComboBox(&m_grid);
    list->setObjectName(QStringLiteral("editor%1").arg(id));
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
    m_edit = new QLineEdit(&m_grid);
    m_edit->setObjectName(QStringLiteral("editor%1").arg(kTextEditorId));
    m_edit->setFrame(false);
    m_edit->setAcceptDrops(false);
    m_edit->setFont(font);
    m_edit->hide();
    m_busy = CreateList(kBusyListId, EditorKind::Busy, font, false);
    m_power = CreateList(kPowerListId, EditorKind::Power, font, false);
    m_scan = CreateList(kScanListId, EditorKind::Scan, font, false);
    m_tone = CreateList(kToneListId, EditorKind::Tone, font, true);
    // The app's tone table and the editor entries are the same 263 texts; the app's copy is what is shown.
    if (tones.size() == m_tone->count()) {
        for (int i = 0; i < tones.size(); ++i) m_tone->setItemText(i, tones.at(i));
    }
    connect(m_tone->lineEdit(), &QLineEdit::textEdited, this, [this] { SelectToneForText(); });
}

void CellEditors::Reset() {
    if (!Created()) return;
    m_edit->clear();
    for (QWidget* editor :
         {static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_tone), static_cast<QWidget*>(m_busy),
          static_cast<QWidget*>(m_scan), static_cast<QWidget*>(m_power)}) {
        editor->hide();
    }
}

QWidget* CellEditors::Editor(EditorKind kind) const {
    switch (kind) {
        case EditorKind::Text:
            return m_edit;
        case EditorKind::Tone:
            return m_tone;
        case EditorKind::Busy:
            return m_busy;
        case EditorKind::Scan:
            return m_scan;
        case EditorKind::Power:
            return m_power;
        case EditorKind::None:
            break;
    }
    return nullptr;
}

QComboBox* CellEditors::List(EditorKind kind) const {
    return kind == EditorKind::Text ? nullptr : static_cast<QComboBox*>(Editor(kind));
}

bool CellEditors::InRange() const {
    return m_grid.Row() >= 1 && m_grid.Row() <= kChannelCount && m_grid.Col() >= col::kReceive &&
           m_grid.Col() <= col::kPower;
}

QRect CellEditors::PlaceOverCell(int extraHeight) const {
    // Cell positions come in twips; the editors' pixels are those twips at the screen's logical resolution.
    const int left = m_grid.ToPixelsX(m_grid.CellLeft()) - ChannelGrid::kEdgePixels;
    const int top = m_grid.ToPixelsY(m_grid.CellTop()) - ChannelGrid::kEdgePixels;
    return {left, top, m_grid.ToPixelsX(m_grid.CellWidth()),
            m_grid.ToPixelsY(m_grid.CellHeight()) + extraHeight};
}

void CellEditors::SelectToneForText() {
    // Typed text moves the selection to the entry it names or begins, or to none; the text itself stays.
    QLineEdit* field = m_tone->lineEdit();
    const QString typed = field->text();
    const int cursor = field->cursorPosition();
    m_tone->setCurrentIndex(ToneSelectionForTyped(ToStd(typed)));
    if (field->text() != typed) field->setText(typed);
    field->setCursorPosition(cursor);
}

void CellEditors::ShowMessages(const std::vector<Message>& messages) {
    for (const Message& message : messages) ShowMessage(message, m_form);
}

void CellEditors::Load() {
    if (!Created() || m_grid.Row() == 0) return;
    const EditorKind kind = EditorForColumn(m_grid.Col());
    const QString text = m_grid.Text();
    if (kind == EditorKind::Text) {
        m_edit->setText(text);
    } else if (QComboBox* list = List(kind)) {
        const int index = LoadSelection(kind, ToStd(text));
        list->setCurrentIndex(index);
        if (list->isEditable()) list->setEditText(list->itemText(index));
    }
}

void CellEditors::Begin(int key) {
    if (!Created()) return;
    const EditorKind kind = EditorForColumn(m_grid.Col());
    QWidget* editor = Editor(kind);
    if (!editor) return;
    const bool typed = key != 0 && key != 13;

    QString s;
    if (key < 32) {
        if (kind == EditorKind::Text) m_edit->selectAll();
    } else {
        s = kind == EditorKind::Text ? m_edit->text() : List(kind)->currentText();
        if (key >= '0' && key <= '9') {
            s += QChar(key);
        } else {
            ShowMessage(kMsgPleaseInputNumber, m_form);
        }
        if (kind == EditorKind::Text) {
            m_edit->setText(s);
        } else if (kind == EditorKind::Tone) {
            m_tone->setEditText(s);
        }
    }

    if (kind != EditorKind::Text) {
        // The tone list ends with the typed character in its field and the caret behind it; the
        // selection-only lists cannot take text and keep their selection. The clipboard is not used.
        if (typed && kind == EditorKind::Tone) {
            m_tone->setEditText(CharacterText(key));
            m_tone->lineEdit()->end(false);
            SelectToneForText();
        }
        editor->setGeometry(PlaceOverCell(0));
    } else {
        m_edit->setGeometry(PlaceOverCell(0));
        const QString cell = m_grid.Text();
        if (cell.isEmpty()) {
            m_edit->setText(key < 32 ? QString() : s);
            m_edit->selectAll();
        } else {
            m_edit->setText(cell);
            m_edit->selectAll();
            if (typed) {
                m_edit->setText(CharacterText(key));
                m_edit->selectAll();
            }
        }
        // A typed character leaves the caret behind the text, nothing selected.
        if (typed) m_edit->end(false);
    }

    editor->show();
    editor->raise();
    editor->setFocus();
    // Focus selects a list's whole text, so that typing replaces it.
    if (kind == EditorKind::Tone && !typed) m_tone->lineEdit()->selectAll();
    m_grid.viewport()->repaint();
}

void CellEditors::Commit() {
    if (!Created()) return;
    const int row = m_grid.Row();
    const int col = m_grid.Col();
    if (row == 0 || col == col::kSpare) return;
    const EditorKind kind = EditorForColumn(col);
    QWidget* editor = Editor(kind);
    if (!editor || !editor->isVisible()) return;
    const bool hadFocus = editor->isAncestorOf(QApplication::focusWidget()) || editor->hasFocus();

    if (kind == EditorKind::Text) {
        const FrequencyCheck check = CheckFrequency(ToStd(m_edit->text()), m_band(), EditPath::Commit);
        ShowMessages(check.messages);
        WriteFrequencyResult(m_table, row, col, check.result, EditPath::Commit);
    } else {
        QComboBox* list = List(kind);
        const std::string entry =
            list->currentIndex() < 0 ? std::string() : ToStd(list->itemText(list->currentIndex()));
        if (kind == EditorKind::Tone) {
            CommitToneValue(m_table, row, col, m_grid.RowSel(), m_grid.ColSel(), entry);
        } else {
            CommitListValue(m_table, row, col, entry);
        }
    }
    editor->hide();
    if (hadFocus) m_grid.setFocus();
}

void CellEditors::OnScroll() {
    if (!Created()) return;
    const bool hadFocus = m_edit->hasFocus() || m_scan->hasFocus() || m_power->hasFocus();
    m_edit->hide();
    m_scan->hide();
    m_power->hide();
    if (hadFocus) m_grid.setFocus();
    if (!m_tone->isVisible() && !m_busy->isVisible()) m_grid.Refresh();
}

void CellEditors::FocusNextControl(QWidget* from) {
    // The Tab key's course: the next control of the form that takes the Tab key, skipping from's insides.
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if (from->isAncestorOf(w) || !m_form->isAncestorOf(w) || w->focusProxy()) continue;
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}

void CellEditors::Step(const EnterStep& step) {
    switch (step.move) {
        case EnterMove::Right:
            if (m_grid.Col() < ChannelGrid::kCols - 1) m_grid.SetCol(m_grid.Col() + 1);
            break;
        case EnterMove::NextRow:
            m_grid.SetRow(m_grid.Row() + 1);
            m_grid.SetCol(col::kReceive);
            break;
        case EnterMove::Tab:
            FocusNextControl(&m_grid);
            return;
    }
    if (step.openNext) Begin(13);
}

bool CellEditors::HandleEnter(QWidget* focus) {
    if (!Created() || !focus) return false;
    const int row = m_grid.Row();
    const int col = m_grid.Col();
    // A part of an editor (the tone list's text field) counts as the editor.
    for (QWidget* editor : {static_cast<QWidget*>(m_tone), static_cast<QWidget*>(m_busy),
                            static_cast<QWidget*>(m_scan), static_cast<QWidget*>(m_power)}) {
        if (editor->isAncestorOf(focus)) focus = editor;
    }
    if (focus != m_edit && m_grid.isAncestorOf(focus) && !m_tone->isAncestorOf(focus) && focus != m_tone &&
        focus != m_busy && focus != m_scan && focus != m_power) {
        focus = &m_grid;
    }

    if (focus == &m_grid) {
        const EnterStep step = EnterStepFor(EnterFocus::Grid, row, col);
        if (step.move == EnterMove::Tab) {
            FocusNextControl(&m_grid);
        } else {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(&m_grid, &right);
        }
        return true;
    }
    if (focus == m_edit) {
        const FrequencyCheck check = CheckFrequency(ToStd(m_edit->text()), m_band(), EditPath::Enter);
        ShowMessages(check.messages);
        if (check.stoppedOutOfRange) {
            m_edit->clear();
            m_edit->setFocus();
            return true;
        }
        WriteFrequencyResult(m_table, row, col, check.result, EditPath::Enter);
        m_edit->hide();
        Step(EnterStepFor(EnterFocus::TextEditor, row, col));
        return true;
    }
    if (m_tone->isVisible()) {
        EnterToneValue(m_table, row, col, m_grid.RowSel(), m_grid.ColSel(),
                       ToStd(m_tone->lineEdit()->text()));
        m_tone->hide();
        Step(EnterStepFor(EnterFocus::ToneList, row, col));
        return true;
    }
    if (focus == m_busy || focus == m_scan || focus == m_power) {
        auto* list = static_cast<QComboBox*>(focus);
        const std::string entry =
            list->currentIndex() < 0 ? std::string() : ToStd(list->itemText(list->currentIndex()));
        EnterListValue(m_table, row, col, entry);
        list->hide();
        Step(EnterStepFor(focus == m_power ? EnterFocus::Power : EnterFocus::BusyOrScan, row, col));
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
    if (!IsEnter(event)) return QObject::eventFilter(watched, event);
    // Enter in a dropped editor list takes the highlighted entry, closes the list, and walks on.
    for (QComboBox* list : {m_tone, m_busy, m_scan, m_power}) {
        if (list && watched == list->view()) {
            const QModelIndex highlighted = list->view()->currentIndex();
            if (highlighted.isValid()) list->setCurrentIndex(highlighted.row());
            list->hidePopup();
            return HandleEnter(list);
        }
    }
    // The dropped lists of the form's own lists keep their usual Enter: choose and close.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_form->window()) return QObject::eventFilter(watched, event);
    QWidget* focus = QApplication::focusWidget();
    return HandleEnter(focus ? focus : widget);
}

}  // namespace pm
