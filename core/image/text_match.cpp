#include "core/image/text_match.h"

namespace pm {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int FindPrefix(const std::vector<std::string>& entries, std::string_view prefix) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (StartsWithNoCase(entries[i], prefix)) return static_cast<int>(i);
    }
    return -1;
}

int FindExact(const std::vector<std::string>& entries, std::string_view text) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (EqualsNoCase(entries[i], text)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace pm
