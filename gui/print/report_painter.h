#pragma once
// The one routine that paints report pages, on a printer, in the print preview and into a PDF.

#include <QFont>

#include <vector>

#include "core/report/report_layout.h"

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;

namespace pm {

/** The face the report asks for. */
inline constexpr const char* kReportFontFamily = "Times New Roman";
/** Its metric-compatible stand-in where the face itself is not installed. */
inline constexpr const char* kReportFontSubstitute = "Liberation Serif";

/** Lets the report's face resolve to its stand-in when it is missing; safe to call more than once. */
void InstallReportFontSubstitution();

/** The printable area and resolution of a device, as the layout wants them. */
[[nodiscard]] PageGeometry PageGeometryOf(const QPaintDevice& device);

/** The report font for device: character height and average character width as given, in twips. */
[[nodiscard]] QFont ReportFont(const ReportFontSize& size, const QPaintDevice& device);

/** Line height of font on device in twips: height plus external leading. */
[[nodiscard]] int ReportLineHeight(const QFont& font, const QPaintDevice& device);

/** Lays out page (1..3) for device: font, line height and items; nothing when the page is unusable. */
[[nodiscard]] std::optional<ReportPage> LayoutForDevice(int page, const QPaintDevice& device,
                                                        const ReportInput& input);

/** Paints page (1..3) on the painter's device; false when the device cannot carry the report. */
[[nodiscard]] bool PaintReportPage(QPainter& painter, int page, const ReportInput& input);

/** Paints pages in order on device, a new sheet between two pages; false at the first page that fails. */
[[nodiscard]] bool PaintReport(QPainter& painter, QPagedPaintDevice& device, const std::vector<int>& pages,
                               const ReportInput& input);

}  // namespace pm
