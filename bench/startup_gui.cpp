// Start-up time of the desktop program: from process start to the main window's first paint, on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise. Prints each run and the median of 10.
// Each run is this program started again as the desktop program (the same libraries and start-up as
// pm514rx), which says "shown" on stdout at the first paint and quits.
//
//   bench_startup_gui [channel-file]

#include <QApplication>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui/app/application.h"
#include "gui/app/main_window.h"
#include "gui/desktop.h"

extern char** environ;

namespace {

constexpr int kRuns = 10;

constexpr char kChildFlag[] = "--as-desktop-program";

// Says "shown" on stdout at the main window's first paint, then quits.
class QuitWhenShown : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

// The desktop program's start: the same steps as its main(), up to the window shown.
int RunAsDesktopProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    pm::Application app;
    QuitWhenShown quit;
    if (!app.Start(args.size() > 2 ? args.at(2) : QString(), pm::InstallFeatures)) return 1;
    app.Window()->installEventFilter(&quit);
    return QApplication::exec();
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
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(kChildFlag)};
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
    if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0) return RunAsDesktopProgram(argc, argv);
    const std::string program = "/proc/self/exe";
    const std::string file = argc > 1 ? argv[1] : std::string();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

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
