#include "gui/editor/channel_view.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "gui/common/message_box.h"
#include "gui/common/resources.h"
#include "gui/editor/cell_editors.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/tool_tips.h"
#include "gui/common/dialog_units.h"

namespace pm {
namespace {

// The form's template: 387 x 273 dialog units; the grid sits at 15, 76 and is 358 x 185.
constexpr int kFormWidth = 387;
constexpr int kFormHeight = 273;
constexpr QRect kGridRect(15, 76, 358, 185);

struct ListPlace {
    Setting setting;
    QRect label;  // dialog units
    QRect list;   // dialog units; the height includes the dropped list
};

// In template order, which is also the order of the Tab key.
constexpr std::array<ListPlace, kAllSettings.size()> kPlaces = {{
    {Setting::TxTotalTime, QRect(129, 39, 53, 8), QRect(186, 37, 53, 52)},
    {Setting::Warning, QRect(18, 39, 28, 8), QRect(49, 37, 63, 52)},
    {Setting::Squelch, QRect(139, 21, 43, 8), QRect(186, 18, 53, 52)},
    {Setting::TxPowerRank, QRect(125, 63, 48, 8), QRect(177, 62, 53, 52)},
    {Setting::NarrowWide, QRect(263, 21, 15, 8), QRect(285, 18, 53, 52)},
    {Setting::BatterySave, QRect(244, 62, 38, 8), QRect(288, 61, 56, 41)},
    {Setting::Field, QRect(30, 21, 16, 8), QRect(49, 18, 63, 58)},
}};

// Column widths as multiples of the default width of column 2.
constexpr std::array<double, 9> kWidthFactors = {0.4,       1.2,       1.2,   5.0 / 6.0, 5.0 / 6.0,
                                                 5.0 / 7.0, 5.0 / 7.0, 0.625, 2.0 / 3.0};

QFont FormFont() {
    return QFont(QStringLiteral("Times New Roman"), 8);
}

std::size_t Index(Setting s) {
    return static_cast<std::size_t>(s);
}

}  // namespace

ChannelView::ChannelView(Image& image, QStringList toneTable, QWidget* parent)
    : QWidget(parent),
      image_(image),
      toneTable_(std::move(toneTable)),
      grid_((EnsureAppResources(), new ChannelGrid(this))),
      table_(*grid_),
      lists_(combos_) {
    setFont(FormFont());
    units_ = std::make_unique<DialogUnits>(font());
    CreateControls();
    setMouseTracking(true);
    WatchForHints(this);

    editors_ = std::make_unique<CellEditors>(
        *grid_, table_, [this] { return List(Setting::Field)->currentIndex(); }, this);
    connect(grid_, &ChannelGrid::DblClick, this, [this] {
        if (CurrentCellEditable()) BeginCellEdit(0);
    });
    connect(grid_, &ChannelGrid::MouseDown, this, [this](int button, int shift, int, int) {
        // Shift and Ctrl clicks select; they open no editor.
        if (button != 2 && (shift & 3) == 0 && CurrentCellEditable()) BeginCellEdit(0);
    });
    connect(grid_, &ChannelGrid::KeyPress, this, [this](int key) {
        // A key never opens the Scan list; a double-click does.
        if (CurrentCellEditable() && grid_->Col() != col::kScan) BeginCellEdit(key);
    });
    connect(grid_, &ChannelGrid::EnterCell, this, [this] { editors_->Load(); });
    connect(grid_, &ChannelGrid::LeaveCell, this, &ChannelView::CommitCellEdit);
    connect(grid_, &ChannelGrid::Scroll, this, [this] { editors_->OnScroll(); });
    connect(grid_, &ChannelGrid::RangeSelected, this, [this] { editors_->Commit(); });
    connect(editors_.get(), &CellEditors::CellWritten, this,
            [this](int row) { emit Edited(QStringLiteral("Edit Channel %1").arg(row)); });
    connect(editors_.get(), &CellEditors::FillRequested, this, &ChannelView::FillRequested);
}

ChannelView::~ChannelView() {
    // The grid outlives the editors' owner by a moment; nothing it says then may reach them.
    grid_->disconnect(this);
}

void ChannelView::CreateControls() {
    channelLabel_ = new QLabel(QStringLiteral("Channel："), this);
    group_ = new QGroupBox(QStringLiteral("Function Setting"), this);
    for (const ListPlace& place : kPlaces) {
        const SettingInfo& info = Info(place.setting);
        auto* label =
            new QLabel(QString::fromUtf8(info.label.data(), static_cast<qsizetype>(info.label.size())), this);
        auto* combo = new SettingCombo(place.setting, this);
        label->setVisible(info.visible);
        combo->setVisible(info.visible);
        label->setToolTip(SettingToolTip(place.setting));
        combo->setToolTip(SettingToolTip(place.setting));
        labels_[Index(place.setting)] = label;
        combos_[Index(place.setting)] = combo;
        const Setting s = place.setting;
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, s] { OnSettingTextEdited(s); });
        if (s != Setting::Field) {
            const QString step = QStringLiteral("Change ") + label->text();
            connect(combo, &QComboBox::activated, this, [this, step] { emit Edited(step); });
        }
    }
    picture_ = new QLabel(this);
    picture_->hide();

    SettingCombo* field = List(Setting::Field);
    connect(field, &SettingCombo::DroppedDown, this, [this, field] { bandInForce_ = field->currentIndex(); });
    connect(field, &QComboBox::activated, this, &ChannelView::OnBandSelChange);

    grid_->setObjectName(QStringLiteral("channelGrid"));
    for (int c = col::kReceive; c <= col::kPower; ++c)
        grid_->horizontalHeaderItem(c - 1)->setToolTip(ColumnToolTip(c));
    // The Tab key follows the template: the lists above the grid, the grid, then N/W and Field.
    QWidget* previous = nullptr;
    for (QWidget* next : std::initializer_list<QWidget*>{List(Setting::TxTotalTime), List(Setting::Warning),
                                                         List(Setting::Squelch), List(Setting::TxPowerRank),
                                                         grid_, List(Setting::NarrowWide),
                                                         List(Setting::BatterySave), List(Setting::Field)}) {
        if (previous) setTabOrder(previous, next);
        previous = next;
    }
    LayOut();
}

