// VMC settings: config.ini validation, the page rows that refuse bad values, and the capture switch (F5) that
// starts and stops the chosen source.
#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/KySolution.h"
#include "app/base/KySettings.h"
#include "ui/FluentLineEdit.h"
#include "ui/KyVmcSendGroup.h"
#include "vmc/VmcReceiver.h"

namespace {

struct BadValue {
    const char* key;
    QVariant value;
};

class VmcBadSettingTest : public ::testing::TestWithParam<BadValue> {};

TEST_P(VmcBadSettingTest, KeepsThePreviousValueAndSaysWhy) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("config.ini"));
    {
        QSettings s(file, QSettings::IniFormat);
        s.setValue(QStringLiteral("Global/VmcReceivePort"), 40000);
        s.setValue(QStringLiteral("Global/VmcSendHost"), QStringLiteral("192.168.1.20"));
        s.setValue(QStringLiteral("Global/VmcSendPort"), 40001);
        s.setValue(QStringLiteral("Global/CaptureType"), 1);
        s.setValue(QString::fromLatin1(GetParam().key), GetParam().value);
    }
    KySettings settings;
    settings.setFileName(file);
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg) warnings.append(text);
        });
    settings.load();
    qInstallMessageHandler(previous);

    const QString key = QString::fromLatin1(GetParam().key);
    ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings.front().contains(key)) << warnings.front().toStdString();
    // The bad key keeps its default; the good ones load.
    EXPECT_EQ(settings.vmcReceivePort, key.endsWith("VmcReceivePort") ? 39539 : 40000);
    EXPECT_EQ(settings.vmcSendPort, key.endsWith("VmcSendPort") ? 39540 : 40001);
    EXPECT_EQ(settings.vmcSendHost,
              key.endsWith("VmcSendHost") ? QStringLiteral("127.0.0.1") : QStringLiteral("192.168.1.20"));
    EXPECT_EQ(settings.captureType, 1);
}

INSTANTIATE_TEST_SUITE_P(Values, VmcBadSettingTest,
                         ::testing::Values(BadValue{"Global/VmcReceivePort", 70000},
                                           BadValue{"Global/VmcSendPort", QStringLiteral("abc")},
                                           BadValue{"Global/VmcSendHost", QStringLiteral("300.1.1.1")},
                                           BadValue{"Global/VmcSendHost", QStringLiteral("example.com; rm")}));

TEST(VmcSendGroupTest, ABadHostIsRefusedWithAMessageAndAGoodOneIsStored) {
    KySettings settings;
    setKySettings(&settings);
    KyVmcSendGroup group;
    group.hostEdit()->setText(QStringLiteral("1.2.3"));
    group.onHostEditingFinished();
    EXPECT_EQ(settings.vmcSendHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(group.hostEdit()->text(), QStringLiteral("127.0.0.1"));
    group.hostEdit()->setText(QStringLiteral("10.0.0.7"));
    group.onHostEditingFinished();
    EXPECT_EQ(settings.vmcSendHost, QStringLiteral("10.0.0.7"));
    setKySettings(nullptr);
}

TEST(VmcCaptureSwitchTest, F5StartsAndStopsTheVmcReceiverWhenVmcIsChosen) {
    KySettings settings;
    setKySettings(&settings);
    int port = 0;
    {
        vmc::VmcReceiver probe;
        ASSERT_TRUE(probe.start(0));
        port = probe.port();
    }
    settings.captureType = KySettings::kCaptureVmc;
    settings.vmcReceivePort = port;
    KySolution solution;
    QSignalSpy captured(&solution, &KySolution::captured);

    solution.onGlobalMenuR_LongPressed();
    ASSERT_TRUE(solution.vmcReceiver()->isRunning());
    EXPECT_EQ(solution.vmcReceiver()->port(), port);
    EXPECT_TRUE(solution.isRunning());
    ASSERT_EQ(captured.size(), 1);
    EXPECT_TRUE(captured.front().front().toBool());

    solution.onGlobalMenuR_LongPressed();
    EXPECT_FALSE(solution.vmcReceiver()->isRunning());
    EXPECT_FALSE(solution.isRunning());
    EXPECT_FALSE(captured.back().front().toBool());
    setKySettings(nullptr);
}

}  // namespace
