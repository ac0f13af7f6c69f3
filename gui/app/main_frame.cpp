#include "gui/app/main_frame.h"

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
#include <QStatusBar>
#include <QToolBar>

#include "core/texts.h"
#include "gui/app/about_dialog.h"
#include "gui/app/commands.h"
#include "gui/app/file_dialogs.h"
#include "gui/app/message_box.h"
#include "gui/app/recent_files.h"
#include "gui/app/resources.h"
#include "gui/editor/tovar_view.h"

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

CMainFrame::CMainFrame(RecentFileList& recentFiles, const QStringList& toneTable, QWidget* parent)
    : QMainWindow(parent), m_recentFiles(recentFiles) {
    EnsureAppResources();
    // The caption never names the document.
    setWindowTitle(AppTitle());
    setWindowIcon(AppIcon(QStringLiteral("pm514rx")));
    resize(kRequestedWidth, kRequestedHeight);
    setAcceptDrops(true);

    m_view = new CTovarView(m_doc, toneTable, this);
    setCentralWidget(m_view);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(m_view, &CTovarView::StatusHint, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text) {
    auto* action = new QAction(text, this);
    const cmd::Prompt prompt = cmd::PromptOf(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    action->setStatusTip(prompt.status);
    if (!prompt.tip.isEmpty()) action->setToolTip(prompt.tip);
    action->setIconVisibleInMenu(false);
    if (menu) menu->addAction(action);
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    QMenu* file = m_fileMenu;
    connect(AddCommand(file, cmd::kFileNew, QStringLiteral("&New\tCtrl+N")), &QAction::triggered, this,
            &CMainFrame::OnFileNew);
    connect(AddCommand(file, cmd::kFileOpen, QStringLiteral("&Open...\tCtrl+O")), &QAction::triggered, this,
            &CMainFrame::OnFileOpen);
    connect(AddCommand(file, cmd::kFileSave, QStringLiteral("&Save\tCtrl+S")), &QAction::triggered, this,
            &CMainFrame::OnFileSave);
    connect(AddCommand(file, cmd::kFileSaveAs, QStringLiteral("Save &As...")), &QAction::triggered, this,
            &CMainFrame::OnFileSaveAs);
    m_afterSaveAs = file->addSeparator();
    connect(AddCommand(file, cmd::kFilePrint, QStringLiteral("&Print...\tCtrl+P")), &QAction::triggered, this,
            [this] {
                m_view->CommitCellEdit();
                emit PrintRequested();
            });
    connect(AddCommand(file, cmd::kFilePrintPreview, QStringLiteral("Print Pre&view")), &QAction::triggered,
            this, [this] {
                m_view->CommitCellEdit();
                emit PrintPreviewRequested();
            });
    m_printSetup = AddCommand(file, cmd::kFilePrintSetup, QStringLiteral("P&rint Setup..."));
    connect(m_printSetup, &QAction::triggered, this, &CMainFrame::PrintSetupRequested);
    file->addSeparator();
    m_recentPlaceholder = file->addAction(QStringLiteral("Recent File"));
    m_recentPlaceholder->setEnabled(false);
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* entry = AddCommand(file, cmd::kFileMru1 + i, QString());
        connect(entry, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
        m_recentActions[static_cast<std::size_t>(i)] = entry;
    }
    file->addSeparator();
    connect(AddCommand(file, cmd::kAppExit, QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);
    UpdateRecentFileMenu();

    QMenu* program = menuBar()->addMenu(QStringLiteral("&Program"));
    connect(AddCommand(program, cmd::kReadFromRadio, QStringLiteral("&Read From Radio\tCtrl+R")),
            &QAction::triggered, this, [this] {
                m_view->CommitCellEdit();
                emit ReadFromRadioRequested();
            });
    program->addSeparator();
    connect(AddCommand(program, cmd::kWriteToRadio, QStringLiteral("&Write To Radio\tCtrl+W")),
            &QAction::triggered, this, [this] {
                m_view->CommitCellEdit();
                emit WriteToRadioRequested();
            });
    program->addSeparator();
    connect(AddCommand(program, cmd::kTestMode, QStringLiteral("&Test Mode\tCtrl+T")), &QAction::triggered,
            this, &CMainFrame::TestModeRequested);
    program->addSeparator();
    connect(AddCommand(program, cmd::kEditData, QStringLiteral("&Edit Data\tCtrl+E")), &QAction::triggered,
            m_view, &CTovarView::OnEditData);

    m_portMenu = menuBar()->addMenu(QStringLiteral("P&ort"));
    const std::array<std::pair<int, const char*>, 4> ports = {{{cmd::kPortCom1, "COM1(&P)\tCtrl+C"},
                                                               {cmd::kPortCom2, "COM2(&Q)\tCtrl+D"},
                                                               {cmd::kPortCom3, "COM3(&S)\tCtrl+E"},
                                                               {cmd::kPortCom4, "COM4(&T)\tCtrl+F"}}};
    for (const auto& [id, text] : ports) {
        QAction* port = AddCommand(m_portMenu, id, QString::fromUtf8(text));
        port->setCheckable(true);
        const QString name = QString::fromUtf8(text).left(4);
        connect(port, &QAction::triggered, this, [this, name] {
            m_view->SetPort(name);
            UpdatePortMenu();
        });
    }
    connect(m_portMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdatePortMenu);
    UpdatePortMenu();

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar = AddCommand(view, cmd::kViewToolbar, QStringLiteral("&Toolbar"));
    toolbar->setCheckable(true);
    QAction* status = AddCommand(view, cmd::kViewStatusBar, QStringLiteral("&Status Bar"));
    status->setCheckable(true);
    connect(toolbar, &QAction::triggered, this, [this](bool on) { m_wndToolBar->setVisible(on); });
    connect(status, &QAction::triggered, this, [this](bool on) { statusBar()->setVisible(on); });
    connect(view, &QMenu::aboutToShow, this, [this, toolbar, status] {
        toolbar->setChecked(m_wndToolBar->isVisible());
        status->setChecked(statusBar()->isVisible());
    });

    // The accelerator table: these keys and no others.
    Action(cmd::kFileNew)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Action(cmd::kFileOpen)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Action(cmd::kFilePrint)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Action(cmd::kFileSave)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    // Next and previous pane: a single-pane window has nowhere to go, but the keys are bound.
    for (const auto& [id, key] : {std::pair{cmd::kNextPane, QKeySequence(Qt::Key_F6)},
                                  std::pair{cmd::kPrevPane, QKeySequence(Qt::SHIFT | Qt::Key_F6)}}) {
        QAction* pane = AddCommand(nullptr, id, QString());
        pane->setShortcut(key);
        addAction(pane);
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setIconSize(QSize(24, 24));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    QAction* about = AddCommand(nullptr, cmd::kAppAbout, QStringLiteral("&About"));
    connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);
    const std::array<std::pair<int, const char*>, 9> buttons = {{{cmd::kFileNew, "new"},
                                                                 {cmd::kFileOpen, "open"},
                                                                 {cmd::kFileSave, "save"},
                                                                 {cmd::kReadFromRadio, "read"},
                                                                 {cmd::kWriteToRadio, "write"},
                                                                 {cmd::kTestMode, "testmode"},
                                                                 {cmd::kEditData, "edit"},
                                                                 {cmd::kFilePrint, "print"},
                                                                 {cmd::kAppAbout, "about"}}};
    for (const auto& [id, icon] : buttons) {
        // Gaps: New, Open, Save | Read, Write, Test Mode | Edit Data | Print, About.
        if (id == cmd::kReadFromRadio || id == cmd::kEditData || id == cmd::kFilePrint)
            m_wndToolBar->addSeparator();
        QAction* action = Action(id);
        action->setIcon(AppIcon(QString::fromLatin1(icon)));
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->addWidget(new QLabel(QStringLiteral("Ready"), bar), 1);
    const std::array<const char*, 3> names = {"CAP", "NUM", "SCRL"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* indicator = new QLabel(QString::fromLatin1(names[i]), bar);
        indicator->setObjectName(QStringLiteral("indicator%1").arg(QString::fromLatin1(names[i])));
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        indicator->setEnabled(false);
        bar->addPermanentWidget(indicator);
        m_indicators[i] = indicator;
    }
}

void CMainFrame::OnLockKeys(quint32 nativeModifiers) {
    // X11 reports Caps Lock as the Lock modifier and Num Lock as Mod2; Scroll Lock has no modifier of its
    // own.
    m_indicators[0]->setEnabled(nativeModifiers & 0x02);
    m_indicators[1]->setEnabled(nativeModifiers & 0x10);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        OnLockKeys(static_cast<QKeyEvent*>(event)->nativeModifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::AddFileMenuAction(FileMenuPlace place, QAction* action) {
    QAction* before = place == FileMenuPlace::AfterSaveAs ? m_afterSaveAs : m_printSetup;
    m_fileMenu->insertAction(before, action);
}

void CMainFrame::UpdateRecentFileMenu() {
    const QStringList& entries = m_recentFiles.Entries();
    m_recentPlaceholder->setVisible(entries.isEmpty());
    for (int i = 0; i < RecentFileList::kSize; ++i) {
        QAction* action = m_recentActions[static_cast<std::size_t>(i)];
        action->setVisible(i < entries.size());
        action->setText(i < entries.size() ? RecentEntryText(i, entries.at(i)) : QString());
        action->setEnabled(!m_bTransferRunning);
    }
}

void CMainFrame::UpdatePortMenu() {
    for (int id : {cmd::kPortCom1, cmd::kPortCom2, cmd::kPortCom3, cmd::kPortCom4}) {
        QAction* port = Action(id);
        port->setChecked(port->text().left(4) == m_view->m_strPort);
    }
}

void CMainFrame::SetTransferRunning(bool running) {
    m_bTransferRunning = running;
    for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kAppExit}) Action(id)->setEnabled(!running);
    UpdateRecentFileMenu();
}

void CMainFrame::InitialUpdate() {
    m_view->OnInitialUpdate();
    m_doc.SetSavedState(m_view->EncodedImage());
    if (!m_bShrunk) {
        m_bShrunk = true;
        ShrinkToFitForm();
    }
}

void CMainFrame::ShrinkToFitForm() {
    // Shrink only, never grow: the frame takes the form's size when it asked for more.
    if (layout()) layout()->activate();
    const QSize fit = sizeHint();
    resize(std::min(width(), fit.width()), std::min(height(), fit.height()));
}

void CMainFrame::NewDocument() {
    m_doc.OnNewDocument();
    InitialUpdate();
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    const FileOutcome outcome = m_doc.OnOpenDocument(path);
    if (!outcome.ok()) {
        ShowFileFailure(outcome);
        return false;
    }
    m_recentFiles.Add(m_doc.PathName());
    UpdateRecentFileMenu();
    InitialUpdate();
    return true;
}

bool CMainFrame::IsModified() const {
    return m_view->EncodedImage() != m_doc.SavedState();
}

bool CMainFrame::SaveModified() {
    // A value still in an open editor is part of what the user has changed.
    m_view->CommitCellEdit();
    if (!IsModified()) return true;
    switch (AskToSaveChanges(m_doc.Title(), this)) {
        case SaveAnswer::Save:
            return OnFileSave();
        case SaveAnswer::Discard:
            return true;
        case SaveAnswer::Cancel:
            break;
    }
    return false;
}

bool CMainFrame::OnFileNew() {
    if (m_bTransferRunning || !SaveModified()) return false;
    NewDocument();
    return true;
}

bool CMainFrame::OnFileOpen() {
    if (m_bTransferRunning || !SaveModified()) return false;
    const QString directory =
        m_doc.PathName().isEmpty() ? QString() : QFileInfo(m_doc.PathName()).absolutePath();
    const QString path = ChooseFileToOpen(this, directory);
    if (path.isEmpty()) return false;
    return OpenDocumentFile(path);
}

bool CMainFrame::OnOpenRecentFile(int index) {
    if (m_bTransferRunning || index < 0 || index >= m_recentFiles.Entries().size()) return false;
    // Take the name first: saving the current document may reorder the list.
    const QString path = m_recentFiles.Entries().at(index);
    if (!SaveModified()) return false;
    if (OpenDocumentFile(path)) return true;
    m_recentFiles.Remove(static_cast<int>(m_recentFiles.Entries().indexOf(path)));
    UpdateRecentFileMenu();
    return false;
}

bool CMainFrame::OnFileSave() {
    if (m_doc.PathName().isEmpty()) return OnFileSaveAs();
    m_view->CommitCellEdit();
    return SaveTo(m_doc.PathName());
}

bool CMainFrame::OnFileSaveAs() {
    m_view->CommitCellEdit();
    const QString suggested = m_doc.PathName().isEmpty() ? QStringLiteral("Untitled.sin") : m_doc.PathName();
    const QString path = ChooseFileToSave(this, suggested);
    if (path.isEmpty()) return false;
    return SaveTo(path);
}

bool CMainFrame::SaveTo(const QString& path) {
    m_view->EncodeImage();
    const FileOutcome outcome = m_doc.OnSaveDocument(path);
    if (!outcome.ok()) {
        ShowFileFailure(outcome);
        return false;
    }
    m_doc.SetSavedState(m_doc.m_image);
    m_recentFiles.Add(m_doc.PathName());
    UpdateRecentFileMenu();
    return true;
}

void CMainFrame::ShowFileFailure(const FileOutcome& outcome) {
    const std::string text =
        outcome.message.empty() ? std::string("The file could not be used.") : outcome.message;
    ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, isVisible() ? this : nullptr);
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_bTransferRunning || !SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_bTransferRunning && !FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty() || m_bTransferRunning) return;
    event->acceptProposedAction();
    activateWindow();
    if (SaveModified()) OpenDocumentFile(path);
}

}  // namespace pm
