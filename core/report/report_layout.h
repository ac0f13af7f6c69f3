#pragma once
// The three-page settings report as text items at positions in twips, one list per page.
//
// Coordinates follow the twips mapping of a printer: 1440 units per inch, origin at the top-left corner of
// the printable area, y growing upward (every line below the top has a more negative y). An item's point is
// the top-left corner of its text.

#include <optional>
#include <string>
#include <vector>

#include "core/report/report_input.h"

namespace pm {

inline constexpr int kTwipsPerInch = 1440;
/** Pages of the report; nothing beyond is offered. */
inline constexpr int kReportPageCount = 3;

/** The page as the printer describes it. */
struct PageGeometry {
    /** Printable rectangle in device pixels. */
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    /** Device pixels per inch, horizontally and vertically. */
    int dpiX = 0;
    int dpiY = 0;
};

/** The font every page asks for, in twips. */
struct ReportFontSize {
    /** Character height (the em, without internal leading): a forty-fifth of the printable height. */
    int height = 0;
    /** Average character width, also the horizontal unit of the layout. */
    int width = 0;
};

/** Font size for a page; nothing when the geometry cannot carry the report (no resolution, too small). */
[[nodiscard]] std::optional<ReportFontSize> ReportFontFor(const PageGeometry& page);

/** What an item is, for painters that care and for tests. */
enum class ReportItemKind { Title, Section, Setting, Heading, Cell };

/** One string drawn at one point. */
struct ReportItem {
    ReportItemKind kind = ReportItemKind::Cell;
    int x = 0;
    int y = 0;
    std::string text;
    /** Grid row and column of a Cell item; 0 and -1 for the other kinds. */
    int row = 0;
    int column = -1;
    /** Width up to the next column for a Cell item, 0 where nothing follows. */
    int room = 0;
};

/** One laid-out page. */
struct ReportPage {
    int number = 0;
    ReportFontSize font;
    int lineHeight = 0;
    std::vector<ReportItem> items;
};

/** Rows printed on a page: first and last grid row. */
struct ReportRowRange {
    int first = 0;
    int last = -1;
};

/** Channel rows of page 1, 2 or 3. */
[[nodiscard]] ReportRowRange ReportRowsOfPage(int page);

/** The heading line above the channel rows, drawn as one string. */
[[nodiscard]] std::string ReportHeadingLine(const ReportInput& input);

/**
 * Lays out page 1, 2 or 3. lineHeight is the selected font's height plus external leading, in twips, as
 * measured with the font of ReportFontFor. Nothing for another page number, an unusable geometry or a
 * line height below 1.
 */
[[nodiscard]] std::optional<ReportPage> LayoutReportPage(int page, const PageGeometry& geometry,
                                                         int lineHeight, const ReportInput& input);

/** Pages a print range asks for: from/to of 0 mean all pages; the range is clamped to 1..3. */
[[nodiscard]] std::vector<int> ReportPagesToPrint(int from, int to);

}  // namespace pm
