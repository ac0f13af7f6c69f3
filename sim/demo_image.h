#pragma once
// The virtual radio's memory when no file is given: a plausible 2 m channel plan.

#include "core/image/memory_image.h"

namespace pm::sim {

/**
 * A demonstration memory: three dozen channels (simplex, repeaters with CTCSS and DCS tones,
 * receive-only and 12.5 kHz channels, a few outside the 2 m band), settings away from their
 * defaults, and the radio's own bytes in the rows the program never interprets.
 */
[[nodiscard]] Image DemoImage();

}  // namespace pm::sim
