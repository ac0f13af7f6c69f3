#include "gui/editor/tovar_view.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "gui/app/message_box.h"
#include "gui/app/resources.h"
#include "gui/app/tovar_doc.h"
#include "gui/editor/cell_editors.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/dialog_units.h"

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

CTovarView::CTovarView(CTovarDoc& doc, QStringList toneTable, QWidget* parent)
    : QWidget(parent),
      m_doc(doc),
      m_toneTable(std::move(toneTable)),
      m_grid((EnsureAppResources(), new ChannelGrid(this))),
      m_table(*m_grid),
      m_lists(m_combos) {
    setFont(FormFont());
    m_units = std::make_unique<DialogUnits>(font());
    CreateControls();
    setMouseTracking(true);
    WatchForHints(this);

    m_editors = std::make_unique<CellEditors>(
        *m_grid, m_table, [this] { return List(Setting::Field)->currentIndex(); }, this);
    connect(m_grid, &ChannelGrid::DblClick, this, [this] {
        if (CurrentCellEditable()) BeginCellEdit(0);
    });
    connect(m_grid, &ChannelGrid::MouseDown, this, [this](int button, int, int, int) {
        if (button != 2 && CurrentCellEditable()) BeginCellEdit(0);
    });
    connect(m_grid, &ChannelGrid::KeyPress, this, [this](int key) {
        // A key never opens the Scan list; a double-click does.
        if (CurrentCellEditable() && m_grid->Col() != col::kScan) BeginCellEdit(key);
    });
    connect(m_grid, &ChannelGrid::EnterCell, this, [this] { m_editors->Load(); });
    connect(m_grid, &ChannelGrid::LeaveCell, this, &CTovarView::CommitCellEdit);
    connect(m_grid, &ChannelGrid::Scroll, this, [this] { m_editors->OnScroll(); });
}

CTovarView::~CTovarView() {
    // The grid outlives the editors' owner by a moment; nothing it says then may reach them.
    m_grid->disconnect(this);
}

void CTovarView::CreateControls() {
    m_channelLabel = new QLabel(QStringLiteral("Channel："), this);
    m_group = new QGroupBox(QStringLiteral("Function Setting"), this);
    for (const ListPlace& place : kPlaces) {
        const SettingInfo& info = Info(place.setting);
        auto* label =
            new QLabel(QString::fromUtf8(info.label.data(), static_cast<qsizetype>(info.label.size())), this);
        auto* combo = new SettingCombo(place.setting, this);
        label->setVisible(info.visible);
        combo->setVisible(info.visible);
        m_labels[Index(place.setting)] = label;
        m_combos[Index(place.setting)] = combo;
        const Setting s = place.setting;
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, s] { OnSettingTextEdited(s); });
    }
    m_picture = new QLabel(this);
    m_picture->hide();

    SettingCombo* field = List(Setting::Field);
    connect(field, &SettingCombo::DroppedDown, this,
            [this, field] { m_nBandInForce = field->currentIndex(); });
    connect(field, &QComboBox::activated, this, &CTovarView::OnBandSelChange);

    m_grid->setObjectName(QStringLiteral("grid%1").arg(kGridId));
    // The Tab key follows the template: the lists above the grid, the grid, then N/W and Field.
    QWidget* previous = nullptr;
    for (QWidget* next : std::initializer_list<QWidget*>{List(Setting::TxTotalTime), List(Setting::Warning),
                                                         List(Setting::Squelch), List(Setting::TxPowerRank),
                                                         m_grid, List(Setting::NarrowWide),
                                                         List(Setting::BatterySave), List(Setting::Field)}) {
        if (previous) setTabOrder(previous, next);
        previous = next;
    }
    LayOut();
}

void CTovarView::WatchForHints(QWidget* widget) {
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        child->installEventFilter(this);
        if (qobject_cast<QLabel*>(child) || qobject_cast<QGroupBox*>(child)) child->setMouseTracking(true);
    }
}

QSize CTovarView::sizeHint() const {
    const DialogUnits& du = *m_units;
    const int gridNeeded = 2 * m_grid->frameWidth() + m_grid->verticalHeader()->width() +
                           m_grid->horizontalHeader()->length() +
                           m_grid->verticalScrollBar()->sizeHint().width();
    const int extra = std::max(0, gridNeeded - du.X(kGridRect.width()));
    return {du.X(kFormWidth) + extra, du.Y(kFormHeight)};
}

QSize CTovarView::minimumSizeHint() const {
    return sizeHint();
}

