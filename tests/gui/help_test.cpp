// The Help menu opens the user guide through the desktop's URL handler; the guide's troubleshooting
// table quotes every message of the radio link, the editor and Test Mode as the program shows it.

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTextBrowser>

#include "core/editing/channel_rows.h"
#include "core/link/link_texts.h"
#include "core/testmode/dialog_texts.h"
#include "gui_fixture.h"

namespace pm {
namespace {

// Loads what the desktop is asked to open, as a browser would.
struct GuideBrowser {
    GuideBrowser() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "setSource"); }
    ~GuideBrowser() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QTextBrowser browser;
};

TEST_F(GuiTest, F1OpensTheGuide) {
    ASSERT_TRUE(Start());
    GuideBrowser guide;
    QTest::keyClick(Window().View(), Qt::Key_F1);
    const QUrl opened = guide.browser.source();
    EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("guide/index.html")));
    EXPECT_TRUE(QFileInfo(opened.toLocalFile()).isFile());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(GuiTest, GuideQuotesEveryMessageAsShown) {
    ASSERT_TRUE(Start());
    GuideBrowser guide;
    Window().findChild<QAction*>(QStringLiteral("actionHelpUserGuide"))->trigger();
    guide.browser.setSource(guide.browser.source().resolved(QUrl(QStringLiteral("troubleshooting.html"))));
    const QString page = guide.browser.toPlainText().simplified();
    for (const Message& m :
         {link::kOpenFailed, link::kCommunicationError, link::kModelMismatch, link::kSendOrderError,
          link::kProgramInterrupt, link::kNotEnoughBytes, link::kReadAckError, link::kTestModeError,
          link::kTestModeDone, kMsgPleaseInputNumber, kMsgFormatError, kMsgOutOfRange, kMsgStepError,
          kMsgBandChange, kMsgEditData, kMsgInsertDropsLast, testmode::kNoVisibleInformation,
          testmode::kErro}) {
        const QString text =
            QString::fromUtf8(m.text.data(), static_cast<qsizetype>(m.text.size())).simplified();
        EXPECT_TRUE(page.contains(text)) << text.toStdString();
    }
}

}  // namespace
}  // namespace pm
