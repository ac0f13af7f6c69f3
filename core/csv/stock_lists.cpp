#include "core/csv/stock_lists.h"

#include <system_error>

#include "core/editing/channel_rows.h"

namespace pm {

const std::vector<StockList>& StockLists() {
    static const std::vector<StockList> lists = {
        {"noaa-weather.csv", "NOAA Weather Radio (7, receive only)"},
        {"murs.csv", "MURS (5)"},
        {"marine-vhf.csv", "International Marine VHF"},
        {"2m-calling-aprs.csv", "2 m Simplex Calling and APRS"},
    };
    return lists;
}

std::optional<std::filesystem::path> StockListFolder(const std::filesystem::path& programFolder) {
    const std::filesystem::path folder = programFolder / ".." / "share" / "pm514rx" / "lists";
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / StockLists().front().file, error))
        return folder.lexically_normal();
    return std::nullopt;
}

int FirstChannelForList(const Image& image, int rows) {
    int run = 0;
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        run = ChannelHoldsData(image, ch) ? 0 : run + 1;
        if (run >= rows) return ch - run + 1;
    }
    int last = kChannelCount;
    while (last > 0 && !ChannelHoldsData(image, last)) --last;
    return last + 1;
}

}  // namespace pm
