#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace kvx {

// One UDP datagram to a program on this computer; nothing is received.
class DatagramSender {
public:
    virtual ~DatagramSender() = default;
    // Sends `bytes` to the local host on `port`. Empty when the datagram went
    // out (UDP confirms no delivery), else the system's reason.
    virtual QString sendToLocalHost(std::uint16_t port, const QByteArray& bytes) = 0;
};

// Over QUdpSocket: to 127.0.0.1, or to ::1 when "localhost" names only that.
class UdpDatagramSender final : public DatagramSender {
public:
    QString sendToLocalHost(std::uint16_t port, const QByteArray& bytes) override;
};

} // namespace kvx
