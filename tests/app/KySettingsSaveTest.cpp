// A settings file that cannot be written is reported, not dropped in silence.
#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include "app/base/KySettings.h"

namespace {

QStringList g_warnings;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) g_warnings.append(text);
}

// Fails when QSettings' failed sync goes unreported: the user's settings are lost with no trace in the log.
TEST(KySettingsSave, UnwritableFileIsReportedInTheLog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    ASSERT_TRUE(QDir().mkpath(path));  // a folder where the file should be

    KySettings settings;
    settings.setFileName(path);
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    settings.save();
    qInstallMessageHandler(previous);
    ASSERT_EQ(g_warnings.size(), 1);
    EXPECT_TRUE(g_warnings.first().contains(QStringLiteral("cannot write"))) << g_warnings.first().toStdString();
    EXPECT_TRUE(g_warnings.first().contains(QStringLiteral("config.ini")));

    settings.setFileName(dir.filePath(QStringLiteral("writable.ini")));
    g_warnings.clear();
    qInstallMessageHandler(collect);
    settings.save();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join('\n').toStdString();
}

}  // namespace
