#include "cli/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

namespace pm::cli {
namespace {

constexpr int kWidth = 30;

}  // namespace

std::string FormatDuration(double seconds) {
    if (!(seconds > 0)) seconds = 0;
    const long total = std::lround(std::min(seconds, 359999.0));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled), start_(std::chrono::steady_clock::now()) {}

void ProgressBar::Update(int done, int total) {
    if (!enabled_ || total <= 0) return;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int filled = done * kWidth / total;
    std::string bar = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                      std::string(static_cast<std::size_t>(kWidth - filled), '-') + "] " +
                      std::to_string(done) + "/" + std::to_string(total) + " blocks  " +
                      FormatDuration(elapsed) + " elapsed";
    // The pace is taken from the blocks alone: the identification and any question before them say
    // nothing about how long the rest will take.
    const auto now = std::chrono::steady_clock::now();
    if (!firstBlock_ || done <= 1) {
        firstBlock_ = now;
        firstDone_ = done;
    } else if (done > firstDone_) {
        const double perBlock =
            std::chrono::duration<double>(now - *firstBlock_).count() / (done - firstDone_);
        bar += "  " + FormatDuration(perBlock * (total - done)) + " left";
    }
    std::cerr << bar << "\x1b[K" << std::flush;
    drawn_ = true;
}

void ProgressBar::Clear() {
    if (!enabled_ || !drawn_) return;
    std::cerr << "\r\x1b[K" << std::flush;
    drawn_ = false;
}

void ProgressBar::Finish() {
    if (!enabled_ || !drawn_) return;
    std::cerr << '\n' << std::flush;
    drawn_ = false;
}

}  // namespace pm::cli
