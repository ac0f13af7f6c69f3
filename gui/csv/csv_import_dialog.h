#pragma once
// The Import CSV dialog: how the rows of a chosen file are placed, and a preview of every row's fate
// before anything changes.

#include <QDialog>
#include <QMap>
#include <QString>

#include "core/csv/channel_csv.h"
#include "core/image/memory_image.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace pm {

class CsvImportDialog : public QDialog {
    Q_OBJECT

  public:
    /** The dialog's controls; Widget() finds them. */
    enum class Control {
        ByLocation,
        InFileOrder,
        FirstChannel,
        Replace,
        Merge,
        Preview,
        Notes,
        Summary,
        Import
    };

    /** Plans the import of the file at path into base; nothing is applied here. */
    CsvImportDialog(const QString& path, const Image& base, QWidget* parent = nullptr);

    /** The plan the preview shows; Import means: take its image. */
    [[nodiscard]] const CsvImportResult& Plan() const { return plan_; }
    /** One of the dialog's controls. */
    [[nodiscard]] QWidget* Widget(Control control) const { return controls_.value(control, nullptr); }

  private:
    [[nodiscard]] CsvImportOptions Options() const;
    void Replan();
    void ShowPlan();
    void FitRows();

    QString path_;
    Image base_;
    CsvImportResult plan_;
    QMap<Control, QWidget*> controls_;
    QRadioButton* inFileOrder_ = nullptr;
    QSpinBox* firstChannel_ = nullptr;
    QRadioButton* merge_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QLabel* heading_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* import_ = nullptr;
};

}  // namespace pm
