#include "gui/app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QUndoStack>
#include <QStatusBar>
#include <QToolBar>

#include "core/texts.h"
#include "gui/app/about_dialog.h"
#include "gui/app/commands.h"
#include "gui/app/edit_commands.h"
#include "gui/app/file_dialogs.h"
#include "gui/common/message_box.h"
#include "gui/app/recent_files.h"
#include "gui/app/transfer_log.h"
#include "gui/common/resources.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"

namespace pm {
namespace {

QString AppTitle() {
    return QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size()));
}

// "&1 ~/plans/repeater.sin": home shortened, long paths cut in the middle, '&' kept literal.
QString RecentEntryText(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && shown.startsWith(home + QLatin1Char('/'))) {
        shown = QLatin1Char('~') + shown.mid(home.size());
    }
    constexpr int kLongest = 60;
    if (shown.size() > kLongest) shown = shown.left(20) + QStringLiteral("…") + shown.right(kLongest - 21);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

QString FirstLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) return url.toLocalFile();
    }
    return {};
}

}  // namespace

MainWindow::MainWindow(RecentFileList& recentFiles, const QStringList& toneTable, QWidget* parent)
    : QMainWindow(parent), recentFiles_(recentFiles) {
    EnsureAppResources();
    // The caption never names the document.
    setWindowTitle(AppTitle());
    setWindowIcon(AppIcon(QStringLiteral("pm514rx")));
    resize(kRequestedWidth, kRequestedHeight);
    setAcceptDrops(true);

    view_ = new ChannelView(document_.MemoryImage(), toneTable, this);
    setCentralWidget(view_);
    edits_ = std::make_unique<EditCommands>(*view_, *this);
    log_ = new TransferLog(*this);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(view_, &ChannelView::StatusHint, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(&edits_->History(), &QUndoStack::indexChanged, this, &MainWindow::UpdateFileLabel);
    connect(&edits_->History(), &QUndoStack::cleanChanged, this, &MainWindow::UpdateFileLabel);
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::RecordImageChange(const QString& name) {
    edits_->RecordImageChange(name);
}

QAction* MainWindow::AddCommand(QMenu* menu, Command command, const QString& text) {
    auto* action = new QAction(text, this);
    const Prompt prompt = PromptOf(command);
    action->setObjectName(ObjectNameOf(command));
    action->setStatusTip(prompt.status);
    if (!prompt.tip.isEmpty()) action->setToolTip(prompt.tip);
    action->setIconVisibleInMenu(false);
    if (menu) menu->addAction(action);
    actions_.insert(command, action);
    return action;
}

void MainWindow::CreateMenus() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    QMenu* file = fileMenu_;
    connect(AddCommand(file, Command::FileNew, QStringLiteral("&New\tCtrl+N")), &QAction::triggered, this,
            &MainWindow::OnFileNew);
    connect(AddCommand(file, Command::FileOpen, QStringLiteral("&Open...\tCtrl+O")), &QAction::triggered,
            this, &MainWindow::OnFileOpen);
    connect(AddCommand(file, Command::FileSave, QStringLiteral("&Save\tCtrl+S")), &QAction::triggered, this,
            &MainWindow::OnFileSave);
    connect(AddCommand(file, Command::FileSaveAs, QStringLiteral("Save &As...")), &QAction::triggered, this,
            &MainWindow::OnFileSaveAs);
    afterSaveAs_ = file->addSeparator();
    connect(AddCommand(file, Command::FilePrint, QStringLiteral("&Print...\tCtrl+P")), &QAction::triggered,
            this, [this] {
                view_->CommitCellEdit();
                emit PrintRequested();
            });
    connect(AddCommand(file, Command::FilePrintPreview, QStringLiteral("Print Pre&view")),
            &QAction::triggered, this, [this] {
                view_->CommitCellEdit();
                emit PrintPreviewRequested();
            });
    printSetup_ = AddCommand(file, Command::FilePrintSetup, QStringLiteral("P&rint Setup..."));
    connect(printSetup_, &QAction::triggered, this, &MainWindow::PrintSetupRequested);
    file->addSeparator();
    recentPlaceholder_ = file->addAction(QStringLiteral("Recent File"));
    recentPlaceholder_->setEnabled(false);
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* entry = AddCommand(file, RecentFileCommand(i), QString());
        connect(entry, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
        recentActions_[static_cast<std::size_t>(i)] = entry;
    }
    file->addSeparator();
    connect(AddCommand(file, Command::AppExit, QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);
    UpdateRecentFileMenu();
    CreateEditMenu();

    QMenu* program = menuBar()->addMenu(QStringLiteral("&Program"));
    connect(AddCommand(program, Command::ReadFromRadio, QStringLiteral("&Read From Radio\tCtrl+R")),
            &QAction::triggered, this, [this] {
                view_->CommitCellEdit();
                emit ReadFromRadioRequested();
            });
    program->addSeparator();
    connect(AddCommand(program, Command::WriteToRadio, QStringLiteral("&Write To Radio\tCtrl+W")),
            &QAction::triggered, this, [this] {
                view_->CommitCellEdit();
                emit WriteToRadioRequested();
            });
    program->addSeparator();
    connect(AddCommand(program, Command::TestMode, QStringLiteral("&Test Mode\tCtrl+T")), &QAction::triggered,
            this, &MainWindow::TestModeRequested);
    program->addSeparator();
    connect(AddCommand(program, Command::EditData, QStringLiteral("&Edit Data\tCtrl+E")), &QAction::triggered,
            view_, &ChannelView::OnEditData);

    portMenu_ = menuBar()->addMenu(QStringLiteral("P&ort"));
    // The ports name no keys: Ctrl+C and the like belong to the clipboard.
    const std::array<std::pair<Command, const char*>, 4> ports = {{{Command::PortCom1, "COM1(&P)"},
                                                                   {Command::PortCom2, "COM2(&Q)"},
                                                                   {Command::PortCom3, "COM3(&S)"},
                                                                   {Command::PortCom4, "COM4(&T)"}}};
    for (const auto& [id, text] : ports) {
        QAction* port = AddCommand(portMenu_, id, QString::fromUtf8(text));
        port->setCheckable(true);
        const QString name = QString::fromUtf8(text).left(4);
        connect(port, &QAction::triggered, this, [this, name] {
            view_->SetPort(name);
            UpdatePortMenu();
        });
    }
    connect(portMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdatePortMenu);
    UpdatePortMenu();

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar = AddCommand(view, Command::ViewToolBar, QStringLiteral("&Toolbar"));
    toolbar->setCheckable(true);
    QAction* status = AddCommand(view, Command::ViewStatusBar, QStringLiteral("&Status Bar"));
    status->setCheckable(true);
    connect(toolbar, &QAction::triggered, this, [this](bool on) { toolBar_->setVisible(on); });
    connect(status, &QAction::triggered, this, [this](bool on) { statusBar()->setVisible(on); });
    view->addSeparator();
    QAction* log = view->addAction(QStringLiteral("Transfer &Log"));
    log->setObjectName(QStringLiteral("actionTransferLog"));
    log->setStatusTip(QStringLiteral("List every exchange with a radio in this run, with how it ended"));
    connect(log, &QAction::triggered, this, [this] { log_->Show(); });
    connect(view, &QMenu::aboutToShow, this, [this, toolbar, status] {
        toolbar->setChecked(toolBar_->isVisible());
        status->setChecked(statusBar()->isVisible());
    });

    // The accelerator table: every key a caption names works.
    Action(Command::FileNew)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Action(Command::FileOpen)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Action(Command::FilePrint)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Action(Command::FileSave)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Action(Command::ReadFromRadio)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    Action(Command::WriteToRadio)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    Action(Command::TestMode)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    Action(Command::EditData)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    // Next and previous pane: a single-pane window has nowhere to go, but the keys are bound.
    for (const auto& [id, key] : {std::pair{Command::NextPane, QKeySequence(Qt::Key_F6)},
                                  std::pair{Command::PreviousPane, QKeySequence(Qt::SHIFT | Qt::Key_F6)}}) {
        QAction* pane = AddCommand(nullptr, id, QString());
        pane->setShortcut(key);
        addAction(pane);
    }
}

void MainWindow::CreateEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    EditCommands* e = edits_.get();
    QUndoStack& history = e->History();
    QAction* undo = AddCommand(edit, Command::EditUndo, QString());
    QAction* redo = AddCommand(edit, Command::EditRedo, QString());
    // The entries name the step they would take back or do again.
    const auto name = [](QAction* action, const QString& verb, const QString& key, const QString& step) {
        action->setText(verb + (step.isEmpty() ? QString() : QLatin1Char(' ') + step) + QLatin1Char('\t') +
                        key);
    };
    connect(&history, &QUndoStack::undoTextChanged, undo, [undo, name](const QString& step) {
        name(undo, QStringLiteral("&Undo"), QStringLiteral("Ctrl+Z"), step);
    });
    connect(&history, &QUndoStack::redoTextChanged, redo, [redo, name](const QString& step) {
        name(redo, QStringLiteral("&Redo"), QStringLiteral("Ctrl+Y"), step);
    });
    connect(&history, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&history, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    name(undo, QStringLiteral("&Undo"), QStringLiteral("Ctrl+Z"), {});
    name(redo, QStringLiteral("&Redo"), QStringLiteral("Ctrl+Y"), {});
    undo->setEnabled(false);
    redo->setEnabled(false);
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(undo, &QAction::triggered, e, &EditCommands::Undo);
    connect(redo, &QAction::triggered, e, &EditCommands::Redo);
    edit->addSeparator();

    struct Entry {
        Command command;
        const char* text;
        QKeySequence key;
        void (EditCommands::*slot)();
    };
    const std::array<Entry, 11> entries = {{
        {Command::EditCut, "Cu&t\tCtrl+X", QKeySequence(Qt::CTRL | Qt::Key_X), &EditCommands::Cut},
        {Command::EditCopy, "&Copy\tCtrl+C", QKeySequence(Qt::CTRL | Qt::Key_C), nullptr},
        {Command::EditPaste, "&Paste\tCtrl+V", QKeySequence(Qt::CTRL | Qt::Key_V), &EditCommands::Paste},
        {Command::EditClear, "C&lear\tDel", QKeySequence(Qt::Key_Delete), &EditCommands::ClearCells},
        {Command::ClearChannel, "Clear C&hannel", QKeySequence(), &EditCommands::ClearChannels},
        {Command::InsertChannel, "&Insert Empty Channel\tIns", QKeySequence(Qt::Key_Insert),
         &EditCommands::InsertChannel},
        {Command::DeleteChannel, "&Delete Channel and Move Up\tCtrl+Del",
         QKeySequence(Qt::CTRL | Qt::Key_Delete), &EditCommands::DeleteChannels},
        {Command::MoveChannelUp, "Move U&p\tAlt+Up", QKeySequence(Qt::ALT | Qt::Key_Up),
         &EditCommands::MoveUp},
        {Command::MoveChannelDown, "Move Do&wn\tAlt+Down", QKeySequence(Qt::ALT | Qt::Key_Down),
         &EditCommands::MoveDown},
        {Command::SortChannels, "&Sort by Receive Frequency", QKeySequence(), &EditCommands::SortByReceive},
        {Command::GoToChannel, "&Go to Channel...\tCtrl+G", QKeySequence(Qt::CTRL | Qt::Key_G),
         &EditCommands::GoToChannel},
    }};
    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("gridContextMenu"));
    ChannelGrid* grid = &view_->Grid();
    for (const Entry& entry : entries) {
        if (entry.command == Command::ClearChannel || entry.command == Command::SortChannels) {
            edit->addSeparator();
            contextMenu_->addSeparator();
        }
        if (entry.command == Command::GoToChannel) edit->addSeparator();
        QAction* action = AddCommand(edit, entry.command, QString::fromUtf8(entry.text));
        action->setShortcut(entry.key);
        if (entry.command == Command::EditCopy) {
            connect(action, &QAction::triggered, e, [e] { e->Copy(); });
        } else {
            connect(action, &QAction::triggered, e, entry.slot);
        }
        // The channel commands' keys act on the grid (and its editors), never on the lists above it.
        if (entry.command != Command::GoToChannel) {
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            grid->addAction(action);
        }
        contextMenu_->addAction(action);
    }
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& at) { contextMenu_->popup(grid->viewport()->mapToGlobal(at)); });
}

