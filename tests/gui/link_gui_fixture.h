#pragma once
// Shared by the desktop link tests: a started program whose transfers run against virtual radios on
// pseudo-terminals, with what the progress dialog showed recorded.

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

#include "core/link/link_texts.h"
#include "core/safety/backup_store.h"
#include "gui/link/choice_box.h"
#include "gui/link/transfer_dialog.h"
#include "gui/link/transfer_commands.h"
#include "gui_fixture.h"
#include "tests/support/radio_fixture.h"

namespace pm::guilink {

using Kind = sim::RadioEvent::Kind;
using test::RadioOnPty;

// What the dialog's status shows through a transfer of last counted blocks.
inline QStringList Statuses(int last) {
    QStringList shown{Q(link::kStatusDetecting), Q(link::kStatusWaiting)};
    for (int i = 1; i <= last; ++i) shown << QString::number(i);
    return shown;
}

// The grid's channel cells as text, rows 1..80, columns 1..7.
inline std::vector<std::string> GridTexts(ChannelTable& table) {
    std::vector<std::string> texts;
    for (int row = 1; row < kGridRows; ++row) {
        for (int c = col::kReceive; c <= col::kPower; ++c) texts.push_back(table.Text(row, c));
    }
    return texts;
}

// A plan that differs from every other image the tests use, so that a read or write shows.
inline Image SecondPlan() {
    return PlanImage({{1, col::kReceive, "146.52"},
                      {2, col::kReceive, "145.6"},
                      {2, col::kTransmit, "145.0"},
                      {9, col::kReceive, "144.8"}},
                     6);
}

class Transfer : public GuiTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Start());
        commands_ = TransferCommands::Of(Window());
        ASSERT_NE(commands_, nullptr);
        // No backups, and no interrupted write of an earlier test on a reused terminal name.
        QDir(QString::fromStdString(DefaultBackupDir().string())).removeRecursively();
        // Plain transfers unless a test asks for the copy and the check.
        commands_->BackupAction()->setChecked(false);
        commands_->VerifyAction()->setChecked(false);
    }

    // Opens the document plan and points the port at radio.
    void OpenPlan(const Image& plan, const RadioOnPty* radio) {
        OpenImage(plan);
        if (radio) View().SetPort(QString::fromStdString(radio->Path()));
    }
    void Trigger(Command command) { Window().Action(command)->trigger(); }
    static QStringList Backups() {
        return QDir(QString::fromStdString(DefaultBackupDir().string()))
            .entryList({QStringLiteral("*.sin")}, QDir::Files);
    }
    TransferDialog* Dialog() const { return commands_->Dialog(); }

    // Presses Start, recording what the dialog shows, and waits for the end.
    bool StartAndWait(int timeoutMs = 60000) {
        QObject::connect(Dialog(), &TransferDialog::StatusTextChanged,
                         [this](const QString& text) { statuses_ << text; });
        QObject::connect(Dialog()->ProgressBar(), &QProgressBar::valueChanged,
                         [this](int value) { positions_.push_back(value); });
        QSignalSpy ended(commands_, &TransferCommands::TransferEnded);
        QTest::mouseClick(Dialog()->StartButton(), Qt::LeftButton);
        return ended.wait(timeoutMs);
    }
    // Waits until the dialog's bar has reached position (false when the transfer ended first).
    bool WaitForPosition(int position) {
        const auto reached = [&] { return Dialog() && Dialog()->Pos() >= position; };
        return QTest::qWaitFor([&] { return !Dialog() || reached(); }, 20000) && reached();
    }

    TransferCommands* commands_ = nullptr;
    std::vector<ChoiceBox> choices_;
    std::deque<int> choiceAnswers_;  // buttons pressed in choice boxes; the last (Close) when empty
    ScopedChoiceAnswerer choiceAnswerer_{[this](const ChoiceBox& box) {
        choices_.push_back(box);
        if (choiceAnswers_.empty()) return static_cast<int>(box.buttons.size()) - 1;
        const int answer = choiceAnswers_.front();
        choiceAnswers_.pop_front();
        return answer;
    }};
    QStringList statuses_;
    std::vector<int> positions_;
};

}  // namespace pm::guilink
