#pragma once
// File, "Import CSV..." and "Export CSV...": channel lists in and out of the editor.

#include <QString>

#include <functional>
#include <optional>

#include "core/csv/channel_csv.h"

namespace pm {

class MainWindow;

/** A chosen CSV file: the path and, for an export, the layout to write. */
struct CsvChoice {
    QString path;
    CsvLayout layout = CsvLayout::Native;
};

/** Picks a CSV file instead of the dialog (tests): import or export, suggested path; nullopt = Cancel. */
using CsvChooser = std::function<std::optional<CsvChoice>(bool exporting, const QString& suggested)>;

/** Routes the CSV file choosers to chooser while it lives. */
class ScopedCsvChooser {
  public:
    explicit ScopedCsvChooser(CsvChooser chooser);
    ~ScopedCsvChooser();
    ScopedCsvChooser(const ScopedCsvChooser&) = delete;
    ScopedCsvChooser& operator=(const ScopedCsvChooser&) = delete;

  private:
    CsvChooser previous_;
};

/** Import CSV: a chosen file, planned and previewed in a dialog, then applied on Import; other bytes stay. */
void ImportCsvCommand(MainWindow& frame);

/** Add Channel List: the list at path in the import dialog, preset to merge into empty channels. */
void AddChannelListCommand(MainWindow& frame, const QString& path);

/** Installs "Import CSV..." and "Export CSV..." after "Save As..." in window's File menu. */
void InstallCsvCommands(MainWindow& window);

/** Export CSV: the channels as the grid shows them now, in the chosen layout. */
void ExportCsvCommand(MainWindow& frame);

}  // namespace pm
