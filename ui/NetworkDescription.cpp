#include "ui/NetworkDescription.h"

#include <QHostInfo>
#include <QNetworkInterface>

QList<QHostAddress> localHostAddresses() {
    QList<QHostAddress> addresses = QHostInfo::fromName(QHostInfo::localHostName()).addresses();
    // On Linux the host name often resolves to 127.0.1.1 only; the interfaces hold the address the phone needs.
    addresses.append(QNetworkInterface::allAddresses());
    return addresses;
}

QHostAddress firstReachableIPv4(const QList<QHostAddress>& addresses) {
    for (const QHostAddress& address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) return address;
    }
    return QHostAddress();
}

QString networkDescription(const QHostAddress& address) {
    QString text = QStringLiteral(
                       "iFacialMocap 上に表示されている、iPhone もしくは iPad のIPアドレスを入力してください。\n\n") +
                   QStringLiteral("カメラ接続が安定しない場合には iFacialMocap にあなたのPCアドレスを設定してください。\n\n");
    if (address.isNull()) return text + QStringLiteral("PCのアドレスが取得できませんでした");
    return text + QStringLiteral("あなたのPCのアドレスは\n") + address.toString() + QStringLiteral("\nです。");
}
