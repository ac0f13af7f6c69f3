#include "gui/bulk/bulk_commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>

#include "core/image/document.h"
#include "gui/app/edit_commands.h"
#include "gui/app/main_window.h"
#include "gui/bulk/bulk_dialogs.h"
#include "gui/common/message_box.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"

namespace pm {
namespace {

QMenu* MenuTitled(MainWindow& window, const QString& title) {
    for (QAction* a : window.menuBar()->actions()) {
        if (a->text() == title && a->menu()) return a->menu();
    }
    return nullptr;
}

QAction* NewAction(MainWindow& window, const char* name, const QString& text, const QKeySequence& key,
                   const QString& tip) {
    auto* action = new QAction(text, &window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setStatusTip(tip);
    return action;
}

QString ChannelsText(const std::vector<int>& channels) {
    if (channels.size() == 1) return QStringLiteral("Channel %1").arg(channels.front());
    return QStringLiteral("%1 Channels").arg(channels.size());
}

/** The commands' state: the Find and Check Plan windows live as long as the main window. */
class BulkCommands : public QObject {
  public:
    explicit BulkCommands(MainWindow& window) : QObject(&window), window_(window) {}

    void Repeater() {
        ChannelView& view = *window_.View();
        view.CommitCellEdit();
        const std::vector<int> channels = view.Grid().SelectedChannels();
        RepeaterDialog dialog(ChannelsText(channels), &window_);
        if (dialog.exec() != QDialog::Accepted) return;
        const RepeaterEdit edit = dialog.Edit();
        const std::string problem = RepeaterEditProblem(edit);
        if (!problem.empty()) {
            ShowMessage(
                Message{"Nothing was changed: " + problem + ".", kAppTitle, Buttons::Ok, Icon::Warning},
                &window_);
            return;
        }
        window_.Edits().ChangeChecked(
            QStringLiteral("Repeater ") + ChannelsText(channels),
            [&](Image& image) {
                EditorState state = DecodeToState(image);
                const PasteReport report = ApplyRepeater(state.table, channels, edit,
                                                         state.lists.Selected(Setting::Field) == 1 ? 1 : 0);
                EncodeImage(state.table, state.lists, image);
                return report;
            },
            QStringLiteral(" set"));
    }

    void Find() {
        if (!find_) {
            find_ = new FindDialog(&window_);
            connect(find_, &FindDialog::FindNext, this, [this] { Next(); });
        }
        find_->show();
        find_->raise();
        find_->activateWindow();
    }

    void Next() {
        if (!find_) {
            Find();
            return;
        }
        ChannelView& view = *window_.View();
        view.CommitCellEdit();
        const FindQuery query = find_->Query();
        const std::string problem = FindQueryProblem(query);
        if (!problem.empty()) {
            window_.statusBar()->showMessage(QString::fromStdString(problem), 5000);
            return;
        }
        ChannelGrid& grid = view.Grid();
        const auto at = FindNext(view.Table(), query, grid.Row(), grid.Col());
        if (!at) {
            window_.statusBar()->showMessage(
                QStringLiteral("Not found: ") + QString::fromStdString(query.text), 5000);
            return;
        }
        grid.GoTo(at->row, at->column);
        window_.statusBar()->showMessage(QStringLiteral("Found on channel %1").arg(at->row), 5000);
    }

    void CheckPlan() {
        ChannelView& view = *window_.View();
        view.CommitCellEdit();
        if (!check_) {
            check_ = new PlanCheckDialog(&window_);
            connect(check_, &PlanCheckDialog::Recheck, this, [this] { CheckPlan(); });
            connect(check_, &PlanCheckDialog::GoTo, this, [this](int channel, int column) {
                window_.View()->Grid().GoTo(channel, column);
                window_.View()->Grid().setFocus();
            });
        }
        check_->SetFindings(
            pm::CheckPlan(view.Table(), view.List(Setting::Field)->currentIndex() == 1 ? 1 : 0));
        check_->show();
        check_->raise();
    }

  private:
    MainWindow& window_;
    QPointer<FindDialog> find_;
    QPointer<PlanCheckDialog> check_;
};

}  // namespace

void InstallBulkCommands(MainWindow& window) {
    auto* bulk = new BulkCommands(window);
    EditCommands* edits = &window.Edits();
    ChannelGrid* grid = &window.View()->Grid();
    QObject::connect(window.View(), &ChannelView::FillRequested, edits,
                     [edits](const QString& text) { edits->FillSelection(text, true); });

    QMenu* edit = MenuTitled(window, QStringLiteral("&Edit"));
    edit->addSeparator();
    QAction* fill = NewAction(window, "actionFillDown", QStringLiteral("Fill &Down\tCtrl+D"),
                              QKeySequence(Qt::CTRL | Qt::Key_D),
                              QStringLiteral("Copy the top cell of the selection into the cells below it"));
    fill->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid->addAction(fill);
    QObject::connect(fill, &QAction::triggered, edits, &EditCommands::FillDown);
    QAction* find =
        NewAction(window, "actionFind", QStringLiteral("&Find...\tCtrl+F"),
                  QKeySequence(Qt::CTRL | Qt::Key_F), QStringLiteral("Find a channel by frequency or tone"));
    QAction* next = NewAction(window, "actionFindNext", QStringLiteral("Find &Next\tF3"),
                              QKeySequence(Qt::Key_F3), QStringLiteral("Find the next channel that matches"));
    QObject::connect(find, &QAction::triggered, bulk, [bulk] { bulk->Find(); });
    QObject::connect(next, &QAction::triggered, bulk, [bulk] { bulk->Next(); });
    for (QAction* a : {fill, find, next}) {
        edit->addAction(a);
        window.addAction(a);
    }
    window.ContextMenu()->addSeparator();
    window.ContextMenu()->addAction(fill);

    auto* channel = new QMenu(QStringLiteral("&Channel"), &window);
    QAction* repeater =
        NewAction(window, "actionRepeater", QStringLiteral("&Repeater..."), {},
                  QStringLiteral("Set duplex, offset and tone mode on the selected channels"));
    QObject::connect(repeater, &QAction::triggered, bulk, [bulk] { bulk->Repeater(); });
    channel->addAction(repeater);
    window.ContextMenu()->addAction(repeater);
    // After the Edit menu.
    const QList<QAction*> menus = window.menuBar()->actions();
    const qsizetype editAt = menus.indexOf(edit->menuAction());
    window.menuBar()->insertMenu(editAt + 1 < menus.size() ? menus[editAt + 1] : nullptr, channel);

    QMenu* view = MenuTitled(window, QStringLiteral("&View"));
    view->addSeparator();
    QAction* check = NewAction(window, "actionCheckPlan", QStringLiteral("&Check Plan"), {},
                               QStringLiteral("List likely mistakes in the channel plan; changes nothing"));
    QObject::connect(check, &QAction::triggered, bulk, [bulk] { bulk->CheckPlan(); });
    view->addAction(check);
}

}  // namespace pm
