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

class CTovarDoc;
class CellEditors;
class ChannelGrid;
class DialogUnits;

class CTovarView : public QWidget {
    Q_OBJECT

  public:
    /** Control id of the grid on the form. */
    static constexpr int kGridId = 1007;

    /** The form for doc; the tone list is filled from toneTable. */
    CTovarView(CTovarDoc& doc, QStringList toneTable, QWidget* parent = nullptr);
    ~CTovarView() override;

    /** Shows the document: headings, numbers, decoded image, focus on "Tx total Time(s)". */
    void OnInitialUpdate();
    /** Fills the grid and the lists from the document's image. */
    void DecodeImage();
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
    [[nodiscard]] CellEditors& Editors() const { return *m_editors; }

    /** The document shown. */
    [[nodiscard]] CTovarDoc& GetDocument() const { return m_doc; }
    /** The channel grid. */
    [[nodiscard]] ChannelGrid& Grid() const { return *m_grid; }
    /** The grid as a table of texts (codec, cell rules, report). */
    [[nodiscard]] ChannelTable& Table() { return m_table; }
    /** The Function Setting lists as selections (codec, report). */
    [[nodiscard]] SettingLists& Lists() { return m_lists; }
    /** One Function Setting list. */
    [[nodiscard]] SettingCombo* List(Setting s) const { return m_combos.at(static_cast<std::size_t>(s)); }
    /** The band recorded at the last drop-down of the band list or initial update. */
    [[nodiscard]] int BandInForce() const { return m_nBandInForce; }

    /** The form's natural size: its template size, widened when the grid's columns need more. */
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    /** The selected serial port name, "COM1" at every start. */
    QString m_strPort = QStringLiteral("COM1");

  public slots:
    /** "Edit Data": the hint to double-click, then channel 1's Receive cell becomes current. */
    void OnEditData();
    /** Selects the serial port by name. */
    void SetPort(const QString& name) { m_strPort = name; }

  signals:
    /** A text for the message pane of the status bar. */
    void StatusHint(const QString& text);

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

    CTovarDoc& m_doc;
    QStringList m_toneTable;
    std::unique_ptr<DialogUnits> m_units;
    QGroupBox* m_group = nullptr;
    QLabel* m_channelLabel = nullptr;
    std::array<QLabel*, kAllSettings.size()> m_labels{};
    std::array<SettingCombo*, kAllSettings.size()> m_combos{};
    QLabel* m_picture = nullptr;
    ChannelGrid* m_grid;
    GridTable m_table;
    ComboSettingLists m_lists;
    std::unique_ptr<CellEditors> m_editors;
    int m_nBandInForce = 0;
    bool m_bEditorsCreated = false;
};

}  // namespace pm
