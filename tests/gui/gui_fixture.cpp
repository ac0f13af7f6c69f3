#include "gui_fixture.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QSettings>

#include "core/image/channel_file.h"
#include "core/image/codec.h"
#include "gui/app/application.h"
#include "gui/app/settings.h"
#include "gui/desktop.h"

namespace pm {

SeenMessage Seen(const Message& message) {
    return {std::string(message.text), std::string(message.caption), message.buttons, message.icon};
}

Image PlanImage(const std::vector<PlanCell>& cells, int squelch) {
    StringTable table;
    SettingSelections lists;
    Image image = NewDocumentImage();
    DecodeImage(image, table, lists);
    for (const PlanCell& cell : cells)
        EXPECT_TRUE(CommitCellText(table, cell.channel, cell.column, cell.text, 0).empty()) << cell.text;
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
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return {bytes.begin(), bytes.end()};
}

// The next scripted answer, or fallback when the script has run out.
template <typename T>
static T Next(std::deque<T>& script, T fallback) {
    if (script.empty()) return fallback;
    T next = std::move(script.front());
    script.pop_front();
    return next;
}

GuiTest::GuiTest()
    : answerers_(
          [this](const Message& message) {
              messages_.push_back(Seen(message));
              return Next(answers_, Answer::Ok);
          },
          [this](const QString& text) {
              saveQuestions_.push_back(text);
              return Next(saveAnswers_, SaveAnswer::Cancel);
          }),
      chooser_([this](FileChoice choice, const QString& suggested) {
          fileRequests_.emplace_back(choice, suggested);
          return Next(chosenFiles_, QString());
      }) {
    // Every test starts with an empty recent-file list.
    UserSettings().clear();
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

QPoint GuiTest::CellCentre(int row, int col) const {
    const QModelIndex index = Grid().model()->index(row - 1, col - 1);
    Grid().scrollTo(index);
    return Grid().visualRect(index).center();
}

void GuiTest::ClickCell(int row, int col, Qt::MouseButton button) const {
    QTest::mouseClick(Grid().viewport(), button, Qt::NoModifier, CellCentre(row, col));
}

void GuiTest::OpenImage(const Image& image) {
    WriteImage(PathOf(QStringLiteral("plan.sin")), image);
    ASSERT_TRUE(Window().OpenDocumentFile(PathOf(QStringLiteral("plan.sin"))));
}

bool GuiTest::DropFile(const QString& path) const {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &drop);
    return enter.isAccepted();
}

void GuiTest::Activate() const {
    if (QApplication::activeWindow() != &Window()) QApplication::setActiveWindow(&Window());
}

}  // namespace pm
