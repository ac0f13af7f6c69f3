// What one editing step costs in the core: a paste of 80 whole channels, a sort, a fill of 80 cells, the
// plan check, and the decode and encode of an image that every undo step of the desktop program runs.
// Medians in milliseconds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/radio_process.h"
#include "core/editing/bulk_edit.h"
#include "core/editing/channel_rows.h"
#include "core/editing/clipboard_text.h"
#include "core/editing/plan_check.h"
#include "core/image/codec.h"
#include "core/image/document.h"
#include "sim/demo_image.h"

namespace {

using namespace pm;

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return bench::Median(ms);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 201;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    }
    // Every channel in use, so that the paste commits all 560 cells and the sort has work to do.
    Image full = sim::DemoImage();
    for (int ch = 1; ch <= kChannelCount; ++ch) {
        if (!ChannelHoldsData(full, ch)) CopyChannel(full, 1 + (ch * 7) % 20, ch);
    }
    const EditorState shown = DecodeToState(full);
    ChannelSelection all;
    for (int ch = 1; ch <= kChannelCount; ++ch) all.push_back(ch);
    const std::string text = RowsToTsv(shown.table, all);
    Image empty = NewDocumentImage();
    empty = RoundTrip(empty);

    std::size_t refused = 0;
    const double paste =
        MedianMs(runs, [&] { refused += PasteText(empty, text, 1, 1).report.refused.size(); });
    const double sort = MedianMs(runs, [&] {
        Image image = full;
        SortChannelsByReceive(image);
    });
    const double roundTrip = MedianMs(runs, [&] { (void)RoundTrip(full); });
    // The whole step as the desktop takes it: decode, 80 Power cells through the checks, encode.
    const double fill = MedianMs(runs, [&] {
        Image image = full;
        EditorState state = DecodeToState(image);
        refused +=
            FillCells(state.table, {{1, kChannelCount, col::kPower, col::kPower}}, "Low", 0).refused.size();
        EncodeImage(state.table, state.lists, image);
    });
    std::size_t findings = 0;
    const double check = MedianMs(runs, [&] { findings = CheckPlan(full).size(); });

    std::printf("Editing steps in the core, median of %d runs\n\n", runs);
    std::printf("%-40s %9.3f ms\n", "paste of 80 channels (tab-separated)", paste);
    std::printf("%-40s %9.3f ms\n", "sort by receive frequency", sort);
    std::printf("%-40s %9.3f ms\n", "decode + encode of an image (undo step)", roundTrip);
    std::printf("%-40s %9.3f ms\n", "fill of 80 cells (one undo step)", fill);
    std::printf("%-40s %9.3f ms  (%zu findings)\n", "plan check of 80 channels", check, findings);
    if (refused != 0) {
        std::fprintf(stderr, "the paste refused %zu values\n", refused);
        return 1;
    }
    return 0;
}