void ChannelView::WatchForHints(QWidget* widget) {
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        child->installEventFilter(this);
        if (qobject_cast<QLabel*>(child) || qobject_cast<QGroupBox*>(child)) child->setMouseTracking(true);
    }
}

QSize ChannelView::sizeHint() const {
    // Tall enough for kRowsShown channels: the grid takes every pixel beyond the template's height.
    const QSize least = minimumSizeHint();
    const int header =
        std::max(grid_->horizontalHeader()->height(), grid_->horizontalHeader()->sizeHint().height());
    const int gridNeeded = 2 * grid_->frameWidth() + header + kRowsShown * grid_->rowHeight(0) +
                           grid_->horizontalScrollBar()->sizeHint().height();
    return {least.width(), least.height() + std::max(0, gridNeeded - units_->Y(kGridRect.height()))};
}

QSize ChannelView::minimumSizeHint() const {
    const DialogUnits& du = *units_;
    const int gridNeeded = 2 * grid_->frameWidth() + grid_->verticalHeader()->width() +
                           grid_->horizontalHeader()->length() +
                           grid_->verticalScrollBar()->sizeHint().width();
    const int extra = std::max(0, gridNeeded - du.X(kGridRect.width()));
    return {du.X(kFormWidth) + extra, du.Y(kFormHeight)};
}

void ChannelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void ChannelView::LayOut() {
    const DialogUnits& du = *units_;
    // Beyond its template size the form gives the room to the grid and stretches the group with it.
    const int extraWidth = std::max(0, width() - du.X(kFormWidth));
    const int extraHeight = std::max(0, height() - du.Y(kFormHeight));
    channelLabel_->setGeometry(du.Rect(12, 64, 34, 9));
    QRect group = du.Rect(7, 3, 370, 57);
    group.setWidth(group.width() + extraWidth);
    group_->setGeometry(group);
    for (const ListPlace& place : kPlaces) {
        SettingCombo* combo = combos_[Index(place.setting)];
        QLabel* label = labels_[Index(place.setting)];
        const QRect list = du.Rect(place.list.x(), place.list.y(), place.list.width(), place.list.height());
        combo->setGeometry(list.x(), list.y(), list.width(), combo->sizeHint().height());
        // Labels stand level with their list and may run past their template width rather than clip.
        const QRect text =
            du.Rect(place.label.x(), place.label.y(), place.label.width(), place.label.height());
        const int labelHeight = label->sizeHint().height();
        label->setGeometry(text.x(), combo->geometry().center().y() - labelHeight / 2 + 1,
                           std::max(text.width(), label->sizeHint().width()), labelHeight);
    }
    picture_->setGeometry(du.Rect(326, 107, 20, 18));
    QRect grid = du.Rect(kGridRect.x(), kGridRect.y(), kGridRect.width(), kGridRect.height());
    grid.setWidth(grid.width() + extraWidth);
    grid.setHeight(grid.height() + extraHeight);
    grid_->setGeometry(grid);
}

