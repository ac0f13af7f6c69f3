#pragma once
// Runs one Test Mode exchange on a worker thread; its questions are answered on the UI thread.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>

#include "core/link/session_host.h"

namespace pm {

class TestModeRunner : public QObject {
    Q_OBJECT

  public:
    /** The exchange: runs on the worker thread and asks its questions through host. */
    using Exchange = std::function<void(SessionHost& host)>;

    /** A runner whose message boxes stand over owner. */
    explicit TestModeRunner(QWidget* owner);
    /** Waits for a running exchange; a question it asks from now on is answered Cancel. */
    ~TestModeRunner() override;
    TestModeRunner(const TestModeRunner&) = delete;
    TestModeRunner& operator=(const TestModeRunner&) = delete;

    /** Starts exchange on the worker thread; false (and nothing started) while one runs. */
    bool Start(Exchange exchange);
    /** True from Start until Finished. */
    [[nodiscard]] bool IsRunning() const { return running_; }

  signals:
    /** The exchange has returned and its thread is gone. */
    void Finished();

  private:
    class Host;

    void OnWorkerDone();

    QPointer<QWidget> owner_;
    std::shared_ptr<Host> host_;
    std::thread worker_;
    bool running_ = false;
};

}  // namespace pm