void MainWindow::CreateToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    QAction* about = AddCommand(nullptr, Command::AppAbout, QStringLiteral("&About"));
    connect(about, &QAction::triggered, this, &MainWindow::OnAppAbout);
    const std::array<std::pair<Command, const char*>, 9> buttons = {{{Command::FileNew, "new"},
                                                                     {Command::FileOpen, "open"},
                                                                     {Command::FileSave, "save"},
                                                                     {Command::ReadFromRadio, "read"},
                                                                     {Command::WriteToRadio, "write"},
                                                                     {Command::TestMode, "testmode"},
                                                                     {Command::EditData, "edit"},
                                                                     {Command::FilePrint, "print"},
                                                                     {Command::AppAbout, "about"}}};
    for (const auto& [id, icon] : buttons) {
        // Gaps: New, Open, Save | Read, Write, Test Mode | Edit Data | Print, About.
        if (id == Command::ReadFromRadio || id == Command::EditData || id == Command::FilePrint)
            toolBar_->addSeparator();
        QAction* action = Action(id);
        action->setIcon(AppIcon(QString::fromLatin1(icon)));
        toolBar_->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void MainWindow::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    statusLine_ = new QLabel(QStringLiteral("Ready"), bar);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    // A long outcome is cut at the bar's width; its tool tip holds all of it.
    statusLine_->setMinimumWidth(1);
    bar->addWidget(statusLine_, 1);
    fileLabel_ = new QLabel(bar);
    fileLabel_->setObjectName(QStringLiteral("fileIndicator"));
    fileLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(fileLabel_);
    const std::array<const char*, 3> names = {"CAP", "NUM", "SCRL"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* indicator = new QLabel(QString::fromLatin1(names[i]), bar);
        indicator->setObjectName(QStringLiteral("indicator%1").arg(QString::fromLatin1(names[i])));
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        indicator->setEnabled(false);
        bar->addPermanentWidget(indicator);
        indicators_[i] = indicator;
    }
}

