// Editing at full speed in the desktop program: undo of a band change (all 80 channels back), a paste
// of 80 whole channels and a sort by receive frequency, each timed from the command to the repainted
// window, on the offscreen platform unless QT_QPA_PLATFORM says otherwise. Prints the median of 10.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/editing/cell_rules.h"
#include "core/editing/clipboard_text.h"
#include "gui/app/application.h"
#include "gui/app/edit_commands.h"
#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/desktop.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"

namespace {

constexpr int kRuns = 10;

// Median milliseconds of kRuns timed runs of act, each after an untimed prepare.
double Median(const std::function<void()>& prepare, const std::function<void()>& act) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        act();
        QApplication::processEvents();  // the repaint belongs to the command
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return (times[kRuns / 2 - 1] + times[kRuns / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    pm::ScopedAnswerers yes([](const pm::Message&) { return pm::Answer::Ok; },
                            [](const QString&) { return pm::SaveAnswer::Discard; });
    pm::Application app;
    if (!app.Start(QString(), pm::InstallFeatures)) return 1;
    pm::MainWindow& window = *app.Window();
    pm::ChannelView& view = *window.View();
    pm::EditCommands& edits = window.Edits();

    // 80 channels, highest frequency first, so that the sort moves every one.
    for (int ch = 1; ch <= pm::kChannelCount; ++ch) {
        const std::string mhz = std::to_string(145.0 + (pm::kChannelCount - ch) * 0.0125);
        (void)pm::CommitCellText(view.Table(), ch, pm::col::kReceive, mhz, 0);
    }
    edits.RecordImageChange(QStringLiteral("Plan"));
    const std::vector<int> all = [] {
        std::vector<int> channels;
        for (int ch = 1; ch <= pm::kChannelCount; ++ch) channels.push_back(ch);
        return channels;
    }();
    QApplication::clipboard()->setText(QString::fromStdString(pm::RowsToTsv(view.Table(), all)));

    QComboBox* band = view.List(pm::Setting::Field);
    band->setCurrentIndex(1);
    emit band->activated(1);  // as picked by the user: the band change empties all 80 channels
    const double undoBand = Median([&] { edits.Redo(); }, [&] { edits.Undo(); });

    // Each timed run starts from the state before the last one: an undo that is not timed.
    const auto undoAfterFirst = [&edits] {
        return [&edits, first = true]() mutable {
            if (!first) edits.Undo();
            first = false;
        };
    };
    view.Grid().SelectChannels(all);
    edits.ClearChannels();
    view.Grid().SelectChannels({1});
    const double paste = Median(undoAfterFirst(), [&] { edits.Paste(); });
    const double sort = Median(undoAfterFirst(), [&] { edits.SortByReceive(); });

    std::printf("undo of a band change (80 channels back): median of %d = %.2f ms\n", kRuns, undoBand);
    std::printf("paste of 80 channels:                     median of %d = %.2f ms\n", kRuns, paste);
    std::printf("sort by receive frequency (80 channels):  median of %d = %.2f ms\n", kRuns, sort);
    return undoBand < 50 && paste < 50 && sort < 50 ? 0 : 1;
}
