#pragma once
// The About box.

#include <QDialog>

namespace pm {

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    /** The box, laid out in dialog units of its own font. */
    explicit AboutDialog(QWidget* parent = nullptr);

    /** The notice line under the program's name. */
    [[nodiscard]] static QString NoticeText();
};

}  // namespace pm
