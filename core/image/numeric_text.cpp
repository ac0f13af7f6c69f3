#include "core/image/numeric_text.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace pm {
namespace {

locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

double ParseLeadingDouble(std::string_view text) {
    // strtod_l needs a terminated string; texts are short, a copy is cheap.
    const std::string copy(text);
    const double value = strtod_l(copy.c_str(), nullptr, CLocale());
    return value;
}

std::uint32_t ParseLeadingUnsigned(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::numeric_limits<std::uint32_t>::max();
        }
    }
    return static_cast<std::uint32_t>(value);
}

std::string FormatFixed(double value, int decimals) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // 1e308 with five decimals fits in well under 400 characters. printf's %f is exact in every C
    // library we build with (a floating-point to_chars is not), and the C locale keeps the point a point.
    char buffer[400];
    const locale_t previous = uselocale(CLocale());
    const int length = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    uselocale(previous);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof buffer) return "inf";
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string FormatFrequency(std::uint32_t units) {
    return FormatFixed(units * 0.00001, 5);
}

bool RoundToUnits(double value, std::uint32_t& units) {
    if (!std::isfinite(value) || value < 0) return false;
    const double rounded = std::round(value);
    if (rounded > static_cast<double>(std::numeric_limits<std::uint32_t>::max())) return false;
    units = static_cast<std::uint32_t>(rounded);
    return true;
}

}  // namespace pm
