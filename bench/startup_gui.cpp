// Start-up time of the desktop program: from process start to the main window's first paint, on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise. Prints each run and the median of 10.
//
//   bench_startup_gui [path/to/pm514rx] [channel-file]

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 10;

std::string DefaultProgram() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "pm514rx";
    return (self.parent_path().parent_path() / "gui" / "pm514rx").string();
}

// One start: milliseconds until the program said "shown", or a negative number when it did not.
double TimeOneStart(const std::string& program, const std::string& file) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    if (!file.empty()) argv.push_back(const_cast<char*>(file.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return -1;
    }
    std::string out;
    char buffer[256];
    double elapsed = -1;
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.find("shown\n") != std::string::npos) {
            elapsed =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : DefaultProgram();
    const std::string file = argc > 2 ? argv[2] : std::string();
    if (access(program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_startup_gui: %s is not there; build the target pm514rx first\n",
                     program.c_str());
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("PM514RX_QUIT_WHEN_SHOWN", "1", 1);

    std::vector<double> times;
    TimeOneStart(program, file);  // warm the file cache and the font cache once
    for (int i = 0; i < kRuns; ++i) {
        const double ms = TimeOneStart(program, file);
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup_gui: run %d did not show its window\n", i + 1);
            return 1;
        }
        std::printf("run %2d: %7.1f ms\n", i + 1, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = (times[kRuns / 2 - 1] + times[kRuns / 2]) / 2;
    std::printf("start-up to main window shown (%s platform): median of %d = %.1f ms (min %.1f, max %.1f)\n",
                std::getenv("QT_QPA_PLATFORM"), kRuns, median, times.front(), times.back());
    return 0;
}
