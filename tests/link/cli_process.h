#pragma once
// Runs pm514rx-cli as its own process, the way a user would: to the end, or in the background.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace pm::test {

/** A started process and the read ends of its stdout and stderr. */
struct Child {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

/** What a process printed, and its exit code (128 + the signal when one ended it). */
struct Finished {
    int exit = -1;
    std::string out;
    std::string err;
};

/** Starts the CLI with stdin /dev/null; a prefix (a program on PATH and its words) runs it, when given. */
inline Child Spawn(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {}) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all = prefix;
    all.push_back(PM_CLI_PATH);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    Child c;
    const int rc = posix_spawnp(&c.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0) throw std::runtime_error("spawn");
    c.out = out[0];
    c.err = err[0];
    return c;
}

/** Reads fd to its end and closes it. */
inline std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

/** Waits for the child; one that hangs is killed, so that a broken verb fails the test instead of stalling
 * it. */
inline Finished Wait(Child c) {
    Finished f;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(m);
        if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return done; })) ::kill(c.pid, SIGKILL);
    });
    std::thread errReader([&] { f.err = Drain(c.err); });
    f.out = Drain(c.out);
    errReader.join();
    int status = 0;
    ::waitpid(c.pid, &status, 0);
    {
        std::lock_guard lock(m);
        done = true;
    }
    cv.notify_one();
    watchdog.join();
    f.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

/** Runs the CLI to its end. */
inline Finished Cli(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {}) {
    return Wait(Spawn(args, prefix));
}

}  // namespace pm::test
