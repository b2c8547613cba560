#include "ui/FluentTitleLabel.h"

#include <QVariantAnimation>

#include "ui/UiTestSupport.h"

namespace {

using mnx::test::setAnimationTime;
using mnx::test::UiTest;

class FluentTitleLabelTest : public UiTest {};

TEST_F(FluentTitleLabelTest, BackTextFadesInOverQuarterSecondAndOutOverOneSecond) {
    FluentTitleLabel title;
    title.setText(QStringLiteral("設定"));
    EXPECT_EQ(title.text(), QStringLiteral("設定"));
    QVariantAnimation* fade = title.backAnimation();
    title.setBackText(QStringLiteral("< 戻る"));
    EXPECT_EQ(fade->duration(), 250);
    setAnimationTime(fade, 125);
    EXPECT_NEAR(title.backOpacity(), 0.5, 1e-9);
    setAnimationTime(fade, 250);
    EXPECT_DOUBLE_EQ(title.backOpacity(), 1.0);

    title.setBackText(QString());
    EXPECT_EQ(fade->duration(), 1000);
    setAnimationTime(fade, 250);
    EXPECT_NEAR(title.backOpacity(), 0.75, 1e-9);
    setAnimationTime(fade, 1000);
    EXPECT_DOUBLE_EQ(title.backOpacity(), 0.0);
}

TEST_F(FluentTitleLabelTest, SameBackTextDoesNotRestartTheFade) {
    FluentTitleLabel title;
    title.setBackText(QStringLiteral("< 戻る"));
    setAnimationTime(title.backAnimation(), 250);
    title.setBackText(QStringLiteral("< 戻る"));
    EXPECT_NE(title.backAnimation()->state(), QAbstractAnimation::Running);
    EXPECT_DOUBLE_EQ(title.backOpacity(), 1.0);
}

}  // namespace
