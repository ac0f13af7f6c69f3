#pragma once
// The channel lists shipped with the program: community-layout CSV files in the data folder, each row
// a published frequency of its service that the radio can receive, with a comment naming its source.

#include <filesystem>

#include "core/image/memory_image.h"
#include <optional>
#include <string_view>
#include <vector>

namespace pm {

struct StockList {
    std::string_view file;   // "noaa-weather.csv"
    std::string_view title;  // "NOAA Weather Radio (7, receive only)"
};

/** The shipped lists in menu order. */
[[nodiscard]] const std::vector<StockList>& StockLists();

/**
 * The folder that holds the lists: <program's folder>/../share/pm514rx/lists (installed, or copied
 * there in the build tree); nothing when it does not hold them.
 */
[[nodiscard]] std::optional<std::filesystem::path> StockListFolder(
    const std::filesystem::path& programFolder);

/**
 * Where a list of rows channels merges in without overwriting: the first empty channel followed by
 * enough empty ones; else the first after the last channel in use (the rows beyond 80 find none); 81
 * when channel 80 is in use.
 */
[[nodiscard]] int FirstChannelForList(const Image& image, int rows);

}  // namespace pm
