#pragma once
// Runs the command-line tool as a user would and captures what it printed.

#include <string>
#include <vector>

namespace pm::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

/** Runs argv (argv[0] a path) with extra environment entries "NAME=value"; stdin is /dev/null. */
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});

}  // namespace pm::test
