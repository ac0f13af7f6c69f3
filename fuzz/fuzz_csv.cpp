// CSV bytes -> import in each layout: never crashes, never leaves the base untouched by accident, and
// whatever was imported exports and imports again to the same image with nothing refused.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "core/csv/channel_csv.h"
#include "core/image/memory_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const pm::Image base = pm::NewDocumentImage();
    for (const auto layout : {std::optional<pm::CsvLayout>{}, std::optional{pm::CsvLayout::Native},
                              std::optional{pm::CsvLayout::Community}}) {
        const pm::CsvImportResult result = pm::ImportCsv(text, base, layout);
        (void)pm::FormatImportReport(result);
        if (!result.ok()) {
            if (result.image != base || result.channelsImported != 0) std::abort();
            continue;
        }
        for (const auto& r : result.refused) {
            if (r.line < 1 || r.channel < 0 || r.channel > pm::kChannelCount || r.reason.empty())
                std::abort();
        }
        const pm::CsvImportResult again =
            pm::ImportCsv(pm::ExportCsv(result.image, pm::CsvLayout::Native), base);
        if (!again.ok() || !again.refused.empty() || again.image != result.image) std::abort();
        if (again.channelsImported != result.channelsImported) std::abort();
    }
    return 0;
}
