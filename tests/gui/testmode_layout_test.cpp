// The Test Mode dialog with each panel: the captions must fit their controls (make screenshots shows them).

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "core/image/tone.h"
#include "core/testmode/field_frequency.h"
#include "gui/testmode/testmode_dialog.h"

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

TEST(TestModeLayout, EachPanelFitsItsCaptions) {
    TestModeDialog dialog(Tones());
    dialog.SetBandBase(testmode::TestBandBase());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(ClippedCaptions(dialog), QStringList());

    dialog.Tree()->setCurrentItem(dialog.TreeItem(testmode::code::kMiddleFrequency));
    EXPECT_EQ(ClippedCaptions(dialog), QStringList());

    dialog.Tree()->setCurrentItem(dialog.TreeItem(testmode::code::kTxPower));
    QTest::mouseClick(dialog.Widget(TestModeDialog::Control::DefaultButton), Qt::LeftButton);
    EXPECT_EQ(ClippedCaptions(dialog), QStringList());
}

}  // namespace
}  // namespace pm