void ChannelView::OnInitialUpdate() {
    if (!editorsCreated_) {
        editors_->Create(font(), toneTable_);
        // Enter anywhere in the form reaches the editors' walk; the hints cover the editors too.
        editors_->WatchEnter(this);
        for (QWidget* editor : grid_->findChildren<QWidget*>()) editor->installEventFilter(this);
        for (int c = 0; c <= col::kScan; ++c) grid_->SetColAlignment(c, 1);
        editorsCreated_ = true;
        SetColumnWidths();
        for (Setting s : kAllSettings) lists_.Select(s, Info(s).defaultIndex);
    }
    editors_->Reset();
    WriteHeadingsAndNumbers(table_);
    List(Setting::TxTotalTime)->setFocus();
    DecodeImage();
    bandInForce_ = List(Setting::Field)->currentIndex();
    updateGeometry();
}

void ChannelView::SetColumnWidths() {
    // Every width comes from the same W, read once before any width changes.
    const int w = grid_->ColWidth(col::kTransmit);
    for (int c = 0; c < ChannelGrid::kCols; ++c) {
        grid_->SetColWidth(c, static_cast<int>(w * kWidthFactors[static_cast<std::size_t>(c)]));
    }
    const int h = grid_->RowHeight(2);
    for (int r = 0; r <= 16; ++r) grid_->SetRowHeight(r, h);
}

void ChannelView::DecodeImage() {
    pm::DecodeImage(image_, table_, lists_);
}

void ChannelView::ShowImage(const Image& image) {
    editors_->Reset();
    image_ = image;
    DecodeImage();
    // An undone band change brings its band back into force, or the next change would not ask.
    bandInForce_ = List(Setting::Field)->currentIndex();
    editors_->Load();
}

void ChannelView::EncodeImage() {
    pm::EncodeImage(table_, lists_, image_);
}

Image ChannelView::EncodedImage() const {
    Image image = image_;
    pm::EncodeImage(table_, lists_, image);
    return image;
}

void ChannelView::CommitCellEdit() {
    editors_->Commit();
}

void ChannelView::BeginCellEdit(int key) {
    editors_->Begin(key);
}

bool ChannelView::CurrentCellEditable() const {
    return grid_->Row() >= 1 && grid_->Row() <= kChannelCount && grid_->Col() >= col::kReceive &&
           grid_->Col() <= col::kPower;
}

void ChannelView::OnEditData() {
    ShowMessage(kMsgEditData, this);
    grid_->SetCol(col::kReceive);
    grid_->SetRow(1);
}

void ChannelView::OnSettingTextEdited(Setting s) {
    const int snap = Info(s).snapIndex;
    if (snap < 0) return;
    // Typed text is undone at once: the fixed entry, not the previous selection, comes back.
    lists_.Select(s, snap);
    emit Edited(QStringLiteral("Change ") + labels_[Index(s)]->text());
}

void ChannelView::OnBandSelChange(int band) {
    if (band == bandInForce_) return;
    if (ShowMessage(kMsgBandChange, this) != Answer::Ok) {
        lists_.Select(Setting::Field, bandInForce_);
        return;
    }
    BandReset(image_, band);
    DecodeImage();
    emit Edited(QStringLiteral("Band Change"));
}

void ChannelView::ShowHintFor(QWidget* widget) {
    static const QString kCombo = QStringLiteral("Please click the CommBox to choose value");
    static const QString kGrid = QStringLiteral("Please Click the cell to edit or input data");
    static const QString kOther = QStringLiteral("For help，please press F1");
    for (QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (qobject_cast<QComboBox*>(w)) {
            emit StatusHint(kCombo);
            return;
        }
        if (qobject_cast<QLineEdit*>(w) && w->parentWidget() == grid_) break;  // the grid's text editor
        if (w == grid_) {
            emit StatusHint(kGrid);
            return;
        }
    }
    emit StatusHint(kOther);
}

bool ChannelView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool list = std::any_of(combos_.begin(), combos_.end(), [watched](SettingCombo* c) {
            return watched == c || watched == c->lineEdit();
        });
        // A list's field snaps typed text back at once: its own undo has nothing to take back.
        if (list && (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo))) {
            event->ignore();
            return true;
        }
    }
    if ((event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) && watched->isWidgetType()) {
        ShowHintFor(static_cast<QWidget*>(watched));
    }
    return QWidget::eventFilter(watched, event);
}

void ChannelView::mouseMoveEvent(QMouseEvent* event) {
    ShowHintFor(this);
    QWidget::mouseMoveEvent(event);
}

}  // namespace pm
