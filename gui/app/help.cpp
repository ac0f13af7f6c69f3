#include "gui/app/help.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <string>

#include "gui/app/main_window.h"
#include "gui/common/message_box.h"

namespace pm {
namespace {

const QString kWindowName = QStringLiteral("guideWindow");

// The guide as the program shows it: pages, pictures and links inside the guide stay here, offline; a link
// out of it, and the button, go to the desktop's web browser.
class GuideWindow : public QWidget {
  public:
    explicit GuideWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
        setObjectName(kWindowName);
        setWindowTitle(QStringLiteral("PM-514RX User Guide"));
        browser_ = new QTextBrowser(this);
        browser_->setObjectName(QStringLiteral("guideBrowser"));
        browser_->setOpenLinks(false);
        connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { Follow(link); });
        connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
            const QString title = browser_->documentTitle();
            if (!title.isEmpty()) setWindowTitle(title);
        });

        auto* back = new QPushButton(QStringLiteral("&Back"), this);
        auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
        auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
        auto* external = new QPushButton(QStringLiteral("Open in &Web Browser"), this);
        external->setObjectName(QStringLiteral("guideOpenExternally"));
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
        connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
        connect(external, &QPushButton::clicked, this, [this] { OpenExternally(browser_->source()); });

        auto* buttons = new QHBoxLayout;
        for (QPushButton* button : {back, forward, contents}) {
            button->setAutoDefault(false);
            buttons->addWidget(button);
        }
        buttons->addStretch();
        buttons->addWidget(external);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(buttons);
        layout->addWidget(browser_);
        resize(820, 640);
    }

    QTextBrowser* Browser() const { return browser_; }

  private:
    void Follow(const QUrl& link) {
        const QUrl target = browser_->source().resolved(link);
        if (target.isLocalFile() && QFileInfo(target.toLocalFile()).isFile()) {
            browser_->setSource(target);
        } else {
            OpenExternally(target);
        }
    }

    void OpenExternally(const QUrl& url) {
        if (QDesktopServices::openUrl(url)) return;
        const QString where =
            url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
        ShowMessage(Message{"No web browser could open " + where.toStdString() +
                                "\nThe guide stays readable in this window.",
                            kAppTitle, Buttons::Ok, Icon::Warning},
                    this);
    }

    QTextBrowser* browser_ = nullptr;
};

}  // namespace

QString UserGuidePath() {
    // Relative to the program, so that neither a package nor a build tree carries a path of its own.
    const QString path = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                         QStringLiteral("/../share/pm514rx/guide/index.html"));
    return QFileInfo(path).isFile() ? path : QString();
}

QTextBrowser* OpenUserGuide(QWidget* parent, const QString& page) {
    const QString path = UserGuidePath();
    if (path.isEmpty()) {
        ShowMessage(Message{"The user guide is not installed. It belongs in share/pm514rx/guide beside the "
                            "program's folder.",
                            kAppTitle, Buttons::Ok, Icon::Warning},
                    parent);
        return nullptr;
    }
    QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    // Only a GuideWindow carries this name.
    auto* guide =
        owner != nullptr
            ? static_cast<GuideWindow*>(owner->findChild<QWidget*>(kWindowName, Qt::FindDirectChildrenOnly))
            : nullptr;
    if (guide == nullptr) {
        guide = new GuideWindow(owner);
        if (owner == nullptr) guide->setAttribute(Qt::WA_DeleteOnClose);
    }
    // The first page is the one Contents goes back to.
    const QUrl first = QUrl::fromLocalFile(path);
    const QUrl target = page.isEmpty() ? first : first.resolved(QUrl(page));
    QTextBrowser* browser = guide->Browser();
    if (browser->source().isEmpty()) browser->setSource(first);
    if (browser->source() != target) browser->setSource(target);
    guide->show();
    guide->raise();
    guide->activateWindow();
    return browser;
}

void InstallHelpMenu(MainWindow& window) {
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    auto* guide = new QAction(QStringLiteral("&User Guide\tF1"), &window);
    guide->setObjectName(QStringLiteral("actionHelpUserGuide"));
    guide->setStatusTip(QStringLiteral("Open the user guide"));
    guide->setShortcut(QKeySequence(Qt::Key_F1));
    QObject::connect(guide, &QAction::triggered, &window, [&window] { OpenUserGuide(&window); });
    help->addAction(guide);
    help->addSeparator();
    // The toolbar's About command, in the menu as well.
    help->addAction(window.Action(Command::AppAbout));
}

}  // namespace pm
