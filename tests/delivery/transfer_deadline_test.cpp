// A peer that takes data slowly or not at all cannot hold a transfer step beyond its timeout.
#include "delivery/ftp_client.h"
#include "delivery/smtp_client.h"

#include "failure_text.h"
#include "loopback_peer.h"
#include "scripted_server.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <future>
#include <thread>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;

constexpr int kSmallReceiveBuffer = 4096;
constexpr auto kShortTimeout = 300ms;
const std::string kTimedOut = "Socket Error # 110\r\nConnection timed out";

// A server-side socket and a peer connected to it with the given receive buffer (0: the system's default).
struct SocketPair {
    explicit SocketPair(int peerReceiveBuffer) {
        auto listener = TcpListener::listen("127.0.0.1", 0);
        peer =
            test::connectPeer("127.0.0.1", listener.port(), {.localAddress = {}, .receiveBuffer = peerReceiveBuffer});
        auto accepted = listener.accept(5s);
        EXPECT_TRUE(accepted.has_value());
        if (accepted)
            sender = std::move(*accepted);
    }
    TcpSocket peer;
    TcpSocket sender;
};

int writeError(TcpSocket& socket, const std::string& data, std::chrono::milliseconds timeout) {
    try {
        socket.writeAll(data, timeout);
    } catch (const SocketError& e) {
        return e.code();
    }
    return 0;
}

TEST(TransferDeadline, AWriteToAPeerThatNeverReadsEndsAtItsTimeout) {
    SocketPair pair(kSmallReceiveBuffer);
    EXPECT_EQ(writeError(pair.sender, std::string(16u << 20, 'd'), kShortTimeout), ETIMEDOUT);
}

TEST(TransferDeadline, APeerThatTakesALittleNowAndThenCannotStretchAWrite) {
    SocketPair pair(0);
    std::atomic<bool> stop{false};
    // At this pace the 48 MiB take well over a second; each wait for room is short, the whole call is not.
    std::thread reader([&] {
        char block[65536];
        while (!stop) {
            try {
                pair.peer.readSome(block, sizeof block, 10ms);
            } catch (const SocketError&) {
            }
            std::this_thread::sleep_for(2ms);
        }
    });
    EXPECT_EQ(writeError(pair.sender, std::string(48u << 20, 'd'), kShortTimeout), ETIMEDOUT);
    stop = true;
    reader.join();
}

using Steps = std::vector<ScriptedServer::Step>;

// A data connection that takes in a few kilobytes and is then left unread until released.
class StalledDataPeer {
public:
    ScriptedServer::LineHook onPort() {
        return [this](const std::string& line) { target_ = test::parsePortCommand(line); };
    }
    ScriptedServer::LineHook onTransfer() {
        return [this](const std::string&) {
            TcpSocket data = test::connectPeer(target_.address, target_.port,
                                               {.localAddress = {}, .receiveBuffer = kSmallReceiveBuffer});
            released_.wait_for(10s);
        };
    }
    ScriptedServer::LineHook stall() {
        return [this](const std::string&) { released_.wait_for(10s); };
    }
    void release() { release_.set_value(); }

private:
    test::PortTarget target_;
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
};

TEST(TransferDeadline, AnFtpUploadToADataPeerThatNeverReadsFailsAfterDataIdle) {
    test::TempDir temp;
    test::writeFile(temp.file("big.zip"), std::string(16u << 20, 'z'));
    StalledDataPeer peer;
    ScriptedServer server({ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("230 Logged in.\r\n"),
                           ScriptedServer::expect("211 No features.\r\n"), ScriptedServer::expect("200 Binary.\r\n"),
                           ScriptedServer::expect("215 UNIX Type: L8\r\n"),
                           ScriptedServer::expect("200 PORT ok.\r\n", peer.onPort()),
                           ScriptedServer::expect("150 Opening.\r\n", peer.onTransfer()), ScriptedServer::silent()});
    FtpClient ftp;
    ftp.setHost("127.0.0.1");
    ftp.setPort(server.port());
    ftp.setUserName("bob");
    ftp.setTimeouts(NetworkTimeouts{5s, 5s, kShortTimeout});
    ftp.connect();
    EXPECT_EQ(test::failureText([&] { ftp.put(temp.file("big.zip"), "big.zip"); }), kTimedOut);
    peer.release();
}

TEST(TransferDeadline, AnSmtpServerThatStopsReadingTheMessageFailsItAfterDataIdle) {
    test::TempDir temp;
    test::writeFile(temp.file("big.zip"), std::string(8u << 20, 'z'));
    StalledDataPeer peer;
    ScriptedServer server({ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("250 hello\r\n"),
                           ScriptedServer::expect("250 reset\r\n"), ScriptedServer::expect("250 sender ok\r\n"),
                           ScriptedServer::expect("250 recipient ok\r\n"),
                           ScriptedServer::expect("354 go ahead\r\n", peer.stall()), ScriptedServer::silent()});
    SmtpClient smtp;
    smtp.setHost("127.0.0.1");
    smtp.setPort(server.port());
    smtp.setAuthType(SmtpAuthentication::None);
    smtp.setTimeouts(NetworkTimeouts{5s, 5s, kShortTimeout});
    smtp.connect();
    MailMessage message;
    message.from.address = "backup@example.com";
    message.recipients = parseAddressList("dba@example.com");
    message.body = {"backup"};
    message.attachments.emplace_back(std::make_shared<const OpenedFile>(openRegularFile(temp.file("big.zip"))));
    EXPECT_EQ(test::failureText([&] { smtp.send(message); }), kTimedOut);
    EXPECT_FALSE(smtp.connected()) << "no command can follow a cut message";
    peer.release();
}

} // namespace
} // namespace tervolen
