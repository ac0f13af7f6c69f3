// File bytes -> image -> editor -> image: never crashes, and the second round trip changes nothing.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/image/channel_file.h"
#include "core/image/document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pm::Image image = pm::NewDocumentImage();
    const pm::Image before = image;
    const pm::FileOutcome outcome = pm::ImageFromBytes(std::span<const std::uint8_t>(data, size), image);
    if (!outcome.ok()) {
        if (image != before) std::abort();
        return 0;
    }
    const pm::Image once = pm::RoundTrip(image);
    if (pm::RoundTrip(once) != once) std::abort();
    for (std::size_t i = 0; i < pm::kImageSize; ++i) {
        const auto keep = static_cast<std::uint8_t>(~pm::InterpretedMask(i));
        if ((once[i] & keep) != (image[i] & keep)) std::abort();
    }
    return 0;
}
