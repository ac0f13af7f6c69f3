#pragma once
// The main window: menus, toolbar, status bar, and the document commands around the form view.

#include <QMainWindow>
#include <QMap>
#include <QStringList>

#include <array>
#include <memory>

#include "gui/app/channel_document.h"
#include "gui/app/commands.h"

class QLabel;
class QMenu;
class QToolBar;

namespace pm {

class ChannelView;
class EditCommands;
class RecentFileList;
class TransferLog;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    /** Window width and height asked for before the frame shrinks to fit the form. */
    static constexpr int kRequestedWidth = 800;
    static constexpr int kRequestedHeight = 1100;

    /** The frame with its document and form view; the tone table fills the view's tone list. */
    MainWindow(RecentFileList& recentFiles, const QStringList& toneTable, QWidget* parent = nullptr);
    ~MainWindow() override;

    /** The document. */
    [[nodiscard]] ChannelDocument& Document() { return document_; }
    /** The form view. */
    [[nodiscard]] ChannelView* View() const { return view_; }
    /** The action of a command, or nullptr. */
    [[nodiscard]] QAction* Action(Command command) const { return actions_.value(command, nullptr); }
    /** The toolbar. */
    [[nodiscard]] QToolBar* ToolBar() const { return toolBar_; }
    /** The "P&ort" menu, for entries beyond COM1 to COM4. */
    [[nodiscard]] QMenu* PortMenu() const { return portMenu_; }
    /** The grid's context menu. */
    [[nodiscard]] QMenu* ContextMenu() const { return contextMenu_; }
    /** Undo history, clipboard and channel row commands. */
    [[nodiscard]] EditCommands& Edits() const { return *edits_; }
    /** Records everything changed since the last step (the view already shows it) as one undo step. */
    void RecordImageChange(const QString& name);
    /** Every exchange with a radio in this run (View, Transfer Log). */
    [[nodiscard]] TransferLog& Log() const { return *log_; }
    /** Shows how an exchange ended in the status bar until the next outcome; full is its tool tip. */
    void ShowOutcome(const QString& line, const QString& full);
    /** The status bar's line that keeps the last outcome. */
    [[nodiscard]] QLabel* OutcomeLabel() const { return statusLine_; }
    /** The status bar's note of the open file and whether it has unsaved changes. */
    [[nodiscard]] QLabel* FileLabel() const { return fileLabel_; }

    /** Where further File menu entries go. */
    enum class FileMenuPlace { AfterSaveAs, AfterPrintPreview };
    /** Adds action to the File menu at place, after the entries already added there. */
    void AddFileMenuAction(FileMenuPlace place, QAction* action);

    /** While a transfer runs, commands that would replace the document or close the window are refused. */
    void SetTransferRunning(bool running);
    [[nodiscard]] bool IsTransferRunning() const { return transferRunning_; }

    /** Starts a new document without asking anything. */
    void NewDocument();
    /** Opens path without asking anything; on failure reports it and keeps the document as it was. */
    bool OpenDocumentFile(const QString& path);
    /**
     * Reads and checks path first, then asks whether to save changes, then opens it (Open, recent, drop);
     * unusable tells a file that could not be used from a question answered Cancel.
     */
    bool OpenCheckedFile(const QString& path, bool* unusable = nullptr);
    /** True when the editor holds something other than what was last opened or saved. */
    [[nodiscard]] bool IsModified() const;
    /** Asks whether to save changes when there are any; false when the user cancelled (or the save failed).
     */
    bool SaveModified();

  public slots:
    /** File New, after the save question. */
    bool OnFileNew();
    /** File Open, after the save question. */
    bool OnFileOpen();
    /** File Save: to the document's file, or Save As for a new document. */
    bool OnFileSave();
    /** File Save As. */
    bool OnFileSaveAs();
    /** Recent file entry index (0 first), after the save question. */
    bool OnOpenRecentFile(int index);
    /** The About box. */
    void OnAppAbout();

  signals:
    /** Program, Read From Radio: the open editor has been committed. */
    void ReadFromRadioRequested();
    /** Program, Write To Radio: the open editor has been committed. */
    void WriteToRadioRequested();
    /** Program, Test Mode. */
    void TestModeRequested();
    /** File, Print: the open editor has been committed. */
    void PrintRequested();
    /** File, Print Preview: the open editor has been committed. */
    void PrintPreviewRequested();
    /** File, Print Setup. */
    void PrintSetupRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* AddCommand(QMenu* menu, Command command, const QString& text);
    void CreateMenus();
    void CreateEditMenu();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateRecentFileMenu();
    void UpdatePortMenu();
    void InitialUpdate();
    bool SaveTo(const QString& path);
    void ShowFileFailure(const FileOutcome& outcome);
    void ShrinkToFitForm();
    void OnLockKeys(quint32 nativeModifiers);
    void UpdateFileLabel();

    RecentFileList& recentFiles_;
    ChannelDocument document_;
    ChannelView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* portMenu_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    std::unique_ptr<EditCommands> edits_;
    QAction* afterSaveAs_ = nullptr;
    QAction* printSetup_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    std::array<QAction*, 4> recentActions_{};
    std::array<QLabel*, 3> indicators_{};
    QLabel* statusLine_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    TransferLog* log_ = nullptr;
    QMap<Command, QAction*> actions_;
    bool transferRunning_ = false;
    bool shrunk_ = false;
};

}  // namespace pm
