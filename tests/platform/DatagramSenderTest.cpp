#include "platform/DatagramSender.h"

#include "core/Cp932.h"
#include "schedule/Memos.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace kvx {
namespace {

// A sticky-note program stand-in: a UDP listener on the loopback address.
TEST(UdpDatagramSender, TheMemoArrivesInCodePage932AtTheLocalPort)
{
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, 0));
    UdpDatagramSender sender;
    const std::string memo = toCp932(memoDatagram("買い物:牛乳"));
    const QByteArray bytes(memo.data(), static_cast<qsizetype>(memo.size()));
    ASSERT_EQ(sender.sendToLocalHost(listener.localPort(), bytes), QString());
    ASSERT_TRUE(listener.hasPendingDatagrams() || listener.waitForReadyRead(5000));
    const QNetworkDatagram received = listener.receiveDatagram();
    EXPECT_EQ(received.data(),
        QByteArray("NUURA:FORMSEND:00000004005:00000000325:10027007:00000000006:"
                   "\x94\x83\x82\xa2\x95\xa8:\x8b\x8d\x93\xfb"));
    EXPECT_FALSE(listener.hasPendingDatagrams());
}

} // namespace
} // namespace kvx
