#pragma once
// The report as a PDF file: the same pages the printer gets, written atomically.

#include <QPageLayout>
#include <QString>

#include "core/report/report_input.h"

namespace pm {

/** A4 portrait with 10 mm margins: the page of a PDF made without a print setup. */
[[nodiscard]] QPageLayout DefaultPdfPageLayout();

/**
 * Writes the three report pages of input as a PDF to path, replacing any file there only when complete.
 * False with a message in *error (when given) if the page cannot carry the report or the file cannot be
 * written.
 */
[[nodiscard]] bool ExportReportPdf(const ReportInput& input, const QString& path, QString* error,
                                   const QPageLayout& layout = DefaultPdfPageLayout());

}  // namespace pm
