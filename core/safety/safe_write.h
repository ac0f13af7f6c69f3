#pragma once
// Writing a radio without fear: a copy of its memory first, a read-back check after, several radios at once.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/image/image_diff.h"
#include "core/image/memory_image.h"
#include "core/link/serial_port.h"
#include "core/link/session_host.h"

namespace pm {

/** The image bytes a write sends, and so the bytes a verify compares: 0x000..0x7D7. */
inline constexpr std::size_t kWrittenBytes = 0x7D8;

/** The exchanges of a safe write, in the order they run. */
enum class SafeStage { Backup, Write, Verify };

/** What a safe write does around the write itself. */
struct SafeWriteOptions {
    /** Read the radio first and store its memory in this folder; nothing is written when that fails. */
    std::optional<std::filesystem::path> backupDir;
    /** Read the radio back afterwards and compare what it holds with what was sent. */
    bool verify = false;
};

struct SafeWriteOutcome;

/** The front end of a safe write: a session host that also hears where the safe write stands. */
class SafeWriteHost : public SessionHost {
  public:
    /** An exchange of the given stage begins. */
    virtual void StageStarted(SafeStage stage) { (void)stage; }
    /** That exchange ended, its messages asked; outcome.openError tells of a port that did not open. */
    virtual void StageEnded(SafeStage stage, const LinkOutcome& outcome) {
        (void)stage;
        (void)outcome;
    }
    /** The safe write is over; the same outcome is returned to the caller. */
    virtual void Finished(const SafeWriteOutcome& outcome) { (void)outcome; }
};

/** How a safe write ended. */
enum class SafeStatus {
    Done,              // written, and backed up and verified as asked
    BackupFailed,      // the radio could not be read or its copy not stored: nothing was written
    WriteFailed,       // the write stopped; the radio may hold part of the new memory
    VerifyIncomplete,  // written, but the read-back did not complete
    VerifyMismatch,    // written, but the radio holds other bytes than were sent
    Cancelled,         // stopped by the user or a question answered Cancel (stage tells where)
};

/** Where the bytes of two images differ, row by row: what a verify names even when the texts agree. */
struct ByteMismatch {
    std::vector<int> channels;   // channels (1..80) whose 16 bytes differ somewhere, ascending
    bool settings = false;       // the settings row differs
    std::size_t otherBytes = 0;  // differing bytes outside the channel rows and the settings row
    /** True when no byte differs. */
    [[nodiscard]] bool Equal() const { return channels.empty() && !settings && otherBytes == 0; }
};

/** Compares the first length bytes of a and b row by row. */
[[nodiscard]] ByteMismatch CompareBytes(const Image& a, const Image& b, std::size_t length = kWrittenBytes);

/** Where they differ in a few words: "CH 3, 7; settings; 4 other bytes". */
[[nodiscard]] std::string DescribeMismatch(const ByteMismatch& mismatch);

/** Everything a front end needs to report a safe write. */
struct SafeWriteOutcome {
    SafeStatus status = SafeStatus::WriteFailed;
    SafeStage stage = SafeStage::Backup;  // the last stage that ran
    LinkOutcome link;                     // the exchange of that stage
    std::filesystem::path backupPath;     // the copy stored, empty when none
    std::string error;                    // a failure that is not the radio's, e.g. a backup folder
    ImageDiff mismatch;          // VerifyMismatch: sent (a) against what the radio holds (b), as texts
    ByteMismatch mismatchBytes;  // VerifyMismatch: the same, by rows of bytes
    std::chrono::steady_clock::duration elapsed{};
    /** True when nothing went wrong. */
    [[nodiscard]] bool ok() const { return status == SafeStatus::Done; }
    /** True when the radio may hold part of the new memory and part of the old. */
    [[nodiscard]] bool HalfWritten() const;
};

/**
 * Backs up (when asked), writes image[0x000..0x7D7] and verifies (when asked) over port, opened by
 * portName for each exchange. The port's open failure, every question and the cancel flag go
 * through host exactly as in a plain transfer. The backup's name is tagged with portName.
 */
[[nodiscard]] SafeWriteOutcome SafeWrite(SerialPort& port, const std::string& portName, SafeWriteHost& host,
                                         const Image& image, const SafeWriteOptions& options);

/** One radio of a batch: its port's name and the front end that answers for it. */
struct RadioJob {
    std::string port;
    SafeWriteHost* host = nullptr;
};

/**
 * Programs several radios at once, one thread and one POSIX serial port per job, and returns when
 * all have ended, outcomes in the order of jobs. Hosts are called on their job's thread.
 */
[[nodiscard]] std::vector<SafeWriteOutcome> SafeWriteMany(const std::vector<RadioJob>& jobs,
                                                          const Image& image,
                                                          const SafeWriteOptions& options);

/** One line for a summary: "written, verified", "written, verify failed (CH 3, 7)", "cancelled, nothing
 * written". */
[[nodiscard]] std::string SummaryText(const SafeWriteOutcome& outcome);

}  // namespace pm
