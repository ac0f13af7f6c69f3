#pragma once
// What the Test Mode dialog shows, word for word.

#include <string>
#include <string_view>

#include "core/texts.h"

namespace pm::testmode {

/** Caption of the dialog (two blanks before the brand word). */
inline constexpr std::string_view kCaption = "Debug Mode for  ARVOS";
/** Caption of the panel's frame before any test frequency was shown. */
inline constexpr std::string_view kChooseFrequencyFirst = "Please Choose Frequency first";
/** Label of the slider's value, followed directly by the value. */
inline constexpr std::string_view kCurrentPosition = "Current Position:";

/** Default pressed while neither panel is visible. */
inline constexpr Message kNoVisibleInformation{" There are no Visible information"};
/** A handler found no valid test frequency or item to store into. */
inline constexpr Message kErro{"erro "};

/** "Current Position:47": the label and the value with nothing between. */
[[nodiscard]] inline std::string CurrentPositionText(int value) {
    return std::string(kCurrentPosition) + std::to_string(value);
}

}  // namespace pm::testmode
