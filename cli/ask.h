#pragma once
// Answering the radio link's questions from flags or on the terminal, and Ctrl+C as Cancel.

#include <optional>

#include "cli/progress.h"
#include "core/link/session_host.h"

namespace pm::cli {

/** How the questions of an exchange are answered. */
struct AnswerPolicy {
    /** OK to OK/Cancel questions (--yes). */
    bool yes = false;
    /** Retry this many times, then Cancel (--retries N); unset: ask, or Cancel without a terminal. */
    std::optional<int> retries;
    /** stdin is a terminal: questions without a flag are asked there. */
    bool interactive = false;
};

/** The policy for the given flags, asking interactively when stdin is a terminal. */
[[nodiscard]] AnswerPolicy MakePolicy(bool yes, std::optional<int> retries);

/** Ctrl+C from now on requests a cancel; a second Ctrl+C ends the program at once. */
void CancelOnInterrupt();
/** True once Ctrl+C was pressed. */
[[nodiscard]] bool Interrupted();

/** The command line's front end of an exchange: messages on stderr, answers by policy, the bar. */
class TerminalHost : public SessionHost {
  public:
    /** Answers by policy and draws on bar. */
    TerminalHost(AnswerPolicy policy, ProgressBar& bar);
    void BlockDone(int done, int total) override;
    Answer Ask(const Message& message) override;
    bool CancelRequested() override;

  private:
    AnswerPolicy policy_;
    ProgressBar& bar_;
    int retriesLeft_;
};

}  // namespace pm::cli
