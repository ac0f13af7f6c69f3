#pragma once
// A one-line progress bar on stderr for transfers: blocks done, time elapsed and time left.

#include <chrono>
#include <optional>
#include <string>

namespace pm::cli {

/** Draws over one terminal line; does nothing when disabled (stderr is not a terminal). */
class ProgressBar {
  public:
    /** A bar that starts its clock now. */
    explicit ProgressBar(bool enabled);
    /** Redraws the bar for done of total blocks. */
    void Update(int done, int total);
    /** Erases the bar so that a message can take the line; the next Update draws it again. */
    void Clear();
    /** Leaves the last drawing on its line and moves below it. */
    void Finish();

  private:
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::optional<std::chrono::steady_clock::time_point> firstBlock_;
    int firstDone_ = 0;
};

/** "m:ss" for a duration in seconds (negative counts as 0). */
[[nodiscard]] std::string FormatDuration(double seconds);

}  // namespace pm::cli
