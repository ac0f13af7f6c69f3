#pragma once
// Case-insensitive matching of list entries, ASCII only as the radio's texts are.

#include <string>
#include <string_view>
#include <vector>

namespace pm {

/** a equals b without regard to ASCII case. */
[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);

/** text begins with prefix without regard to ASCII case. */
[[nodiscard]] bool StartsWithNoCase(std::string_view text, std::string_view prefix);

/** Index of the first entry that begins with prefix (no case), or -1. */
[[nodiscard]] int FindPrefix(const std::vector<std::string>& entries, std::string_view prefix);

/** Index of the entry equal to text (no case), or -1. */
[[nodiscard]] int FindExact(const std::vector<std::string>& entries, std::string_view text);

}  // namespace pm
