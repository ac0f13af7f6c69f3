#pragma once
// The decimal-comma locale of the locale tests, made in the build tree when the system lacks it: no system
// file is touched.

#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace pm::test {

/**
 * Makes de_DE.UTF-8 usable by this process and its children: the system's when installed, else one compiled
 * by localedef into PM_BUILD_DIR/test-locale, which LOCPATH then names. Empty when it is usable, else why
 * not.
 */
inline std::string DecimalCommaLocale() {
    const auto usable = [] {
        const std::string saved = std::setlocale(LC_ALL, nullptr);
        const bool ok = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        std::setlocale(LC_ALL, saved.c_str());
        return ok;
    };
    if (usable()) return {};
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(PM_BUILD_DIR) / "test-locale";
    // Made before LOCPATH names it (the C library remembers a locale it did not find), beside and renamed
    // into place, so that a test program running at the same time never reads half of it.
    std::error_code ec;
    if (!fs::is_directory(dir / "de_DE.UTF-8", ec)) {
        fs::create_directories(dir, ec);
        const fs::path part = dir / ("de_DE.UTF-8." + std::to_string(::getpid()));
        const std::string make = "localedef -i de_DE -f UTF-8 '" + part.string() + "' >/dev/null 2>&1";
        (void)std::system(make.c_str());  // exit 1 only warns; whether the locale loads is what counts
        fs::rename(part, dir / "de_DE.UTF-8", ec);
        fs::remove_all(part, ec);
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    if (usable()) return {};
    return "de_DE.UTF-8 is not installed and localedef could not make it (Debian package locales)";
}

}  // namespace pm::test
