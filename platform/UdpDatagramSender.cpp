#include "platform/DatagramSender.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

#include <algorithm>

namespace kvx {

namespace {

// The loopback address "localhost" stands for: IPv4 unless the host table
// gives it only an IPv6 address.
QHostAddress localHost()
{
    const QList<QHostAddress> addresses = QHostInfo::fromName(QStringLiteral("localhost")).addresses();
    const bool onlyIpv6 = !addresses.isEmpty()
        && std::none_of(addresses.begin(), addresses.end(),
            [](const QHostAddress& a) { return a.protocol() == QAbstractSocket::IPv4Protocol; });
    return QHostAddress(onlyIpv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost);
}

} // namespace

QString UdpDatagramSender::sendToLocalHost(std::uint16_t port, const QByteArray& bytes)
{
    QUdpSocket socket;
    if (socket.writeDatagram(bytes, localHost(), port) != bytes.size()) {
        return socket.errorString();
    }
    return {};
}

} // namespace kvx
