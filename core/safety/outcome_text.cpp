#include "core/safety/outcome_text.h"

#include <string_view>

#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/safety/port_diagnosis.h"

namespace pm {
namespace {

std::string Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return std::string(text);
}

// "after block 100 of 251": the blocks the radio acknowledged, so the user knows how far it got.
std::string AfterBlocks(int blocks) {
    return "after block " + std::to_string(blocks) + " of " + std::to_string(frame::kWriteBlocks);
}

constexpr std::string_view kMixed = ": the radio holds a mix of old and new data.";
constexpr std::string_view kNothingWritten = ": nothing was written to the radio.";

}  // namespace

std::string LinkCause(const LinkOutcome& outcome) {
    if (outcome.openError != 0) {
        const std::string help = OpenFailureHelp(outcome);
        return help.empty() ? Trimmed(link::kOpenFailed.text) : help;
    }
    if (!outcome.shown.empty()) {
        const Message& last = outcome.shown.back();
        // A question answered Cancel stopped it; a plain message told of the fault itself.
        if (outcome.result == LinkResult::Cancelled && last.buttons != Buttons::Ok)
            return "Cancel was the answer to: " + Trimmed(last.text);
        if (outcome.result != LinkResult::Done) return Trimmed(last.text);
    }
    if (outcome.result == LinkResult::Cancelled) return "Cancelled by the user.";
    return {};
}

OutcomeText ReadOutcomeText(const LinkOutcome& outcome) {
    switch (outcome.result) {
        case LinkResult::Done:
            return {"Read complete: the document holds the radio's memory.", "", false, false};
        case LinkResult::Cancelled:
            // The user asked for it and nothing changed: the status bar says so, no box.
            return {"Read cancelled: nothing changed.", LinkCause(outcome), false, false};
        case LinkResult::Failed:
            break;
    }
    return {"Read failed: nothing changed.", LinkCause(outcome), true, false};
}

OutcomeText TestModeOutcomeText(const LinkOutcome& outcome) {
    switch (outcome.result) {
        case LinkResult::Done:
            return {"Test Mode complete: the radio took the values.", "", false, false};
        case LinkResult::Cancelled:
            return {"Test Mode cancelled.", LinkCause(outcome), false, false};
        case LinkResult::Failed:
            break;
    }
    return {"Test Mode failed.", LinkCause(outcome), true, false};
}

OutcomeText WriteOutcomeText(const SafeWriteOutcome& o) {
    const std::string cause = o.error.empty() ? LinkCause(o.link) : o.error;
    const bool cancelled = o.status == SafeStatus::Cancelled;
    switch (o.status) {
        case SafeStatus::Done:
            if (o.stage == SafeStage::Verify)
                return {"Write complete and verified: the radio holds what was sent.", "", false, false};
            return {
                "Write complete: all " + std::to_string(frame::kWriteBlocks) + " blocks are in the radio.",
                "", false, false};
        case SafeStatus::BackupFailed:
            return {"Backup failed" + std::string(kNothingWritten), cause, true, false};
        case SafeStatus::VerifyIncomplete:
            return {"Write complete, but reading it back did not complete: it is not verified.", cause, true,
                    false};
        case SafeStatus::VerifyMismatch: {
            const std::string where = DescribeMismatch(o.mismatchBytes);
            return {"Write complete, but verify failed: the radio holds other data than was sent in " +
                        where + ".",
                    "Read back from the radio, " + where + " differ from what was sent.", true, true};
        }
        case SafeStatus::WriteFailed:
        case SafeStatus::Cancelled:
            break;
    }
    if (cancelled && o.stage == SafeStage::Verify)
        return {"Write complete; the check was cancelled: it is not verified.", cause, false, false};
    const std::string verb = cancelled ? "Write cancelled" : "Write failed";
    if (o.HalfWritten())
        return {verb + " " + AfterBlocks(o.link.blocks) + std::string(kMixed), cause, true, true};
    // Cancelling before the first block leaves the radio as it was: the status bar is enough.
    return {verb + std::string(kNothingWritten), cause, !cancelled, false};
}

}  // namespace pm
