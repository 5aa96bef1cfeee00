#include "delivery/tcp_socket.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

using namespace std::chrono_literals;

TEST(TcpSocket, RefusedConnectionAndUnknownHostGiveSocketErrorTexts) {
    int freePort = TcpListener::listen("127.0.0.1", 0).port(); // closed again at once
    try {
        TcpSocket::connect("127.0.0.1", freePort, 5s);
        FAIL() << "connected";
    } catch (const SocketError& e) {
        EXPECT_EQ(std::string(e.what()), "Socket Error # 111\r\nConnection refused");
    }
    try {
        TcpSocket::connect("no-such-host.invalid", 25, 5s);
        FAIL() << "resolved";
    } catch (const SocketError& e) {
        EXPECT_EQ(std::string(e.what()), "Socket Error # 11001\r\nHost not found.");
    }
}

TEST(TcpSocket, RefusesAPortOutside1To65535InsteadOfWrappingRound) {
    auto listener = TcpListener::listen("127.0.0.1", 0);
    for (const int port : {0, -1, 65536, listener.port() + 65536, listener.port() - 65536}) {
        try {
            TcpSocket::connect("127.0.0.1", port, 5s);
            ADD_FAILURE() << "connected to port " << port;
        } catch (const SocketError& e) {
            EXPECT_EQ(std::string(e.what()), "Socket Error # 22\r\nInvalid argument") << "port " << port;
        }
    }
    EXPECT_FALSE(listener.accept(0ms).has_value()) << "nothing reached the listener";
    TcpSocket::connect("127.0.0.1", listener.port(), 5s);
    EXPECT_TRUE(listener.accept(5s).has_value());
}

TEST(TcpSocket, ExchangesBytesAndTimesOutReads) {
    auto listener = TcpListener::listen("127.0.0.1", 0);
    auto client = TcpSocket::connect("127.0.0.1", listener.port(), 5s);
    auto server = listener.accept(5s);
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(client.localAddress(), "127.0.0.1");
    client.writeAll("hello", 5s);
    char buffer[16];
    EXPECT_EQ(server->readSome(buffer, sizeof buffer, 5s), 5u);
    EXPECT_THROW(server->readSome(buffer, sizeof buffer, 50ms), SocketError);
    client.close();
    EXPECT_EQ(server->readSome(buffer, sizeof buffer, 5s), 0u) << "orderly close reads as 0";
    EXPECT_FALSE(listener.accept(20ms).has_value());
}

} // namespace
} // namespace tervolen
