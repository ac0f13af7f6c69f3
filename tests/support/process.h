#pragma once
// Running pm514rx-cli (or any program) as its own process, the way a user would, and running a piece of
// this test in a child process as another user.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pm::test {

/** How a child runs. */
struct RunOptions {
    std::vector<std::string> env{};  // extra "NAME=value" entries; "NAME" alone removes NAME
    bool asNobody = false;           // as user nobody, group nogroup, no supplementary groups (when root)
    std::string stdinPath = "/dev/null";
    std::optional<std::string> terminal{};  // stdin and stderr on a pseudo-terminal; typed in at the start
};

/** A raw pseudo-terminal pair: no echo, no line editing, "\n" stays "\n"; throws when the system has none. */
struct RawPty {
    RawPty();
    ~RawPty();
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;
    int master = -1;
    int slave = -1;
    std::string path;
};

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

/** Starts argv[0] (a path, or a program on PATH) in the background. */
[[nodiscard]] Child Spawn(const std::vector<std::string>& argv, const RunOptions& options = {});
/** Waits for the child and collects its output; one that hangs for a minute is killed. */
[[nodiscard]] Finished Wait(Child child);
/** Runs pm514rx-cli with args in the background. */
[[nodiscard]] Child SpawnCli(const std::vector<std::string>& args, const RunOptions& options = {});
/** Runs pm514rx-cli with args to its end. */
[[nodiscard]] Finished Cli(const std::vector<std::string>& args, const RunOptions& options = {});

/** The uid and gid of user nobody and group nogroup. */
inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNoGroup = 65534;

/** Runs body in a forked child once become has changed its identity; the text body returned. */
[[nodiscard]] std::string InChild(const std::function<bool()>& become,
                                  const std::function<std::string()>& body);
/**
 * Runs body in a forked child as nobody (when this process is root; as itself otherwise) and returns the
 * text it returned. Only for single-threaded test programs.
 */
[[nodiscard]] std::string InChildAsNobody(const std::function<std::string()>& body);

/** Reads fd to its end and closes it. */
[[nodiscard]] std::string DrainFd(int fd);

}  // namespace pm::test
