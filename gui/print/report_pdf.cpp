#include "gui/print/report_pdf.h"

#include <QBuffer>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <span>

#include "core/image/channel_file.h"
#include "core/texts.h"
#include "gui/common/file_names.h"
#include "gui/print/report_painter.h"

namespace pm {
namespace {

// Fine enough that the 1/45 character height and the column positions lose nothing to rounding.
constexpr int kPdfResolution = 1200;

void SetError(QString* error, const QString& text) {
    if (error != nullptr) *error = text;
}

}  // namespace

QPageLayout DefaultPdfPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

bool ExportReportPdf(const ReportInput& input, const QString& path, QString* error,
                     const QPageLayout& layout) {
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("No file name for the PDF."));
        return false;
    }
    // The PDF is made in memory first, so a failure never leaves half a file behind.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setCreator(QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
        writer.setTitle(QStringLiteral("The Radio Settings"));
        if (!layout.isValid() || !writer.setPageLayout(layout)) {
            SetError(error, QStringLiteral("The page set up for the PDF is not usable."));
            return false;
        }
        QPainter painter;
        if (!painter.begin(&writer)) {
            SetError(error, QStringLiteral("Cannot start the PDF."));
            return false;
        }
        const bool painted = PaintReport(painter, writer, {1, 2, 3}, input);
        painter.end();
        if (!painted) {
            SetError(error, QStringLiteral("The page is too small for the report."));
            return false;
        }
    }
    const QByteArray& bytes = buffer.data();
    const FileOutcome outcome = SaveFileAtomically(
        FileNameBytes(path), std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size())));
    if (!outcome.ok()) {
        SetError(error, QString::fromStdString(outcome.message));
        return false;
    }
    return true;
}

}  // namespace pm
