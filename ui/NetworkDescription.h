#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// This computer's addresses: the local host name resolved (in the resolver's order), then the addresses of
// the network interfaces. Blocks while the name resolves.
QList<QHostAddress> localHostAddresses();

// The first IPv4 address of `addresses` that another device can reach (loopback skipped); null if none.
QHostAddress firstReachableIPv4(const QList<QHostAddress>& addresses);

// The description under the network row: how to connect, then this computer's address or the notice that
// none was found.
QString networkDescription(const QHostAddress& address);
