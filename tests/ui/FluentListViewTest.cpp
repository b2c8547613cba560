#include "ui/FluentListView.h"

#include <QSignalSpy>

#include "app/base/DpiScale.h"
#include "ui/FluentCheckButton.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class FluentListViewTest : public UiTest {};

TEST_F(FluentListViewTest, BehavesAsRadioButtonsAndReportsOnlyPicks) {
    FluentListView list(QStringLiteral("モデル"));
    list.setItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list.resize(200, list.height());
    EXPECT_EQ(list.height(), 4 * dpiScaled(32));
    EXPECT_EQ(list.items(), QStringList({"a", "b", "c"}));
    QSignalSpy picks(&list, &FluentListView::currentIndexChanged);
    list.setCurrentIndex(1);
    EXPECT_EQ(picks.count(), 0);
    EXPECT_TRUE(list.item(1)->isChecked());

    list.item(2)->click();
    ASSERT_EQ(picks.count(), 1);
    EXPECT_EQ(picks[0][0].toInt(), 2);
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_FALSE(list.item(1)->isChecked());
    EXPECT_TRUE(list.item(2)->isChecked());

    // Clicking the chosen item again keeps it chosen.
    list.item(2)->click();
    EXPECT_TRUE(list.item(2)->isChecked());
    EXPECT_EQ(picks.count(), 1);

    list.setCurrentIndex(-1);
    for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.item(i)->isChecked());
}

TEST_F(FluentListViewTest, CheckButtonReportsEveryStateChange) {
    FluentCheckButton button(QStringLiteral("x"));
    QSignalSpy toggles(&button, &FluentCheckButton::radioToggled);
    button.click();
    button.setChecked(false);
    ASSERT_EQ(toggles.count(), 2);
    EXPECT_TRUE(toggles[0][0].toBool());
    EXPECT_FALSE(toggles[1][0].toBool());
}

}  // namespace
