#include <gtest/gtest.h>

#include "ui/NetworkDescription.h"

namespace {

TEST(NetworkDescriptionTest, FirstReachableIPv4InResolverOrder) {
    const QList<QHostAddress> addresses = {
        QHostAddress(QStringLiteral("fe80::1")), QHostAddress(QStringLiteral("127.0.1.1")),
        QHostAddress(QStringLiteral("192.168.0.12")), QHostAddress(QStringLiteral("10.0.0.3"))};
    EXPECT_EQ(firstReachableIPv4(addresses), QHostAddress(QStringLiteral("192.168.0.12")));
    EXPECT_TRUE(firstReachableIPv4({QHostAddress(QStringLiteral("::1")), QHostAddress::LocalHost}).isNull());
}

}  // namespace
