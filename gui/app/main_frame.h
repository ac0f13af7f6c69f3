#pragma once
// The main window: menus, toolbar, status bar, and the document commands around the form view.

#include <QMainWindow>
#include <QMap>
#include <QStringList>

#include <array>

#include "gui/app/tovar_doc.h"

class QLabel;
class QMenu;
class QToolBar;

namespace pm {

class CTovarView;
class RecentFileList;

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    /** Window width and height asked for before the frame shrinks to fit the form. */
    static constexpr int kRequestedWidth = 800;
    static constexpr int kRequestedHeight = 1100;

    /** The frame with its document and form view; the tone table fills the view's tone list. */
    CMainFrame(RecentFileList& recentFiles, const QStringList& toneTable, QWidget* parent = nullptr);
    ~CMainFrame() override;

    /** The document. */
    [[nodiscard]] CTovarDoc& GetDocument() { return m_doc; }
    /** The form view. */
    [[nodiscard]] CTovarView* GetActiveView() const { return m_view; }
    /** The action of a command id, or nullptr. */
    [[nodiscard]] QAction* Action(int id) const { return m_actions.value(id, nullptr); }
    /** The toolbar. */
    [[nodiscard]] QToolBar* ToolBar() const { return m_wndToolBar; }
    /** The "P&ort" menu, for entries beyond COM1 to COM4. */
    [[nodiscard]] QMenu* PortMenu() const { return m_portMenu; }

    /** Where further File menu entries go. */
    enum class FileMenuPlace { AfterSaveAs, AfterPrintPreview };
    /** Adds action to the File menu at place, after the entries already added there. */
    void AddFileMenuAction(FileMenuPlace place, QAction* action);

    /** While a transfer runs, commands that would replace the document or close the window are refused. */
    void SetTransferRunning(bool running);
    [[nodiscard]] bool IsTransferRunning() const { return m_bTransferRunning; }

    /** Starts a new document without asking anything. */
    void NewDocument();
    /** Opens path without asking anything; on failure reports it and keeps the document as it was. */
    bool OpenDocumentFile(const QString& path);
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
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateRecentFileMenu();
    void UpdatePortMenu();
    void InitialUpdate();
    bool SaveTo(const QString& path);
    void ShowFileFailure(const FileOutcome& outcome);
    void ShrinkToFitForm();
    void OnLockKeys(quint32 nativeModifiers);

    RecentFileList& m_recentFiles;
    CTovarDoc m_doc;
    CTovarView* m_view = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_portMenu = nullptr;
    QAction* m_afterSaveAs = nullptr;
    QAction* m_printSetup = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    std::array<QAction*, 4> m_recentActions{};
    std::array<QLabel*, 3> m_indicators{};
    QMap<int, QAction*> m_actions;
    bool m_bTransferRunning = false;
    bool m_bShrunk = false;
};

}  // namespace pm
