// Responsiveness of the desktop program during a transfer: Read From Radio (then Write To Radio) against
// the virtual radio at true 9600-baud pacing, while a 1 ms timer stamps the turns of the UI thread's
// event loop. Prints the largest gap between two turns and a few percentiles; the window counts as
// responsive when the largest gap stays under 50 ms. Each gap is also measured in the UI thread's own
// CPU time, which tells work done on the UI thread from a machine too busy to schedule it.
//
//   bench_responsiveness_gui [--no-write]

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/texts.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/app/application.h"
#include "gui/editor/channel_view.h"
#include "gui/link/transfer_dialog.h"
#include "gui/link/transfer_commands.h"
#include "sim/demo_image.h"
#include "sim/pty_host.h"

namespace {

constexpr double kTargetMs = 50.0;

struct Measure {
    bool done = false;
    double seconds = 0;
    std::vector<double> gapsMs;
    std::vector<double> atS;    // when each gap ended, seconds after Start
    std::vector<double> cpuMs;  // CPU time of the UI thread within each gap
};

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[index];
}

// Runs one transfer command to its end with the loop stamped; the gaps are those seen while it ran.
Measure Run(pm::MainWindow& frame, pm::Command command) {
    pm::TransferCommands& commands = *pm::TransferCommands::Of(frame);
    frame.Action(command)->trigger();
    Measure measure;
    if (!commands.Dialog()) return measure;

    QElapsedTimer clock;
    qint64 last = -1;
    double lastCpu = 0;
    // Not a zero timer: spinning the loop would take a core from the transfer it measures.
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = ThreadCpuMs();
        if (last >= 0) {
            measure.gapsMs.push_back(static_cast<double>(now - last) / 1e6);
            measure.atS.push_back(static_cast<double>(now) / 1e9);
            measure.cpuMs.push_back(cpu - lastCpu);
        }
        last = now;
        lastCpu = cpu;
    });
    QEventLoop loop;
    // A little past the end, so that the turn after the decode of a read is stamped too.
    QObject::connect(&commands, &pm::TransferCommands::TransferEnded, &loop,
                     [&loop] { QTimer::singleShot(200, &loop, &QEventLoop::quit); });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);

    clock.start();
    turns.start();
    commands.Dialog()->accept();
    loop.exec();
    turns.stop();
    measure.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9 - 0.2;
    measure.done = commands.LastOutcome().result == pm::LinkResult::Done;
    return measure;
}

bool Report(const char* name, const Measure& m) {
    if (!m.done) {
        std::printf("%-6s did not complete\n", name);
        return false;
    }
    const double largest = m.gapsMs.empty() ? 0 : *std::max_element(m.gapsMs.begin(), m.gapsMs.end());
    const double busiest = m.cpuMs.empty() ? 0 : *std::max_element(m.cpuMs.begin(), m.cpuMs.end());
    std::printf(
        "%-6s %6.2f s  %6zu turns  gap median %.2f ms  p99 %.2f ms  p99.9 %.2f ms  largest %.2f ms %s\n",
        name, m.seconds, m.gapsMs.size() + 1, Percentile(m.gapsMs, 0.5), Percentile(m.gapsMs, 0.99),
        Percentile(m.gapsMs, 0.999), largest, largest < kTargetMs ? "(under 50 ms)" : "(OVER 50 ms)");
    std::printf("       UI thread busy within one gap: at most %.2f ms of CPU\n", busiest);
    // Where the longest stalls fell: at the start, among the blocks, or at the end (decode, dialog gone).
    std::vector<std::size_t> order(m.gapsMs.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const std::size_t shown = std::min<std::size_t>(3, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                      [&](std::size_t a, std::size_t b) { return m.gapsMs[a] > m.gapsMs[b]; });
    std::printf("       longest:");
    for (std::size_t i = 0; i < shown; ++i) {
        std::printf("  %.2f ms (%.2f ms CPU) at %.2f s", m.gapsMs[order[i]], m.cpuMs[order[i]],
                    m.atS[order[i]]);
    }
    std::printf("\n");
    return largest < kTargetMs;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool write = !(argc > 1 && std::strcmp(argv[1], "--no-write") == 0);
    QApplication application(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    std::vector<std::string> messages;
    pm::ScopedAnswerers answers(
        [&](const pm::Message& m) {
            messages.emplace_back(m.text);
            return pm::Answer::Cancel;
        },
        [](const QString&) { return pm::SaveAnswer::Discard; });

    pm::sim::HostOptions options;
    options.realtime = true;
    const pm::Image memory = pm::sim::DemoImage();
    std::string error;
    auto radio =
        pm::sim::PtyHost::Create(pm::sim::VirtualRadio(memory, memory[pm::kModelOffset]), options, error);
    if (!radio) {
        std::fprintf(stderr, "bench_responsiveness_gui: no virtual radio: %s\n", error.c_str());
        return 2;
    }
    radio->Start();

    pm::Application app;
    if (!app.Start()) return 2;
    pm::MainWindow& frame = *app.Window();
    frame.View()->SetPort(QString::fromStdString(radio->Path()));
    QApplication::processEvents();

    std::printf("virtual radio at 9600 baud on %s, platform %s\n", radio->Path().c_str(),
                qPrintable(QApplication::platformName()));
    bool ok = Report("read", Run(frame, pm::Command::ReadFromRadio));
    if (write) ok = Report("write", Run(frame, pm::Command::WriteToRadio)) && ok;
    for (const std::string& m : messages) std::printf("message: %s\n", m.c_str());
    return ok && messages.empty() ? 0 : 1;
}
