#pragma once

#include "platform/DatagramSender.h"

#include <vector>

namespace kvx {

// Test double of the datagram socket: records what would have gone out, and
// answers with `failure` (empty: sent).
class FakeDatagramSender final : public DatagramSender {
public:
    struct Sent {
        std::uint16_t port;
        QByteArray bytes;
    };

    QString sendToLocalHost(std::uint16_t port, const QByteArray& bytes) override
    {
        sent.push_back({port, bytes});
        return failure;
    }

    std::vector<Sent> sent;
    QString failure;
};

} // namespace kvx
