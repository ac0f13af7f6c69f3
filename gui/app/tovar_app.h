#pragma once
// The application: start-up in its order, the tone table for the whole run, the recent-file list.

#include <QString>
#include <QStringList>

#include <memory>

#include "gui/app/recent_files.h"

namespace pm {

class CMainFrame;

class CTovarApp {
  public:
    CTovarApp();
    ~CTovarApp();
    CTovarApp(const CTovarApp&) = delete;
    CTovarApp& operator=(const CTovarApp&) = delete;

    /**
     * Start-up: settings key, recent files, tone table, frame with a new document or the named file,
     * icon, window shown. False when the named file cannot be opened (after saying why): no window then.
     */
    bool InitInstance(const QString& fileToOpen = QString(), bool withFeatures = true);

    /** The main window, once started. */
    [[nodiscard]] CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    /** The tone table's 263 display strings. */
    [[nodiscard]] const QStringList& ToneTable() const { return m_toneTable; }
    /** The recent-file list. */
    [[nodiscard]] RecentFileList& RecentFiles() { return m_recentFiles; }

  private:
    QStringList m_toneTable;
    RecentFileList m_recentFiles;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

}  // namespace pm
