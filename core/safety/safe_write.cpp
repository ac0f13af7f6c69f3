#include "core/safety/safe_write.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/posix_serial_port.h"
#include "core/link/transfer_session.h"
#include "core/safety/backup_store.h"

namespace pm {
namespace {

static_assert(kWrittenBytes == frame::kWriteBlocks * frame::kBlockSize);

/** Runs one exchange of a stage between the host's stage calls. */
template <typename Exchange>
LinkOutcome RunStage(SafeWriteHost& host, SafeStage stage, Exchange&& exchange) {
    host.StageStarted(stage);
    LinkOutcome outcome = exchange();
    host.StageEnded(stage, outcome);
    return outcome;
}

std::string ListChannels(const std::vector<int>& channels) {
    constexpr std::size_t kShown = 6;
    std::string text;
    for (std::size_t i = 0; i < channels.size() && i < kShown; ++i) {
        text += (i == 0 ? "CH " : ", ") + std::to_string(channels[i]);
    }
    if (channels.size() > kShown) text += " and " + std::to_string(channels.size() - kShown) + " more";
    return text;
}

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

ByteMismatch CompareBytes(const Image& a, const Image& b, std::size_t length) {
    length = std::min(length, kImageSize);
    ByteMismatch m;
    for (std::size_t i = 0; i < length; ++i) {
        if (a[i] == b[i]) continue;
        const int row = static_cast<int>(i / kRowSize);
        if (row >= 1 && row <= kChannelCount) {
            if (m.channels.empty() || m.channels.back() != row) m.channels.push_back(row);
        } else if (row == kSettingsRow) {
            m.settings = true;
        } else {
            ++m.otherBytes;
        }
    }
    return m;
}

std::string DescribeMismatch(const ByteMismatch& m) {
    std::vector<std::string> parts;
    if (!m.channels.empty()) parts.push_back(ListChannels(m.channels));
    if (m.settings) parts.push_back("settings");
    if (m.otherBytes > 0) parts.push_back(Counted(m.otherBytes, "other byte", "other bytes"));
    std::string text;
    for (const auto& p : parts) text += (text.empty() ? "" : "; ") + p;
    return text;
}

bool SafeWriteOutcome::HalfWritten() const {
    if (stage != SafeStage::Write || (status != SafeStatus::WriteFailed && status != SafeStatus::Cancelled)) {
        return false;
    }
    // A block that went out but was not acknowledged may have been stored all the same.
    return link.blocks > 0 || link.blockUnanswered;
}

SafeWriteOutcome SafeWrite(SerialPort& port, const std::string& portName, SafeWriteHost& host,
                           const Image& image, const SafeWriteOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    SafeWriteOutcome out;
    auto finish = [&](SafeStatus status) {
        out.status = status;
        out.elapsed = std::chrono::steady_clock::now() - start;
        host.Finished(out);
        return out;
    };

    if (options.backupDir) {
        out.stage = SafeStage::Backup;
        // A folder that cannot take the copy is found out before the radio is bothered; it is made only
        // once there is a copy to put in it.
        if (const FileOutcome ready = CheckBackupDir(*options.backupDir); !ready.ok()) {
            out.error = ready.message;
            return finish(SafeStatus::BackupFailed);
        }
        Image previous = NewDocumentImage();
        out.link = RunStage(host, SafeStage::Backup,
                            [&] { return TransferSession(port, portName, host).Read(previous); });
        if (out.link.result == LinkResult::Cancelled) return finish(SafeStatus::Cancelled);
        if (out.link.result != LinkResult::Done) return finish(SafeStatus::BackupFailed);
        const BackupOutcome stored =
            StoreBackup(*options.backupDir, previous, std::chrono::system_clock::now(), portName);
        if (!stored.file.ok()) {
            out.error = stored.file.message;
            return finish(SafeStatus::BackupFailed);
        }
        out.backupPath = stored.path;
        if (host.CancelRequested()) return finish(SafeStatus::Cancelled);
    }

    out.stage = SafeStage::Write;
    out.link =
        RunStage(host, SafeStage::Write, [&] { return TransferSession(port, portName, host).Write(image); });
    if (out.link.result == LinkResult::Cancelled) return finish(SafeStatus::Cancelled);
    if (out.link.result != LinkResult::Done) return finish(SafeStatus::WriteFailed);
    if (!options.verify) return finish(SafeStatus::Done);

    out.stage = SafeStage::Verify;
    if (host.CancelRequested()) return finish(SafeStatus::Cancelled);
    Image readBack = image;
    out.link = RunStage(host, SafeStage::Verify,
                        [&] { return TransferSession(port, portName, host).Read(readBack); });
    if (out.link.result == LinkResult::Cancelled) return finish(SafeStatus::Cancelled);
    if (out.link.result != LinkResult::Done) return finish(SafeStatus::VerifyIncomplete);
    out.mismatchBytes = CompareBytes(image, readBack, kWrittenBytes);
    if (out.mismatchBytes.Equal()) return finish(SafeStatus::Done);
    out.mismatch = CompareImages(image, readBack, kWrittenBytes);
    return finish(SafeStatus::VerifyMismatch);
}

std::vector<SafeWriteOutcome> SafeWriteMany(const std::vector<RadioJob>& jobs, const Image& image,
                                            const SafeWriteOptions& options) {
    std::vector<SafeWriteOutcome> outcomes(jobs.size());
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        threads.emplace_back([&, i] {
            const auto start = std::chrono::steady_clock::now();
            try {
                PosixSerialPort port;
                outcomes[i] = SafeWrite(port, jobs[i].port, *jobs[i].host, image, options);
            } catch (const std::exception& e) {
                // Nothing in a safe write is meant to throw; if it does, this radio failed, not the batch.
                outcomes[i].status = SafeStatus::WriteFailed;
                outcomes[i].error = e.what();
                outcomes[i].elapsed = std::chrono::steady_clock::now() - start;
            }
        });
    }
    for (auto& t : threads) t.join();
    return outcomes;
}

std::string SummaryText(const SafeWriteOutcome& o) {
    const bool backedUp = !o.backupPath.empty();
    const std::string before = backedUp ? "backed up, " : "";
    const std::string blocks =
        std::to_string(o.link.blocks) + " of " + std::to_string(frame::kWriteBlocks) + " blocks";
    switch (o.status) {
        case SafeStatus::Done:
            return before + "written" + (o.stage == SafeStage::Verify ? ", verified" : "");
        case SafeStatus::BackupFailed:
            if (o.link.openError != 0) return "port could not be opened, nothing written";
            return o.error.empty() ? "backup read failed, nothing written"
                                   : "backup not stored, nothing written";
        case SafeStatus::WriteFailed:
            if (o.link.openError != 0) return before + "port could not be opened, nothing written";
            if (!o.error.empty()) return "failed: " + o.error;
            return o.HalfWritten() ? before + "write failed after " + blocks + ", radio half-written"
                                   : before + "write failed, nothing written";
        case SafeStatus::Cancelled:
            if (o.stage == SafeStage::Verify) return before + "written, check cancelled";
            return o.HalfWritten() ? before + "cancelled after " + blocks + ", radio half-written"
                                   : before + "cancelled, nothing written";
        case SafeStatus::VerifyIncomplete:
            return before + "written, read-back failed: not verified";
        case SafeStatus::VerifyMismatch:
            return before + "written, verify failed (" + DescribeMismatch(o.mismatchBytes) + ")";
    }
    return "unknown";
}

}  // namespace pm
