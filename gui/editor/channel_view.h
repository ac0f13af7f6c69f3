#pragma once
// The form view: the Function Setting group above the 80-channel grid.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>

#include "core/image/memory_image.h"
#include "core/image/setting_lists.h"
#include "gui/editor/grid_table.h"
#include "gui/editor/setting_combo.h"

class QGroupBox;
class QLabel;

namespace pm {

class CellEditors;
class ChannelGrid;
class DialogUnits;

class ChannelView : public QWidget {
    Q_OBJECT

  public:
    /** The form over a document's memory image; the tone list is filled from toneTable. */
    ChannelView(Image& image, QStringList toneTable, QWidget* parent = nullptr);
    ~ChannelView() override;

    /** Shows the document: headings, numbers, decoded image, focus on "Tx total Time(s)". */
    void OnInitialUpdate();
    /** Fills the grid and the lists from the document's image. */
    void DecodeImage();
    /** Makes image the document's image and shows it, its band in force; an open editor closes unsaved. */
    void ShowImage(const Image& image);
    /** Writes the grid and the lists into the document's image. */
    void EncodeImage();
    /** What EncodeImage would write, without touching the document. */
    [[nodiscard]] Image EncodedImage() const;
    /** Moves the value of an open in-place editor into the grid, with the input checks. */
    void CommitCellEdit();
    /** Opens the in-place editor of the current cell: key 0 by mouse, 13 by Enter, else the typed character.
     */
    void BeginCellEdit(int key);
    /** The five in-place editors. */
    [[nodiscard]] CellEditors& Editors() const { return *editors_; }

    /** The channel grid. */
    [[nodiscard]] ChannelGrid& Grid() const { return *grid_; }
    /** The grid as a table of texts (codec, cell rules, report). */
    [[nodiscard]] ChannelTable& Table() { return table_; }
    /** The Function Setting lists as selections (codec, report). */
    [[nodiscard]] SettingLists& Lists() { return lists_; }
    /** One Function Setting list. */
    [[nodiscard]] SettingCombo* List(Setting s) const { return combos_.at(static_cast<std::size_t>(s)); }
    /** The band recorded at the last drop-down of the band list or initial update. */
    [[nodiscard]] int BandInForce() const { return bandInForce_; }

    /** Channel rows the form's natural height shows. */
    static constexpr int kRowsShown = 20;
    /** The form's natural size: the least size, with the grid tall enough for kRowsShown rows. */
    [[nodiscard]] QSize sizeHint() const override;
    /** The template size, widened when the grid's columns need more. */
    [[nodiscard]] QSize minimumSizeHint() const override;

    /** The selected serial port name, "COM1" at every start. */
    [[nodiscard]] const QString& Port() const { return port_; }

  public slots:
    /** "Edit Data": the hint to double-click, then channel 1's Receive cell becomes current. */
    void OnEditData();
    /** Selects the serial port by name. */
    void SetPort(const QString& name) { port_ = name; }

  signals:
    /** A text for the message pane of the status bar. */
    void StatusHint(const QString& text);
    /** The user changed the document here; step names the change ("Edit Channel 5"). */
    void Edited(const QString& step);
    /** Ctrl+Enter: text is to go into every selected cell of the current column. */
    void FillRequested(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateControls();
    void LayOut();
    void WatchForHints(QWidget* widget);
    void ShowHintFor(QWidget* widget);
    void OnBandSelChange(int band);
    void OnSettingTextEdited(Setting s);
    void SetColumnWidths();
    [[nodiscard]] bool CurrentCellEditable() const;

    Image& image_;
    QStringList toneTable_;
    std::unique_ptr<DialogUnits> units_;
    QGroupBox* group_ = nullptr;
    QLabel* channelLabel_ = nullptr;
    std::array<QLabel*, kAllSettings.size()> labels_{};
    std::array<SettingCombo*, kAllSettings.size()> combos_{};
    QLabel* picture_ = nullptr;
    ChannelGrid* grid_;
    GridTable table_;
    ComboSettingLists lists_;
    std::unique_ptr<CellEditors> editors_;
    QString port_ = QStringLiteral("COM1");
    int bandInForce_ = 0;
    bool editorsCreated_ = false;
};

}  // namespace pm
