#include "gui/print/report_painter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace pm {
namespace {

// Letter frequencies per thousand that define a font's classic "average character width": the width
// a font request means, and the one Times New Roman's own metrics carry. Newer fonts, the stand-in
// included, store an average over all their glyphs instead, which is far wider.
constexpr std::array<std::pair<char, int>, 27> kAverageWeights = {{
    {'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20}, {'g', 14}, {'h', 42}, {'i', 63},
    {'j', 3},  {'k', 6},  {'l', 35}, {'m', 20}, {'n', 56},  {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49},
    {'s', 56}, {'t', 71}, {'u', 31}, {'v', 10}, {'w', 18},  {'x', 3},  {'y', 18}, {'z', 2},  {' ', 166},
}};

double AverageCharWidth(const QFontMetricsF& metrics) {
    double sum = 0;
    for (const auto& [ch, weight] : kAverageWeights) sum += metrics.horizontalAdvance(QChar(ch)) * weight;
    return sum / 1000.0;
}

double TwipsToPixels(double twips, int dpi) {
    return twips * dpi / kTwipsPerInch;
}

QString WithoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    return text;
}

}  // namespace

void InstallReportFontSubstitution() {
    static const bool installed = [] {
        if (!QFontDatabase::hasFamily(QString::fromLatin1(kReportFontFamily))) {
            QFont::insertSubstitution(QString::fromLatin1(kReportFontFamily),
                                      QString::fromLatin1(kReportFontSubstitute));
        }
        return true;
    }();
    (void)installed;
}

PageGeometry PageGeometryOf(const QPaintDevice& device) {
    // Painting starts at the corner of the printable area, so the rectangle starts at 0 as on a printer.
    return {0, 0, device.width(), device.height(), device.logicalDpiX(), device.logicalDpiY()};
}

QFont ReportFont(const ReportFontSize& size, const QPaintDevice& device) {
    InstallReportFontSubstitution();
    QFont font(QString::fromLatin1(kReportFontFamily));
    // The request names the face; the hint only matters if neither face nor stand-in is installed.
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    // Text goes out glyph by glyph at its natural advance, as the layout's column positions assume.
    font.setKerning(false);
    font.setPointSizeF(size.height / 20.0);  // 20 twips to the point; the height is the em, not the cell

    // The requested width is met by stretching the face horizontally.
    const double natural =
        AverageCharWidth(QFontMetricsF(font, &device)) * kTwipsPerInch / device.logicalDpiX();
    if (natural > 0 && size.width > 0) {
        const long stretch = std::lround(100.0 * size.width / natural);
        font.setStretch(static_cast<int>(std::clamp(stretch, 1L, 4000L)));
    }
    return font;
}

int ReportLineHeight(const QFont& font, const QPaintDevice& device) {
    const QFontMetricsF metrics(font, &device);
    const double pixels = metrics.height() + std::max(0.0, metrics.leading());
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / device.logicalDpiY()));
}

std::optional<ReportPage> LayoutForDevice(int page, const QPaintDevice& device, const ReportInput& input) {
    const PageGeometry geometry = PageGeometryOf(device);
    const auto size = ReportFontFor(geometry);
    if (!size) return std::nullopt;
    const int line = ReportLineHeight(ReportFont(*size, device), device);
    return LayoutReportPage(page, geometry, line, input);
}

bool PaintReportPage(QPainter& painter, int page, const ReportInput& input) {
    const QPaintDevice* device = painter.device();
    if (device == nullptr) return false;
    const auto laid = LayoutForDevice(page, *device, input);
    if (!laid) return false;

    const PageGeometry geometry = PageGeometryOf(*device);
    const QFont font = ReportFont(laid->font, *device);
    const QFontMetricsF metrics(font, device);
    // Half a character stays clear before the next column.
    const double gap = TwipsToPixels(laid->font.width / 2.0, geometry.dpiX);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (const ReportItem& item : laid->items) {
        const QString text = QString::fromStdString(item.text);
        // Items name the top-left corner of the text; Qt draws from the baseline. Twips grow upward.
        const QPointF at(TwipsToPixels(item.x, geometry.dpiX),
                         TwipsToPixels(-item.y, geometry.dpiY) + metrics.ascent());
        const double room = item.room > 0 ? TwipsToPixels(item.room, geometry.dpiX) - gap : 0;
        const double width = metrics.horizontalAdvance(WithoutTrailingBlanks(text));
        if (room > 0 && width > room) {
            // A few values ("QT/DQT") are wider than their column; squeezed, they stay readable instead of
            // running into the next one.
            painter.save();
            painter.translate(at);
            painter.scale(room / width, 1.0);
            painter.drawText(QPointF(0, 0), text);
            painter.restore();
        } else {
            painter.drawText(at, text);
        }
    }
    painter.restore();
    return true;
}

bool PaintReport(QPainter& painter, QPagedPaintDevice& device, const std::vector<int>& pages,
                 const ReportInput& input) {
    bool first = true;
    for (int page : pages) {
        if (!first && !device.newPage()) return false;
        first = false;
        if (!PaintReportPage(painter, page, input)) return false;
    }
    return true;
}

}  // namespace pm