void CTovarView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void CTovarView::LayOut() {
    const DialogUnits& du = *m_units;
    // Beyond its template size the form gives the room to the grid and stretches the group with it.
    const int extraWidth = std::max(0, width() - du.X(kFormWidth));
    const int extraHeight = std::max(0, height() - du.Y(kFormHeight));
    m_channelLabel->setGeometry(du.Rect(12, 64, 34, 9));
    QRect group = du.Rect(7, 3, 370, 57);
    group.setWidth(group.width() + extraWidth);
    m_group->setGeometry(group);
    for (const ListPlace& place : kPlaces) {
        SettingCombo* combo = m_combos[Index(place.setting)];
        QLabel* label = m_labels[Index(place.setting)];
        const QRect list = du.Rect(place.list.x(), place.list.y(), place.list.width(), place.list.height());
        combo->setGeometry(list.x(), list.y(), list.width(), combo->sizeHint().height());
        // Labels stand level with their list and may run past their template width rather than clip.
        const QRect text =
            du.Rect(place.label.x(), place.label.y(), place.label.width(), place.label.height());
        const int labelHeight = label->sizeHint().height();
        label->setGeometry(text.x(), combo->geometry().center().y() - labelHeight / 2 + 1,
                           std::max(text.width(), label->sizeHint().width()), labelHeight);
    }
    m_picture->setGeometry(du.Rect(326, 107, 20, 18));
    QRect grid = du.Rect(kGridRect.x(), kGridRect.y(), kGridRect.width(), kGridRect.height());
    grid.setWidth(grid.width() + extraWidth);
    grid.setHeight(grid.height() + extraHeight);
    m_grid->setGeometry(grid);
}

void CTovarView::OnInitialUpdate() {
    if (!m_bEditorsCreated) {
        m_editors->Create(font(), m_toneTable);
        // Enter anywhere in the form reaches the editors' walk; the hints cover the editors too.
        m_editors->WatchEnter(this);
        for (QWidget* editor : m_grid->findChildren<QWidget*>()) editor->installEventFilter(this);
        for (int c = 0; c <= col::kScan; ++c) m_grid->SetColAlignment(c, 1);
        m_bEditorsCreated = true;
        SetColumnWidths();
        for (Setting s : kAllSettings) m_lists.Select(s, Info(s).defaultIndex);
    }
    m_editors->Reset();
    WriteHeadingsAndNumbers(m_table);
    List(Setting::TxTotalTime)->setFocus();
    DecodeImage();
    m_nBandInForce = List(Setting::Field)->currentIndex();
    updateGeometry();
}

void CTovarView::SetColumnWidths() {
    // Every width comes from the same W, read once before any width changes.
    const int w = m_grid->ColWidth(col::kTransmit);
    for (int c = 0; c < ChannelGrid::kCols; ++c) {
        m_grid->SetColWidth(c, static_cast<int>(w * kWidthFactors[static_cast<std::size_t>(c)]));
    }
    const int h = m_grid->RowHeight(2);
    for (int r = 0; r <= 16; ++r) m_grid->SetRowHeight(r, h);
}

void CTovarView::DecodeImage() {
    pm::DecodeImage(m_doc.m_image, m_table, m_lists);
}

void CTovarView::EncodeImage() {
    pm::EncodeImage(m_table, m_lists, m_doc.m_image);
}

Image CTovarView::EncodedImage() const {
    Image image = m_doc.m_image;
    pm::EncodeImage(m_table, m_lists, image);
    return image;
}

void CTovarView::CommitCellEdit() {
    m_editors->Commit();
}

void CTovarView::BeginCellEdit(int key) {
    m_editors->Begin(key);
}

bool CTovarView::CurrentCellEditable() const {
    return m_grid->Row() >= 1 && m_grid->Row() <= kChannelCount && m_grid->Col() >= col::kReceive &&
           m_grid->Col() <= col::kPower;
}

void CTovarView::OnEditData() {
    ShowMessage(kMsgEditData, this);
    m_grid->SetCol(col::kReceive);
    m_grid->SetRow(1);
}

void CTovarView::OnSettingTextEdited(Setting s) {
    const int snap = Info(s).snapIndex;
    if (snap < 0) return;
    // Typed text is undone at once: the fixed entry, not the previous selection, comes back.
    m_lists.Select(s, snap);
}

void CTovarView::OnBandSelChange(int band) {
    if (band == m_nBandInForce) return;
    if (ShowMessage(kMsgBandChange, this) != Answer::Ok) {
        m_lists.Select(Setting::Field, m_nBandInForce);
        return;
    }
    BandReset(m_doc.m_image, band);
    DecodeImage();
}

void CTovarView::ShowHintFor(QWidget* widget) {
    static const QString kCombo = QStringLiteral("Please click the CommBox to choose value");
    static const QString kGrid = QStringLiteral("Please Click the cell to edit or input data");
    static const QString kOther = QStringLiteral("For help，please press F1");
    for (QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (qobject_cast<QComboBox*>(w)) {
            emit StatusHint(kCombo);
            return;
        }
        if (qobject_cast<QLineEdit*>(w) && w->parentWidget() == m_grid) break;  // the grid's text editor
        if (w == m_grid) {
            emit StatusHint(kGrid);
            return;
        }
    }
    emit StatusHint(kOther);
}

bool CTovarView::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) && watched->isWidgetType()) {
        ShowHintFor(static_cast<QWidget*>(watched));
    }
    return QWidget::eventFilter(watched, event);
}

void CTovarView::mouseMoveEvent(QMouseEvent* event) {
    ShowHintFor(this);
    QWidget::mouseMoveEvent(event);
}

}  // namespace pm
