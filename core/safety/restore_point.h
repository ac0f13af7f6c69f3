#pragma once
// A write that left a radio half-written is remembered per port, with the radio's memory from before the
// first attempt (its restore point): a second attempt, from the desktop or the command line, names it
// before it starts and can write it back. The records live beside the backups.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "core/safety/safe_write.h"

namespace pm {

/** A write to a port that stopped with the radio holding a mix of old and new data. */
struct InterruptedWrite {
    std::string port;
    std::chrono::system_clock::time_point stopped;  // when the last attempt ended
    int blocks = 0;                                 // blocks of the last attempt the radio acknowledged
    std::filesystem::path restorePoint;  // the radio's memory from before the first attempt; empty: none kept
    std::chrono::system_clock::time_point restorePointTime;  // when that memory was read
};

/** The record of port in dir, if one was kept and can be read. */
[[nodiscard]] std::optional<InterruptedWrite> FindInterruptedWrite(const std::filesystem::path& dir,
                                                                   const std::string& port);

/**
 * Brings port's record in dir up to date after a safe write ended at when: a write that left the radio
 * unsure records it (the restore point of an earlier record is kept, else this write's backup becomes
 * it), a write that reached the radio whole removes it, one that changed nothing leaves it. Returns the
 * record in force afterwards. error, when given, tells why the record could not be stored.
 */
std::optional<InterruptedWrite> RecordWriteEnd(const std::filesystem::path& dir, const std::string& port,
                                               const SafeWriteOutcome& outcome,
                                               std::chrono::system_clock::time_point when,
                                               std::string* error = nullptr);

/** Removes port's record (the restore point itself stays where it is). */
void ForgetInterruptedWrite(const std::filesystem::path& dir, const std::string& port);

/**
 * Said before the next write to the port: "The last write to /dev/ttyUSB0 stopped after block 120 of 251
 * at 14:02; the memory from before it is kept in ...".
 */
[[nodiscard]] std::string InterruptedWriteNotice(const InterruptedWrite& record);

/** Names the restore point and when it was read: "The radio's memory from before the write (read at
 * 14:01) is kept in ...". Empty when none was kept. */
[[nodiscard]] std::string RestorePointText(const InterruptedWrite& record);

/** A time as these texts give it: "14:02" today, "14:02 on 2026-12-06" another day (local time). */
[[nodiscard]] std::string ClockText(std::chrono::system_clock::time_point when,
                                    std::chrono::system_clock::time_point now);

}  // namespace pm
