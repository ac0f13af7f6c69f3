#pragma once
// The words that end an exchange with the radio: one line for the status bar and the last line on stderr,
// and the cause a message box shows under it when something went wrong. The desktop program and the
// command line both say these, so a dealer reads the same outcome wherever the radio was programmed.

#include <string>

#include "core/link/session_host.h"
#include "core/safety/safe_write.h"

namespace pm {

/** How an exchange ended, in words. */
struct OutcomeText {
    std::string line;          // one line, always shown: "Read complete: ..."
    std::string cause;         // why it went wrong (may span lines); empty when all went well
    bool wentWrong = false;    // the user should be told in a message box, not only in the status bar
    bool radioUnsure = false;  // the radio may hold a mix of old and new data, or other data than was sent
};

/** The outcome of a Read From Radio. */
[[nodiscard]] OutcomeText ReadOutcomeText(const LinkOutcome& outcome);

/** The outcome of a Write To Radio, with its backup and verify when they ran. */
[[nodiscard]] OutcomeText WriteOutcomeText(const SafeWriteOutcome& outcome);

/** The outcome of a Test Mode exchange. */
[[nodiscard]] OutcomeText TestModeOutcomeText(const LinkOutcome& outcome);

/** The cause of an exchange that did not complete: the port's trouble, the last message, or Cancel. */
[[nodiscard]] std::string LinkCause(const LinkOutcome& outcome);

}  // namespace pm
