#pragma once
// Runs an exchange with the radio (a transfer or a Test Mode exchange) on a worker thread; its status
// and progress come back as queued signals, its questions are answered on the UI thread while the
// worker waits.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>

#include "core/safety/safe_write.h"

namespace pm {

class TransferRunner : public QObject {
    Q_OBJECT

  public:
    /** The exchange: runs on the worker thread and reports through host. */
    using Job = std::function<void(SafeWriteHost& host)>;
    /** Shows a question on the UI thread and returns the answer. */
    using Asker = std::function<Answer(const Message& message)>;

    /** A runner whose questions go to asker (ShowMessage over owner when empty). */
    explicit TransferRunner(QWidget* owner, Asker asker = {}, QObject* parent = nullptr);
    /** Cancels a running job and waits for it; a question it asks from now on is answered Cancel. */
    ~TransferRunner() override;
    TransferRunner(const TransferRunner&) = delete;
    TransferRunner& operator=(const TransferRunner&) = delete;

    /** Starts job on the worker thread; false (and nothing started) while one runs. */
    bool Start(Job job);
    /** True from Start until Finished has been emitted. */
    [[nodiscard]] bool IsRunning() const { return running_; }
    /** Asks the job to stop at its next cancel point. */
    void RequestCancel();

  signals:
    /** The status line changed. */
    void StatusChanged(const QString& text);
    /** The progress bar moved. */
    void ProgressChanged(int position);
    /** An exchange of a safe write began. */
    void StageStarted(pm::SafeStage stage);
    /** The job has returned and its thread is gone. */
    void Finished();

  private:
    class Host;

    void OnWorkerDone();

    std::shared_ptr<Host> host_;
    std::thread worker_;
    bool running_ = false;
};

}  // namespace pm
