#include <QSignalSpy>

#include "ui/FluentCheckButton.h"
#include "ui/FluentListView.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class FluentListViewTest : public UiTest {};

TEST_F(FluentListViewTest, BehavesAsRadioButtonsAndReportsOnlyPicks) {
    FluentListView list(QStringLiteral("モデル"));
    list.setItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list.resize(200, list.height());
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
}

}  // namespace
