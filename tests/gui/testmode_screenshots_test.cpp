// The Test Mode dialog rendered with each panel: the captions must fit their controls. With
// PM_SCREENSHOTS_DIR set (make screenshots) the pictures are kept there.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "core/image/tone.h"
#include "core/testmode/test_frequency.h"
#include "gui/testmode/testmode_dialog.h"
#include "gui/testmode/tone_box.h"

namespace pm {
namespace {

QStringList Tones() {
    QStringList tones;
    for (const std::string& tone : ToneTable()) tones << QString::fromStdString(tone);
    return tones;
}

// Captions that do not fit the rectangle their control was given.
QStringList ClippedCaptions(const TestModeDialog& dialog) {
    QStringList clipped;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&dialog)) continue;
        const QFontMetrics fm(w->font());
        const QString name = w->objectName();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QRect need =
                fm.boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, label->text());
            if (need.width() > label->width() || need.height() > label->height())
                clipped << name + " " + label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            // Room for the text beside the check mark or inside the bevel.
            if (button->sizeHint().width() > button->width() + 24 || fm.height() > button->height()) {
                clipped << name + " " + button->text();
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(group->title()) + 16 > group->width())
                clipped << name + " " + group->title();
        }
    }
    return clipped;
}

class TestModeShots : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString kept = qEnvironmentVariable("PM_SCREENSHOTS_DIR");
        dir_ = QDir(kept.isEmpty() ? scratch_.path() : kept);
        ASSERT_TRUE(dir_.mkpath(QStringLiteral(".")));
    }

    void Shoot(QWidget& window, const QString& name, ToneBox* dropped = nullptr) {
        QApplication::processEvents();
        QPixmap shot = window.grab();
        if (dropped) {
            // Where the list drops on a screen with room for it: under its box.
            QPainter painter(&shot);
            painter.drawPixmap(dropped->mapTo(&window, QPoint(0, dropped->height())),
                               dropped->view()->window()->grab());
        }
        ASSERT_TRUE(shot.save(dir_.filePath(name))) << name.toStdString();
    }

    QTemporaryDir scratch_;
    QDir dir_;
};

TEST_F(TestModeShots, EachPanelFitsItsCaptions) {
    TestModeDialog dialog(Tones());
    dialog.SetBandBase(testmode::TestBandBase());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    Shoot(dialog, QStringLiteral("testmode-opened.png"));
    EXPECT_EQ(ClippedCaptions(dialog), QStringList());

    dialog.Tree()->setCurrentItem(dialog.TreeItem(testmode::code::kMiddleFrequency));
    Shoot(dialog, QStringLiteral("testmode-frequency.png"));
    EXPECT_EQ(ClippedCaptions(dialog), QStringList());

    auto* tones = static_cast<ToneBox*>(dialog.Widget(TestModeDialog::Control::TxToneBox));
    tones->showPopup();
    Shoot(dialog, QStringLiteral("testmode-frequency-tones.png"), tones);
    tones->hidePopup();

    dialog.Tree()->setCurrentItem(dialog.TreeItem(testmode::code::kTxPower));
    QTest::mouseClick(dialog.Widget(TestModeDialog::Control::DefaultButton), Qt::LeftButton);
    Shoot(dialog, QStringLiteral("testmode-item.png"));
    EXPECT_EQ(ClippedCaptions(dialog), QStringList());
}

}  // namespace
}  // namespace pm
