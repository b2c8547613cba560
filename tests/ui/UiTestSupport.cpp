#include "ui/UiTestSupport.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"

namespace mnx::test {

namespace {

// The application's look (start-up steps 10, 11, 13), set up once.
void applyApplicationLook() {
    static bool done = false;
    if (done) return;
    done = true;
    QFont::insertSubstitution(QStringLiteral("BIZ UDPゴシック"), QStringLiteral("Noto Sans CJK JP"));
    QFont::insertSubstitution(QStringLiteral("BIZ UDゴシック"), QStringLiteral("Noto Sans CJK JP"));
    QFont font(QStringLiteral("BIZ UDPゴシック"));
    font.setPointSizeF(9.0);
    QApplication::setFont(font);
    QPalette palette = QApplication::palette();
    palette.setBrush(QPalette::All, QPalette::Text, QBrush(QColor(24, 24, 24, 255)));
    QApplication::setPalette(palette);
    qApp->setStyleSheet(
        QStringLiteral("QSlider::groove:horizontal{border:none;margin-top: 5px;margin-bottom: 5px;height: 5px;} "
                       "QSlider::handle:horizontal{background: white;border: 0px;width: %1px; margin: -%2px 0;}")
            .arg(dpiScaled(20))
            .arg(dpiScaled(24)));
}

}  // namespace

void UiTest::SetUp() {
    applyApplicationLook();
    ASSERT_TRUE(m_dir.isValid());
    QDir(m_dir.path()).mkpath(QStringLiteral("resource/pose"));
    m_settings = std::make_unique<KySettings>();
    m_settings->setFileName(m_dir.filePath(QStringLiteral("config.ini")));
    m_settings->resourceDir = resourceDir();
    setKySettings(m_settings.get());
}

void UiTest::TearDown() {
    setKySettings(nullptr);
    m_settings.reset();
}

QString UiTest::resourceDir() const { return m_dir.filePath(QStringLiteral("resource")); }

void processEvents() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void setAnimationTime(QAbstractAnimation* animation, int ms) {
    if (animation->state() == QAbstractAnimation::Running) animation->pause();
    animation->setCurrentTime(ms);
}

void finishAnimations(QObject* root) {
    for (QAbstractAnimation* animation : root->findChildren<QAbstractAnimation*>()) {
        if (animation->group() == nullptr && animation->state() != QAbstractAnimation::Stopped &&
            animation->totalDuration() >= 0) {
            setAnimationTime(animation, animation->totalDuration());
        }
    }
}

}  // namespace mnx::test
