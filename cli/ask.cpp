#include "cli/ask.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <string>
#include <unistd.h>

#include "cli/common.h"

namespace pm::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
    // A second Ctrl+C is not polite any more: let it end the program.
    std::signal(SIGINT, SIG_DFL);
}

/** One line from stdin; nothing on end of file, an error or Ctrl+C. */
std::optional<std::string> ReadAnswerLine() {
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n == 1) {
            if (c == '\n') return line;
            line += c;
            continue;
        }
        if (n < 0 && errno == EINTR && !g_interrupted) continue;
        if (n == 0 && !line.empty()) return line;
        return std::nullopt;
    }
}

Answer AskOnTerminal(const Message& message) {
    const bool retry = message.buttons == Buttons::RetryCancel;
    for (;;) {
        std::cerr << (retry ? "Retry or Cancel? [r/c] " : "OK or Cancel? [o/c] ") << std::flush;
        const auto line = ReadAnswerLine();
        if (!line) {
            std::cerr << '\n';
            return Answer::Cancel;
        }
        const std::string a = line->substr(0, line->find_last_not_of(" \t\r") + 1);
        if (a == "c" || a == "C" || a == "cancel" || a == "Cancel") return Answer::Cancel;
        if (retry && (a == "r" || a == "R" || a == "retry" || a == "Retry")) return Answer::Retry;
        if (!retry && (a == "o" || a == "O" || a == "ok" || a == "OK")) return Answer::Ok;
    }
}

}  // namespace

AnswerPolicy MakePolicy(bool yes, std::optional<int> retries) {
    return AnswerPolicy{yes, retries, ::isatty(STDIN_FILENO) == 1};
}

void CancelOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a prompt waiting on stdin gives up
    ::sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return g_interrupted != 0;
}

TerminalHost::TerminalHost(AnswerPolicy policy, ProgressBar& bar)
    : policy_(policy), bar_(bar), retriesLeft_(policy.retries.value_or(0)) {}

void TerminalHost::BlockDone(int done, int total) {
    bar_.Update(done, total);
}

bool TerminalHost::CancelRequested() {
    return Interrupted();
}

Answer TerminalHost::Ask(const Message& message) {
    bar_.Clear();
    PrintMessage(message);
    switch (message.buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            if (policy_.yes) return Answer::Ok;
            if (policy_.interactive && !Interrupted()) return AskOnTerminal(message);
            return Answer::Cancel;
        case Buttons::RetryCancel:
            if (policy_.retries) {
                if (retriesLeft_ <= 0 || Interrupted()) return Answer::Cancel;
                --retriesLeft_;
                return Answer::Retry;
            }
            if (policy_.interactive && !Interrupted()) return AskOnTerminal(message);
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

}  // namespace pm::cli
