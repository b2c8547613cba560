#include "ui/NetworkDescription.h"

#include <gtest/gtest.h>

#include "ui/UiTestSupport.h"

namespace {

const QString kIntro = QStringLiteral(
    "iFacialMocap 上に表示されている、iPhone もしくは iPad のIPアドレスを入力してください。\n\n"
    "カメラ接続が安定しない場合には iFacialMocap にあなたのPCアドレスを設定してください。\n\n");

TEST(NetworkDescriptionTest, FirstReachableIPv4InResolverOrder) {
    const QList<QHostAddress> addresses = {QHostAddress(QStringLiteral("fe80::1")),
                                           QHostAddress(QStringLiteral("127.0.1.1")),
                                           QHostAddress(QStringLiteral("192.168.0.12")),
                                           QHostAddress(QStringLiteral("10.0.0.3"))};
    EXPECT_EQ(firstReachableIPv4(addresses), QHostAddress(QStringLiteral("192.168.0.12")));
    EXPECT_TRUE(firstReachableIPv4({QHostAddress(QStringLiteral("::1")), QHostAddress::LocalHost}).isNull());
}

TEST(NetworkDescriptionTest, TextsWithAndWithoutAnAddress) {
    EXPECT_EQ(networkDescription(QHostAddress(QStringLiteral("192.168.0.12"))),
              kIntro + QStringLiteral("あなたのPCのアドレスは\n192.168.0.12\nです。"));
    EXPECT_EQ(networkDescription(QHostAddress()), kIntro + QStringLiteral("PCのアドレスが取得できませんでした"));
}

}  // namespace
