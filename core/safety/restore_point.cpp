#include "core/safety/restore_point.h"

#include <sys/stat.h>

#include <ctime>
#include <sstream>

#include "core/image/file_access.h"
#include "core/link/frames.h"
#include "core/safety/backup_store.h"

namespace pm {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

// Small: a port, two times, a count and a path.
constexpr std::size_t kRecordLimit = 16384;

fs::path RecordPath(const fs::path& dir, const std::string& port) {
    // One file per port; the port's name inside decides, so two names that reduce alike only share a slot.
    std::string name;
    for (const char c : port) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        name += keep ? c : '_';
    }
    if (name.size() > 60) name.erase(0, name.size() - 60);
    return dir / ("interrupted-write-" + name + ".txt");
}

// Values stay on their line whatever bytes a port or path holds.
std::string Escaped(const std::string& value) {
    std::string out;
    for (const char c : value) {
        if (c == '%' || c == '\n' || c == '\r') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const auto u = static_cast<unsigned char>(c);
            out += {'%', kHex[u >> 4], kHex[u & 15]};
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        if (i + 2 >= value.size()) return std::nullopt;
        try {
            out += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
        } catch (...) {
            return std::nullopt;
        }
        i += 2;
    }
    return out;
}

long long Seconds(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

std::optional<InterruptedWrite> Parse(const std::string& text) {
    InterruptedWrite record;
    bool hasPort = false;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::optional<std::string> value = Unescaped(line.substr(eq + 1));
        if (!value) return std::nullopt;
        try {
            if (key == "port") {
                record.port = *value;
                hasPort = true;
            } else if (key == "stopped") {
                record.stopped = Clock::time_point(std::chrono::seconds(std::stoll(*value)));
            } else if (key == "blocks") {
                record.blocks = std::stoi(*value);
            } else if (key == "restore-point") {
                record.restorePoint = *value;
            } else if (key == "restore-point-read") {
                record.restorePointTime = Clock::time_point(std::chrono::seconds(std::stoll(*value)));
            }
        } catch (...) {
            return std::nullopt;
        }
    }
    if (!hasPort || record.blocks < 0 || record.blocks > frame::kWriteBlocks) return std::nullopt;
    return record;
}

std::string Format(const InterruptedWrite& r) {
    return "port=" + Escaped(r.port) + "\nstopped=" + std::to_string(Seconds(r.stopped)) +
           "\nblocks=" + std::to_string(r.blocks) + "\nrestore-point=" + Escaped(r.restorePoint.string()) +
           "\nrestore-point-read=" + std::to_string(Seconds(r.restorePointTime)) + "\n";
}

// When the copy was stored: its file's time, which any naming of backups keeps.
// (stat's time rather than file_clock::to_sys, which not every standard library has)
Clock::time_point StoredAt(const fs::path& path, Clock::time_point otherwise) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return otherwise;
    const auto since = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(since));
}

bool LeftRadioUnsure(const SafeWriteOutcome& o) {
    return o.HalfWritten() || o.status == SafeStatus::VerifyMismatch;
}

bool ReachedRadioWhole(const SafeWriteOutcome& o) {
    return o.status == SafeStatus::Done || o.status == SafeStatus::VerifyIncomplete ||
           (o.status == SafeStatus::Cancelled && o.stage == SafeStage::Verify);
}

}  // namespace

std::optional<InterruptedWrite> FindInterruptedWrite(const fs::path& dir, const std::string& port) {
    if (dir.empty()) return std::nullopt;
    std::string text;
    if (!ReadRegularFile(RecordPath(dir, port), kRecordLimit, text).ok()) return std::nullopt;
    std::optional<InterruptedWrite> record = Parse(text);
    if (!record || record->port != port) return std::nullopt;
    return record;
}

std::optional<InterruptedWrite> RecordWriteEnd(const fs::path& dir, const std::string& port,
                                               const SafeWriteOutcome& outcome, Clock::time_point when,
                                               std::string* error) {
    std::optional<InterruptedWrite> record = FindInterruptedWrite(dir, port);
    if (ReachedRadioWhole(outcome)) {
        if (record) ForgetInterruptedWrite(dir, port);
        return std::nullopt;
    }
    if (!LeftRadioUnsure(outcome)) return record;
    if (!record) {
        // The first attempt: what it backed up is the memory from before. A later attempt's backup
        // would be of the half-written radio, so it never takes this place.
        record = InterruptedWrite{port, when, 0, outcome.backupPath, when};
        if (!outcome.backupPath.empty()) record->restorePointTime = StoredAt(outcome.backupPath, when);
    }
    record->stopped = when;
    record->blocks = outcome.status == SafeStatus::VerifyMismatch ? frame::kWriteBlocks : outcome.link.blocks;
    const std::string text = Format(*record);
    FileOutcome saved = PrepareBackupDir(dir);
    if (saved.ok()) {
        saved = SaveFileAtomically(RecordPath(dir, port),
                                   {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
    if (!saved.ok() && error != nullptr) *error = saved.message;
    return record;
}

void ForgetInterruptedWrite(const fs::path& dir, const std::string& port) {
    if (dir.empty()) return;
    std::error_code ec;
    fs::remove(RecordPath(dir, port), ec);
}

std::string ClockText(Clock::time_point when, Clock::time_point now) {
    const auto local = [](Clock::time_point t) {
        const std::time_t s = Clock::to_time_t(t);
        std::tm tm{};
        localtime_r(&s, &tm);
        return tm;
    };
    const std::tm a = local(when);
    const std::tm b = local(now);
    char text[40];
    if (a.tm_year == b.tm_year && a.tm_yday == b.tm_yday) {
        std::strftime(text, sizeof text, "%H:%M", &a);
    } else {
        std::strftime(text, sizeof text, "%H:%M on %Y-%m-%d", &a);
    }
    return text;
}

std::string InterruptedWriteNotice(const InterruptedWrite& r) {
    const Clock::time_point now = Clock::now();
    std::string text = "The last write to " + EscapeControls(r.port);
    if (r.blocks >= frame::kWriteBlocks) {
        text += " at " + ClockText(r.stopped, now) + " left other data in the radio than was sent; ";
    } else {
        text += " stopped after block " + std::to_string(r.blocks) + " of " +
                std::to_string(frame::kWriteBlocks) + " at " + ClockText(r.stopped, now) + "; ";
    }
    if (r.restorePoint.empty()) return text + "no copy of the memory from before it was kept.";
    return text + "the memory from before it is kept in " + DisplayName(r.restorePoint) + " (read at " +
           ClockText(r.restorePointTime, now) + ").";
}

std::string RestorePointText(const InterruptedWrite& r) {
    if (r.restorePoint.empty()) return {};
    return "The radio's memory from before the write (read at " +
           ClockText(r.restorePointTime, Clock::now()) + ") is kept in " + DisplayName(r.restorePoint);
}

}  // namespace pm