void MainWindow::ShowOutcome(const QString& line, const QString& full) {
    // A hover hint may cover the line for a moment; it comes back when the hint goes.
    statusBar()->clearMessage();
    statusLine_->setText(line);
    statusLine_->setToolTip(full);
}

void MainWindow::UpdateFileLabel() {
    // The caption is the program's alone, so the file and its unsaved changes are named here.
    const QString name = document_.PathName().isEmpty() ? QStringLiteral("Untitled")
                                                        : QFileInfo(document_.PathName()).fileName();
    const bool modified = IsModified();
    fileLabel_->setText(modified ? name + QStringLiteral(" *") : name);
    fileLabel_->setToolTip((document_.PathName().isEmpty() ? QStringLiteral("A new document, not saved yet")
                                                           : document_.PathName()) +
                           (modified ? QStringLiteral("\nUnsaved changes (*)") : QString()));
}

void MainWindow::OnLockKeys(quint32 nativeModifiers) {
    // X11 reports Caps Lock as the Lock modifier and Num Lock as Mod2; Scroll Lock has no modifier of its
    // own.
    indicators_[0]->setEnabled(nativeModifiers & 0x02);
    indicators_[1]->setEnabled(nativeModifiers & 0x10);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        OnLockKeys(static_cast<QKeyEvent*>(event)->nativeModifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::AddFileMenuAction(FileMenuPlace place, QAction* action) {
    QAction* before = place == FileMenuPlace::AfterSaveAs ? afterSaveAs_ : printSetup_;
    fileMenu_->insertAction(before, action);
}

void MainWindow::UpdateRecentFileMenu() {
    const QStringList& entries = recentFiles_.Entries();
    recentPlaceholder_->setVisible(entries.isEmpty());
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* action = recentActions_[static_cast<std::size_t>(i)];
        action->setVisible(i < entries.size());
        action->setText(i < entries.size() ? RecentEntryText(i, entries.at(i)) : QString());
        action->setEnabled(!transferRunning_);
    }
}

void MainWindow::UpdatePortMenu() {
    for (Command id : {Command::PortCom1, Command::PortCom2, Command::PortCom3, Command::PortCom4}) {
        QAction* port = Action(id);
        port->setChecked(port->text().left(4) == view_->Port());
    }
}

void MainWindow::SetTransferRunning(bool running) {
    transferRunning_ = running;
    // Exit stays: closing during a transfer asks whether to cancel it.
    for (Command id : {Command::FileNew, Command::FileOpen}) Action(id)->setEnabled(!running);
    UpdateRecentFileMenu();
}

void MainWindow::InitialUpdate() {
    view_->OnInitialUpdate();
    document_.SetSavedState(view_->EncodedImage());
    edits_->Reset();
    UpdateFileLabel();
    if (!shrunk_) {
        shrunk_ = true;
        ShrinkToFitForm();
    }
}

void MainWindow::ShrinkToFitForm() {
    // Shrink only, never grow: the frame takes the form's size when it asked for more.
    if (layout()) layout()->activate();
    const QSize fit = sizeHint();
    int height = std::min(this->height(), fit.height());
    // Taller than the screen helps nobody: the grid takes what the screen has beyond the form.
    if (const QScreen* shown = screen()) height = std::min(height, shown->availableGeometry().height());
    resize(std::min(width(), fit.width()), std::max(height, minimumSizeHint().height()));
}

void MainWindow::NewDocument() {
    document_.OnNewDocument();
    InitialUpdate();
}

bool MainWindow::OpenDocumentFile(const QString& path) {
    const FileOutcome outcome = document_.OnOpenDocument(path);
    if (!outcome.ok()) {
        ShowFileFailure(outcome);
        return false;
    }
    recentFiles_.Add(document_.PathName());
    UpdateRecentFileMenu();
    InitialUpdate();
    return true;
}

bool MainWindow::OpenCheckedFile(const QString& path, bool* unusable) {
    // The file is read before the save question, so that a file that cannot be used never follows a
    // Discard: the edits would stay on screen under the old name, and the next Save would store them there.
    Image loaded = document_.MemoryImage();
    const FileOutcome outcome = ChannelDocument::ReadFile(path, loaded);
    if (unusable) *unusable = !outcome.ok();
    if (!outcome.ok()) {
        ShowFileFailure(outcome);
        return false;
    }
    if (!SaveModified()) return false;
    document_.TakeFile(path, loaded);
    recentFiles_.Add(document_.PathName());
    UpdateRecentFileMenu();
    InitialUpdate();
    return true;
}

bool MainWindow::IsModified() const {
    // The history says it for every recorded step; the comparison catches changes made behind its back.
    return !edits_->History().isClean() || view_->EncodedImage() != document_.SavedState();
}

bool MainWindow::SaveModified() {
    // A value still in an open editor is part of what the user has changed.
    view_->CommitCellEdit();
    if (!IsModified()) return true;
    switch (AskToSaveChanges(document_.Title(), this)) {
        case SaveAnswer::Save:
            return OnFileSave();
        case SaveAnswer::Discard:
            return true;
        case SaveAnswer::Cancel:
            break;
    }
    return false;
}

bool MainWindow::OnFileNew() {
    if (transferRunning_ || !SaveModified()) return false;
    NewDocument();
    return true;
}

bool MainWindow::OnFileOpen() {
    if (transferRunning_) return false;
    // What is typed belongs to the document whose folder the file dialog starts in.
    view_->CommitCellEdit();
    const QString directory =
        document_.PathName().isEmpty() ? QString() : QFileInfo(document_.PathName()).absolutePath();
    const QString path = ChooseFileToOpen(this, directory);
    if (path.isEmpty()) return false;
    return OpenCheckedFile(path);
}

bool MainWindow::OnOpenRecentFile(int index) {
    if (transferRunning_ || index < 0 || index >= recentFiles_.Entries().size()) return false;
    // Take the name first: saving the current document may reorder the list.
    const QString path = recentFiles_.Entries().at(index);
    bool unusable = false;
    if (OpenCheckedFile(path, &unusable)) return true;
    // A file that cannot be used leaves the list; one not opened because of Cancel stays.
    if (unusable) {
        recentFiles_.Remove(static_cast<int>(recentFiles_.Entries().indexOf(path)));
        UpdateRecentFileMenu();
    }
    return false;
}

bool MainWindow::OnFileSave() {
    if (document_.PathName().isEmpty()) return OnFileSaveAs();
    view_->CommitCellEdit();
    return SaveTo(document_.PathName());
}

bool MainWindow::OnFileSaveAs() {
    view_->CommitCellEdit();
    const QString suggested =
        document_.PathName().isEmpty() ? QStringLiteral("Untitled.sin") : document_.PathName();
    const QString path = ChooseFileToSave(this, suggested);
    if (path.isEmpty()) return false;
    return SaveTo(path);
}

bool MainWindow::SaveTo(const QString& path) {
    view_->EncodeImage();
    const FileOutcome outcome = document_.OnSaveDocument(path);
    if (outcome.status == FileStatus::ReadOnly) {
        // The file stays as its owner made it; the channels can still go somewhere else.
        const std::string text = outcome.message + ".\nOK saves the channels under another name (Save As).";
        const Message offer{text, kAppTitle, Buttons::OkCancel, Icon::Warning};
        return ShowMessage(offer, isVisible() ? this : nullptr) == Answer::Ok && OnFileSaveAs();
    }
    if (!outcome.ok()) {
        ShowFileFailure(outcome);
        return false;
    }
    document_.SetSavedState(document_.MemoryImage());
    edits_->MarkSaved();
    UpdateFileLabel();
    recentFiles_.Add(document_.PathName());
    UpdateRecentFileMenu();
    return true;
}

void MainWindow::ShowFileFailure(const FileOutcome& outcome) {
    const std::string text =
        outcome.message.empty() ? std::string("The file could not be used.") : outcome.message;
    ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, isVisible() ? this : nullptr);
}

void MainWindow::OnAppAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (transferRunning_ || !SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!transferRunning_ && !FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty() || transferRunning_) return;
    event->acceptProposedAction();
    activateWindow();
    OpenCheckedFile(path);
}

}  // namespace pm
