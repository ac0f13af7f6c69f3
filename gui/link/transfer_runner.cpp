#include "gui/link/transfer_runner.h"

#include <atomic>
#include <future>
#include <mutex>
#include <utility>

#include "gui/common/message_box.h"

namespace pm {

// The session's front end on the worker thread: everything it reports is queued to the UI thread;
// a question waits there for its answer, like a blocking queued call that can be abandoned.
class TransferRunner::Host : public SafeWriteHost {
  public:
    Host(TransferRunner* runner, Asker asker) : runner_(runner), asker_(std::move(asker)) {}

    void SetStatus(std::string_view text) override {
        const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        QMetaObject::invokeMethod(
            runner_, [runner = runner_, shown] { emit runner->StatusChanged(shown); }, Qt::QueuedConnection);
    }

    void StageStarted(SafeStage stage) override {
        QMetaObject::invokeMethod(
            runner_, [runner = runner_, stage] { emit runner->StageStarted(stage); }, Qt::QueuedConnection);
    }

    void SetProgress(int position) override {
        QMetaObject::invokeMethod(
            runner_, [runner = runner_, position] { emit runner->ProgressChanged(position); },
            Qt::QueuedConnection);
    }

    Answer Ask(const Message& message) override {
        auto answer = std::make_shared<std::promise<Answer>>();
        std::future<Answer> future = answer->get_future();
        {
            const std::lock_guard lock(mutex_);
            if (abandoned_) return Answer::Cancel;
            pending_ = answer;
        }
        // The texts of a Message are views into constants of the core; they outlive the call.
        QMetaObject::invokeMethod(
            runner_, [this, message, answer] { Settle(answer, asker_(message)); }, Qt::QueuedConnection);
        return future.get();
    }

    bool CancelRequested() override { return cancel_.load(); }

    void RequestCancel() { cancel_.store(true); }
    void Reset() { cancel_.store(false); }

    // No one is left to answer: the pending question and every later one get Cancel.
    void Abandon() {
        cancel_.store(true);
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
        if (pending_) std::exchange(pending_, nullptr)->set_value(Answer::Cancel);
    }

  private:
    void Settle(const std::shared_ptr<std::promise<Answer>>& answer, Answer given) {
        const std::lock_guard lock(mutex_);
        if (pending_ != answer) return;  // already answered by Abandon
        pending_.reset();
        answer->set_value(given);
    }

    TransferRunner* runner_;
    Asker asker_;
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    bool abandoned_ = false;
    std::shared_ptr<std::promise<Answer>> pending_;
};

TransferRunner::TransferRunner(QWidget* owner, Asker asker, QObject* parent) : QObject(parent) {
    if (!asker) {
        QPointer<QWidget> guarded(owner);
        asker = [guarded](const Message& message) { return ShowMessage(message, guarded.data()); };
    }
    host_ = std::make_shared<Host>(this, std::move(asker));
}

TransferRunner::~TransferRunner() {
    host_->Abandon();
    if (worker_.joinable()) worker_.join();
}

bool TransferRunner::Start(Job job) {
    if (running_) return false;
    if (worker_.joinable()) worker_.join();
    running_ = true;
    host_->Reset();
    worker_ = std::thread([this, host = host_, job = std::move(job)] {
        job(*host);
        QMetaObject::invokeMethod(this, &TransferRunner::OnWorkerDone, Qt::QueuedConnection);
    });
    return true;
}

void TransferRunner::RequestCancel() {
    host_->RequestCancel();
}

void TransferRunner::OnWorkerDone() {
    if (worker_.joinable()) worker_.join();
    running_ = false;
    emit Finished();
}

}  // namespace pm
