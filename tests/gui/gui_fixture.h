#pragma once
// A started program on the offscreen platform, with every message and file dialog answered by the test.
// It brings what nearly every GUI test uses: the window, the form, the grid and the cell rules.

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/editing/cell_rules.h"
#include "core/image/channel_table.h"
#include "core/image/memory_image.h"
#include "core/texts.h"
#include "gui/app/commands.h"
#include "gui/app/file_dialogs.h"
#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"

/** Readable QStrings in test failures. */
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pm {

class Application;

/** A QString of a core text. */
inline QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/** A message as the user saw it. */
struct SeenMessage {
    std::string text;
    std::string caption;
    Buttons buttons;
    Icon icon;
    friend bool operator==(const SeenMessage&, const SeenMessage&) = default;
};

/** SeenMessage of a Message constant. */
SeenMessage Seen(const Message& message);

/** One cell of a channel plan: channel (1..80), grid column (1..7), text. */
struct PlanCell {
    int channel;
    int column;
    std::string text;
};

/** The image of a channel plan as the editor would save it; band 0 unless given. */
Image PlanImage(const std::vector<PlanCell>& cells, int squelch = 4);

/** Writes image to path (fails the test when it cannot). */
void WriteImage(const QString& path, const Image& image);

/** Reads a channel file's bytes. */
std::vector<std::uint8_t> ReadBytes(const QString& path);

class GuiTest : public ::testing::Test {
  protected:
    GuiTest();
    ~GuiTest() override;

    /** Starts the program (a new document, or file); false when start-up failed. */
    bool Start(const QString& file = QString(), bool withFeatures = true);
    /** Closes and destroys the running program. */
    void Stop();

    [[nodiscard]] MainWindow& Window() const;
    [[nodiscard]] ChannelView& View() const;
    [[nodiscard]] ChannelGrid& Grid() const;
    /** The centre of a grid cell, scrolled into view. */
    [[nodiscard]] QPoint CellCentre(int row, int col) const;
    /** A mouse click on a grid cell. */
    void ClickCell(int row, int col, Qt::MouseButton button = Qt::LeftButton) const;
    /** Gives the window the activation back: the offscreen platform does not when a dialog closes. */
    void Activate() const;
    /** Writes image to plan.sin and opens it as the document. */
    void OpenImage(const Image& image);
    /** Drags path over the window and drops it there; true when the window took the drag. */
    bool DropFile(const QString& path) const;
    /** A path in the test's own directory. */
    [[nodiscard]] QString PathOf(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::vector<SeenMessage> messages_;
    std::deque<Answer> answers_;  // next answers to questions; Ok when empty
    QStringList saveQuestions_;
    std::deque<SaveAnswer> saveAnswers_;  // Cancel when empty
    std::vector<std::pair<FileChoice, QString>> fileRequests_;
    std::deque<QString> chosenFiles_;  // "" (Cancel) when empty

  private:
    ScopedAnswerers answerers_;
    ScopedFileChooser chooser_;
    std::unique_ptr<Application> app_;
};

}  // namespace pm
