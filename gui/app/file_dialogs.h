#pragma once
// The Open and Save As file choosers; tests install a chooser instead of the dialogs.

#include <QString>

#include <functional>

class QWidget;

namespace pm {

/** Which file chooser is asked. */
enum class FileChoice { Open, SaveAs };

/** Picks a file instead of the dialog; gets the kind and the suggested path, returns "" for Cancel. */
using FileChooser = std::function<QString(FileChoice, const QString& suggested)>;

/** The filter of the channel file dialogs. */
[[nodiscard]] QString ChannelFileFilter();

/** Asks for a channel file to open; "" when cancelled. */
[[nodiscard]] QString ChooseFileToOpen(QWidget* parent, const QString& directory);

/** Asks where to save a channel file, suggesting suggested; "" when cancelled. */
[[nodiscard]] QString ChooseFileToSave(QWidget* parent, const QString& suggested);

/** Routes the two choosers to chooser while it lives. */
class ScopedFileChooser {
  public:
    explicit ScopedFileChooser(FileChooser chooser);
    ~ScopedFileChooser();
    ScopedFileChooser(const ScopedFileChooser&) = delete;
    ScopedFileChooser& operator=(const ScopedFileChooser&) = delete;

  private:
    FileChooser previous_;
};

}  // namespace pm
