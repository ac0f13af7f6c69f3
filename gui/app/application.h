#pragma once
// The application: start-up in its order, the tone table for the whole run, the recent-file list.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "gui/app/recent_files.h"

namespace pm {

class MainWindow;

class Application {
  public:
    /** Adds commands to a new main window before it shows anything (the features of the program). */
    using Installer = std::function<void(MainWindow&)>;

    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /**
     * Start-up: settings key, recent files, tone table, frame with a new document or the named file,
     * icon, window shown. False when the named file cannot be opened (after saying why): no window then.
     */
    bool Start(const QString& fileToOpen = QString(), const Installer& install = {});

    /** The main window, once started. */
    [[nodiscard]] MainWindow* Window() const { return window_.get(); }
    /** The tone table's 263 display strings. */
    [[nodiscard]] const QStringList& ToneTable() const { return toneTable_; }
    /** The recent-file list. */
    [[nodiscard]] RecentFileList& RecentFiles() { return recentFiles_; }

  private:
    QStringList toneTable_;
    RecentFileList recentFiles_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace pm
