// Anyone can connect to the port an active upload announces; the file goes only to the control connection's peer.
#include "delivery/ftp_client.h"

#include "loopback_peer.h"
#include "scripted_server.h"
#include "temp_dir.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;

constexpr const char* kIntruderAddress = "127.0.0.2";

// Reads until the other end closes; what came in.
std::string readToEnd(TcpSocket& socket) {
    std::string received;
    char block[65536];
    while (std::size_t n = socket.readSome(block, sizeof block, 5s))
        received.append(block, n);
    return received;
}

// On STOR, a stranger connects to the data port first; then the server itself connects unless told not to.
class DataPort {
public:
    explicit DataPort(bool serverConnects) : serverConnects_(serverConnects) {}

    ScriptedServer::LineHook onPort() {
        return [this](const std::string& line) { target_ = test::parsePortCommand(line); };
    }
    ScriptedServer::LineHook onStor() {
        return [this](const std::string&) {
            TcpSocket intruder = test::connectPeer(target_.address, target_.port, {.localAddress = kIntruderAddress});
            if (serverConnects_) {
                TcpSocket data = TcpSocket::connect(target_.address, target_.port, 5s);
                serverReceived_ = readToEnd(data);
            }
            intruderReceived_ = readToEnd(intruder);
            intruderClosed_ = true;
        };
    }

    const std::string& serverReceived() const { return serverReceived_; }
    const std::string& intruderReceived() const { return intruderReceived_; }
    bool intruderClosed() const { return intruderClosed_; }

private:
    bool serverConnects_;
    test::PortTarget target_;
    std::string serverReceived_;
    std::string intruderReceived_;
    bool intruderClosed_ = false;
};

std::vector<ScriptedServer::Step> uploadScript(DataPort& port, std::vector<ScriptedServer::Step> end) {
    std::vector<ScriptedServer::Step> steps = {ScriptedServer::send("220 ready\r\n"),
                                               ScriptedServer::expect("230 Logged in.\r\n"),
                                               ScriptedServer::expect("211 No features.\r\n"),
                                               ScriptedServer::expect("200 Binary.\r\n"),
                                               ScriptedServer::expect("215 UNIX Type: L8\r\n"),
                                               ScriptedServer::expect("200 PORT ok.\r\n", port.onPort()),
                                               ScriptedServer::expect("150 Opening.\r\n", port.onStor())};
    steps.insert(steps.end(), end.begin(), end.end());
    return steps;
}

class FtpDataPeerTest : public testing::Test {
protected:
    void connect(int port) {
        ftp.setHost("127.0.0.1");
        ftp.setPort(port);
        ftp.setUserName("bob");
        ftp.setTimeouts(NetworkTimeouts{5s, 5s, 5s});
        ftp.connect();
    }

    test::TempDir temp;
    FtpClient ftp;
};

TEST_F(FtpDataPeerTest, AStrangersConnectionIsClosedUnreadAndTheServerGetsTheFile) {
    const std::string content = test::patternBytes(300000, 13, 509);
    test::writeFile(temp.file("202501021405.zip"), content);
    DataPort port(true);
    ScriptedServer server(uploadScript(port, {ScriptedServer::send("226 Transfer complete.\r\n")}));
    connect(server.port());
    ftp.put(openRegularFile(temp.file("202501021405.zip")));
    EXPECT_EQ(ftp.lastReply().code, 226);
    ftp.disconnect();
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_TRUE(port.intruderClosed());
    EXPECT_EQ(port.intruderReceived(), "");
    EXPECT_EQ(port.serverReceived(), content);
    EXPECT_EQ(server.receivedLines().at(5), "STOR 202501021405.zip");
}

TEST_F(FtpDataPeerTest, OnlyAStrangersConnectionEndsTheWaitAtItsBound) {
    test::writeFile(temp.file("a.zip"), "data");
    DataPort port(false);
    ScriptedServer server(uploadScript(port, {ScriptedServer::silent()}));
    connect(server.port());
    ftp.setListenTimeout(300ms);
    try {
        ftp.put(temp.file("a.zip"), "a.zip");
        FAIL() << "uploaded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Accept timed out.");
    }
    ftp.disconnect();
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_TRUE(port.intruderClosed());
    EXPECT_EQ(port.intruderReceived(), "");
}

} // namespace
} // namespace tervolen
