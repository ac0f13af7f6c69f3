#pragma once
// What an exchange with the radio needs of its front end, and what it hands back when it ends.

#include <string>
#include <string_view>
#include <vector>

#include "core/texts.h"

namespace pm {

/**
 * The front end of a transfer or Test Mode exchange. The exchange calls it on its own thread: the
 * desktop program forwards to its dialogs, the command line to the terminal, tests to a script.
 */
class SessionHost {
  public:
    virtual ~SessionHost() = default;
    /** Replaces the one line of status text. */
    virtual void SetStatus(std::string_view text) { (void)text; }
    /** Moves the progress bar (0 .. link::kProgressMax). */
    virtual void SetProgress(int position) { (void)position; }
    /** One more block went through; done of total (256 for a read, 251 for a write). */
    virtual void BlockDone(int done, int total) {
        (void)done;
        (void)total;
    }
    /** Shows a message box and returns the button pressed; a button the message lacks counts as Cancel. */
    virtual Answer Ask(const Message& message) = 0;
    /** True once the user asked to stop; read only where the exchange can stop cleanly. */
    virtual bool CancelRequested() { return false; }
};

/** How an exchange ended: completed, stopped by an error, or stopped by the user. */
enum class LinkResult { Done, Failed, Cancelled };

/** The end of an exchange: the result, every message shown on the way, and why the port did not open. */
struct LinkOutcome {
    LinkResult result = LinkResult::Failed;
    std::vector<Message> shown;    // in the order shown, the final one last
    int openError = 0;             // errno of a failed open, 0 otherwise
    std::string device;            // device path that was opened or tried
    int blocks = 0;                // blocks that went through completely
    bool blockUnanswered = false;  // a write block went out whole without an answer: it may be stored
};

}  // namespace pm
