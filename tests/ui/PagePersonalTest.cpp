#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include "ui/FluentCheckButton.h"
#include "ui/FluentListView.h"
#include "ui/FluentSlider.h"
#include "ui/PagePersonal.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

class PagePersonalTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        QDir pose(resourceDir() + QStringLiteral("/pose"));
        for (const char* name : {"default", "dance", "sit"}) pose.mkpath(QString::fromLatin1(name));
        pose.mkpath(QStringLiteral("dance/nested"));
        QFile file(pose.filePath(QStringLiteral("not_a_folder.vmd")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

TEST_F(PagePersonalTest, PoseSetsAreTheFoldersDirectlyUnderPose) {
    EXPECT_EQ(PagePersonal::poseSetNames(resourceDir()), QStringList({"dance", "default", "sit"}));
    settings().poseSet = QStringLiteral("sit");
    PagePersonal page;
    EXPECT_EQ(page.poseSetList()->items(), QStringList({"dance", "default", "sit"}));
    EXPECT_EQ(page.poseSetList()->currentIndex(), 2);
    page.poseSetList()->item(0)->click();
    EXPECT_EQ(settings().poseSet, QStringLiteral("dance"));
}

// The per-model values arrive with the model: the page shows them and writes nothing back, not even when a
// value lies outside a slider's range.
TEST_F(PagePersonalTest, RefreshesOnModelLoadedWithoutWriting) {
    PagePersonal page;
    settings().eyeRotMul = 5.0f;
    settings().lowerBodyMoveMul = Vector3{0.6f, 0.0f, 0.0f};
    settings().poseSet = QStringLiteral("default");
    QDir(resourceDir() + QStringLiteral("/pose")).mkpath(QStringLiteral("new"));
    emit settings().modelLoaded();
    EXPECT_EQ(page.eyeRotMulSlider()->value(), 300);
    EXPECT_EQ(page.lowerMoveMulSlider()->value(), 60);
    EXPECT_EQ(page.poseSetList()->items(), QStringList({"dance", "default", "new", "sit"}));
    EXPECT_EQ(page.poseSetList()->currentIndex(), 1);
    EXPECT_FLOAT_EQ(settings().eyeRotMul, 5.0f);
    EXPECT_EQ(settings().poseSet, QStringLiteral("default"));
}

}  // namespace
