#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace pm::test {
namespace {

namespace fs = std::filesystem;

bool BecomeNobody() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setresgid(kNoGroup, kNoGroup, kNoGroup) == 0 &&
           ::setresuid(kNobody, kNobody, kNobody) == 0;
}

std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(env,
                      [&](const std::string& e) { return e.compare(0, name.size() + 1, name + "=") == 0; });
        if (change.find('=') != std::string::npos) env.push_back(change);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

/**
 * The program to run as nobody: the build's own copy may sit in a folder closed to other users (a clone
 * under /root), so root runs a copy placed in a folder of its own that nobody can reach, removed at exit.
 */
std::string ProgramFor(const std::string& program, bool asNobody) {
    if (!asNobody || ::geteuid() != 0) return program;
    static const std::string copy = [&]() -> std::string {
        char folder[] = "/tmp/pm514rx-cli-XXXXXX";
        if (::mkdtemp(folder) == nullptr || ::chmod(folder, 0755) != 0) return program;
        const std::string path = std::string(folder) + "/" + fs::path(program).filename().string();
        std::error_code ec;
        fs::copy_file(program, path, ec);
        if (ec || ::chmod(path.c_str(), 0755) != 0) return program;
        static const std::string made = folder;
        static const pid_t owner = ::getpid();
        std::atexit([] {
            std::error_code ignored;
            if (::getpid() == owner) fs::remove_all(made, ignored);
        });
        return path;
    }();
    return copy;
}

}  // namespace

RawPty::RawPty() {
    char name[128] = {};
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0 ||
        (slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
        if (master >= 0) ::close(master);
        throw std::runtime_error("no pseudo-terminal");
    }
    path = name;
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
}

RawPty::~RawPty() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
}

std::string DrainFd(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

Child Spawn(const std::vector<std::string>& argv, const RunOptions& options) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    // Everything the child needs is made before fork: between fork and exec only system calls.
    std::vector<std::string> args = argv;
    std::vector<std::string> env = Environment(options.env);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    const std::string in = options.stdinPath;
    std::optional<RawPty> pty;
    if (options.terminal) pty.emplace();
    const int slave = pty ? pty->slave : -1;
    Child c;
    c.pid = ::fork();
    if (c.pid < 0) throw std::runtime_error("fork");
    if (c.pid == 0) {
        const int input = slave >= 0 ? slave : ::open(in.c_str(), O_RDONLY);
        if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(out[1], 1) < 0 ||
            ::dup2(slave >= 0 ? slave : err[1], 2) < 0)
            _exit(126);
        if (options.asNobody && !BecomeNobody()) _exit(125);
        // Its own process group, so that whatever it starts can be stopped with it.
        ::setpgid(0, 0);
        ::execvpe(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    c.out = out[0];
    c.err = err[0];
    if (pty) {
        // The terminal's side is the child's alone (closed here with pty): reading ends when it is gone.
        ::close(err[0]);
        c.err = std::exchange(pty->master, -1);
        const ssize_t typed = ::write(c.err, options.terminal->data(), options.terminal->size());
        (void)typed;  // what did not go in shows as a question left unanswered
    }
    return c;
}

Finished Wait(Child c) {
    Finished f;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(m);
        if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return done; })) ::kill(-c.pid, SIGKILL);
    });
    std::thread errReader([&] { f.err = DrainFd(c.err); });
    f.out = DrainFd(c.out);
    errReader.join();
    int status = 0;
    while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
    }
    {
        const std::lock_guard lock(m);
        done = true;
    }
    cv.notify_one();
    watchdog.join();
    f.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

Child SpawnCli(const std::vector<std::string>& args, const RunOptions& options) {
    std::vector<std::string> argv = {ProgramFor(PM_CLI_PATH, options.asNobody)};
    argv.insert(argv.end(), args.begin(), args.end());
    return Spawn(argv, options);
}

Finished Cli(const std::vector<std::string>& args, const RunOptions& options) {
    return Wait(SpawnCli(args, options));
}

std::string InChild(const std::function<bool()>& become, const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const std::string text = become() ? body() : std::string("could not change identity");
        const ssize_t n = ::write(fds[1], text.data(), text.size());
        _exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text = DrainFd(fds[0]);
    ::waitpid(child, nullptr, 0);
    return text;
}

std::string InChildAsNobody(const std::function<std::string()>& body) {
    return InChild(BecomeNobody, body);
}

}  // namespace pm::test
