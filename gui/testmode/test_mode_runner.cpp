#include "gui/testmode/test_mode_runner.h"

#include <future>
#include <mutex>

#include "gui/app/message_box.h"

namespace pm {

// Forwards the exchange's questions to the UI thread and waits there for the answer.
class TestModeRunner::Host : public SessionHost {
  public:
    explicit Host(TestModeRunner* runner) : runner_(runner) {}

    Answer Ask(const Message& message) override {
        auto answer = std::make_shared<std::promise<Answer>>();
        std::future<Answer> future = answer->get_future();
        {
            const std::lock_guard lock(mutex_);
            if (abandoned_) return Answer::Cancel;
            pending_ = answer;
        }
        QMetaObject::invokeMethod(
            runner_,
            [this, message, answer] {
                const Answer given = ShowMessage(message, runner_->owner_.data());
                Settle(answer, given);
            },
            Qt::QueuedConnection);
        return future.get();
    }

    // No one is left to answer: the pending question and every later one get Cancel.
    void Abandon() {
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

    TestModeRunner* runner_;
    std::mutex mutex_;
    bool abandoned_ = false;
    std::shared_ptr<std::promise<Answer>> pending_;
};

TestModeRunner::TestModeRunner(QWidget* owner) : owner_(owner), host_(std::make_shared<Host>(this)) {}

TestModeRunner::~TestModeRunner() {
    host_->Abandon();
    if (worker_.joinable()) worker_.join();
}

bool TestModeRunner::Start(Exchange exchange) {
    if (running_) return false;
    if (worker_.joinable()) worker_.join();
    running_ = true;
    worker_ = std::thread([this, host = host_, exchange = std::move(exchange)] {
        exchange(*host);
        QMetaObject::invokeMethod(this, &TestModeRunner::OnWorkerDone, Qt::QueuedConnection);
    });
    return true;
}

void TestModeRunner::OnWorkerDone() {
    if (worker_.joinable()) worker_.join();
    running_ = false;
    emit Finished();
}

}  // namespace pm
