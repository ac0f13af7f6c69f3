#include "gui_fixture.h"

#include <QFile>
#include <QSettings>
#include <QTest>

#include "core/editing/cell_rules.h"
#include "core/image/channel_file.h"
#include "core/image/codec.h"
#include "gui/app/main_window.h"
#include "gui/app/recent_files.h"
#include "gui/app/application.h"
#include "gui/desktop.h"
#include "gui/editor/channel_view.h"

namespace pm {

SeenMessage Seen(const Message& message) {
    return {std::string(message.text), std::string(message.caption), message.buttons, message.icon};
}

Image PlanImage(const std::vector<PlanCell>& cells, int squelch) {
    StringTable table;
    SettingSelections lists;
    Image image = NewDocumentImage();
    DecodeImage(image, table, lists);
    for (const PlanCell& cell : cells) {
        const auto messages = CommitCellText(table, cell.channel, cell.column, cell.text, 0);
        EXPECT_TRUE(messages.empty()) << "plan cell refused: " << cell.text;
    }
    lists.Select(Setting::Squelch, squelch);
    EncodeImage(table, lists, image);
    return image;
}

void WriteImage(const QString& path, const Image& image) {
    const FileOutcome outcome = SaveChannelFile(QFile::encodeName(path).toStdString(), image);
    ASSERT_TRUE(outcome.ok()) << outcome.message;
}

std::vector<std::uint8_t> ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

GuiTest::GuiTest()
    : answerers_(
          [this](const Message& message) {
              messages_.push_back(Seen(message));
              if (answers_.empty()) return Answer::Ok;
              const Answer answer = answers_.front();
              answers_.pop_front();
              return answer;
          },
          [this](const QString& text) {
              saveQuestions_.push_back(text);
              if (saveAnswers_.empty()) return SaveAnswer::Cancel;
              const SaveAnswer answer = saveAnswers_.front();
              saveAnswers_.pop_front();
              return answer;
          }),
      chooser_([this](FileChoice choice, const QString& suggested) {
          fileRequests_.emplace_back(choice, suggested);
          if (chosenFiles_.empty()) return QString();
          const QString path = chosenFiles_.front();
          chosenFiles_.pop_front();
          return path;
      }) {
    // Every test starts with an empty recent-file list.
    QSettings(QString::fromLatin1(kSettingsOrganisation),
              QString::fromUtf8(kAppTitle.data(), kAppTitle.size()))
        .clear();
}

GuiTest::~GuiTest() {
    Stop();
}

bool GuiTest::Start(const QString& file, bool withFeatures) {
    app_ = std::make_unique<Application>();
    if (!app_->Start(file, withFeatures ? Application::Installer(InstallFeatures) : nullptr)) return false;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(app_->Window()));
    return true;
}

void GuiTest::Stop() {
    if (app_ && app_->Window()) {
        // Discard whatever the test left unsaved.
        saveAnswers_ = {SaveAnswer::Discard};
        app_->Window()->close();
    }
    app_.reset();
}

MainWindow& GuiTest::Window() const {
    return *app_->Window();
}

ChannelView& GuiTest::View() const {
    return *Window().View();
}

ChannelGrid& GuiTest::Grid() const {
    return View().Grid();
}

}  // namespace pm
