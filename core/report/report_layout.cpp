#include "core/report/report_layout.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace pm {
namespace {

// Far beyond any printer, small enough that no coordinate below can overflow an int.
constexpr std::int64_t kMaxCoordinate = 1'000'000;
constexpr int kMaxDpi = 100'000;
constexpr int kMaxLineHeight = 1'000'000;

// Left edge of each printed grid column, in character widths.
constexpr std::array<int, kReportColumns> kColumnX = {1, 6, 18, 32, 42, 52, 61, 70};

bool Usable(const PageGeometry& g) {
    auto inRange = [](int v) { return std::llabs(v) <= kMaxCoordinate; };
    return inRange(g.left) && inRange(g.top) && inRange(g.right) && inRange(g.bottom) && g.right > g.left &&
           g.bottom > g.top && g.dpiX > 0 && g.dpiX <= kMaxDpi && g.dpiY > 0 && g.dpiY <= kMaxDpi;
}

// The one step that is not a whole line: 1.2 lines, in floating point, truncated toward zero.
int StepOneAndAFifth(int y, int lineHeight) {
    return static_cast<int>(static_cast<double>(y) - 1.2 * static_cast<double>(lineHeight));
}

std::string_view TitleOf(int page) {
    if (page == 1) return "The Radio Settings";
    if (page == 2) return "The Second Page";
    return "The Third Pages";
}

}  // namespace

std::optional<ReportFontSize> ReportFontFor(const PageGeometry& page) {
    if (!Usable(page)) return std::nullopt;
    const std::int64_t height = (std::int64_t{page.bottom - page.top} / 45) * kTwipsPerInch / page.dpiY;
    const std::int64_t width = (std::int64_t{page.right - page.left} * kTwipsPerInch / page.dpiX - 900) / 80;
    // A page under about 0.7 inch wide or 45 pixels high has no room for a single character.
    if (height < 1 || width < 1) return std::nullopt;
    return ReportFontSize{static_cast<int>(height), static_cast<int>(width)};
}

ReportRowRange ReportRowsOfPage(int page) {
    switch (page) {
        case 1:
            return {1, 26};
        case 2:
            return {27, 57};
        case 3:
            return {58, kChannelCount};
        default:
            return {};
    }
}

std::string ReportHeadingLine(const ReportInput& input) {
    const auto& head = input.cells[0];
    std::string line;
    line += head[col::kNumber];
    line += "   Rx(MHz)   Tx(MHz)     ";
    line += head[col::kRxTone];
    line += "   ";
    line += head[col::kTxTone];
    line += "    ";
    line += head[col::kBusy];
    line += "     Scan    Power";
    return line;
}

std::optional<ReportPage> LayoutReportPage(int page, const PageGeometry& geometry, int lineHeight,
                                           const ReportInput& input) {
    if (page < 1 || page > kReportPageCount || lineHeight < 1 || lineHeight > kMaxLineHeight)
        return std::nullopt;
    const auto font = ReportFontFor(geometry);
    if (!font) return std::nullopt;

    const int w = font->width;
    const int l = lineHeight;
    ReportPage out;
    out.number = page;
    out.font = *font;
    out.lineHeight = l;
    auto add = [&](ReportItemKind kind, int x, int y, std::string text, int row = 0, int column = -1,
                   int room = 0) {
        out.items.push_back({kind, x, y, std::move(text), row, column, room});
    };

    // Half of the right edge rather than of the width: the printable rectangle starts at 0 on a printer.
    const int titleX =
        static_cast<int>(std::int64_t{geometry.right / 2} * kTwipsPerInch / geometry.dpiX) - 18 * w;
    int y = -(l / 2);
    add(ReportItemKind::Title, titleX, y, std::string(TitleOf(page)));
    y -= l;

    auto channelBlock = [&] {
        add(ReportItemKind::Section, 5 * w, y, "Channel Setting:");
        y = StepOneAndAFifth(y, l);
        add(ReportItemKind::Heading, w, y, ReportHeadingLine(input));
        const ReportRowRange rows = ReportRowsOfPage(page);
        for (int row = rows.first; row <= rows.last; ++row) {
            y -= l;
            const auto& cells = input.cells[static_cast<std::size_t>(row)];
            for (int c = 0; c < kReportColumns; ++c) {
                const auto at = static_cast<std::size_t>(c);
                std::string text = cells[at];
                if (c != col::kNumber) text += ' ';
                const int room = c + 1 < kReportColumns ? (kColumnX[at + 1] - kColumnX[at]) * w : 0;
                add(ReportItemKind::Cell, kColumnX[at] * w, y, std::move(text), row, c, room);
            }
        }
    };

    if (page == 1) {
        add(ReportItemKind::Section, 5 * w, y, "Function Setting:");
        y = StepOneAndAFifth(y, l);
        add(ReportItemKind::Setting, 2 * w, y, "Tx Total Time: " + input.txTotalTime);
        y -= l;
        add(ReportItemKind::Setting, 2 * w, y, "Warning Setting: " + input.warning);
        add(ReportItemKind::Setting, 31 * w, y, "Squelch Level: " + input.squelch);
        y -= l;
        add(ReportItemKind::Setting, 2 * w, y, "TX power rank: " + input.txPowerRank);
        y -= l;
    } else if (page == 3) {
        y -= l;
    }
    channelBlock();
    return out;
}

std::vector<int> ReportPagesToPrint(int from, int to) {
    if (from == 0 && to == 0) {
        from = 1;
        to = kReportPageCount;
    }
    from = std::max(from, 1);
    to = std::min(to, kReportPageCount);
    std::vector<int> pages;
    for (int p = from; p <= to; ++p) pages.push_back(p);
    return pages;
}

}  // namespace pm
