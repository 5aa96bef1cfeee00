#include "delivery/ftp_client.h"
#include "delivery/one_time_password.h"

#include "scripted_server.h"
#include "temp_dir.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;
using Steps = std::vector<ScriptedServer::Step>;

// The address and port of a "PORT h1,h2,h3,h4,p1,p2" line.
struct DataTarget {
    std::string address;
    int port = 0;
};

DataTarget parsePort(const std::string& line) {
    int h[4] = {}, p1 = 0, p2 = 0;
    EXPECT_EQ(std::sscanf(line.c_str(), "PORT %d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2], &h[3], &p1, &p2), 6) << line;
    return {std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." + std::to_string(h[3]),
            p1 * 256 + p2};
}

// Plays the server's side of active-mode transfers: remembers the PORT target, and on STOR connects to it and
// reads the data until the client closes (or only a few bytes, then drops the connection).
class DataPeer {
public:
    ScriptedServer::LineHook onPort() {
        return [this](const std::string& line) { target_ = parsePort(line); };
    }
    ScriptedServer::LineHook onStor(std::size_t dropAfter = 0) {
        return [this, dropAfter](const std::string&) {
            TcpSocket data = TcpSocket::connect(target_.address, target_.port, 5s);
            char block[65536];
            while (std::size_t n = data.readSome(block, dropAfter ? 1 : sizeof block, 5s)) {
                received_.append(block, n);
                if (dropAfter && received_.size() >= dropAfter)
                    break;
            }
        };
    }
    const DataTarget& target() const { return target_; }
    const std::string& received() const { return received_; }

private:
    DataTarget target_;
    std::string received_;
};

// Plays the server's side of passive transfers: a listener on the loopback address for the port that its EPSV or
// PASV answer names; on STOR it takes the client's connection and reads the data until the client closes.
class PassivePeer {
public:
    std::string epsvAnswer() const {
        return "229 Entering Extended Passive Mode (|||" + std::to_string(listener_.port()) + "|)\r\n";
    }
    // The answer naming host (commas for dots) and the listener's port.
    std::string pasvAnswer(std::string host) const {
        std::replace(host.begin(), host.end(), '.', ',');
        const int port = listener_.port();
        return "227 Entering Passive Mode (" + host + "," + std::to_string(port / 256) + "," +
               std::to_string(port % 256) + ").\r\n";
    }
    ScriptedServer::LineHook onStor() {
        return [this](const std::string&) {
            std::optional<TcpSocket> data = listener_.accept(5s);
            if (!data)
                return;
            char block[65536];
            while (std::size_t n = data->readSome(block, sizeof block, 5s))
                received_.append(block, n);
        };
    }
    const std::string& received() const { return received_; }

private:
    TcpListener listener_ = TcpListener::listen("127.0.0.1", 0);
    std::string received_;
};

constexpr const char* kGreeting = "220 Tervolen test server ready.\r\n";

// USER and PASS accepted, FEAT with one feature, TYPE I and SYST.
Steps loginSteps(const std::string& feat = "211-Features:\r\n MDTM\r\n211 End\r\n") {
    return {ScriptedServer::send(kGreeting),
            ScriptedServer::expect("331 Password required for bob.\r\n"),
            ScriptedServer::expect("230 Logged in.\r\n"),
            ScriptedServer::expect(feat),
            ScriptedServer::expect("200 Type set to I.\r\n"),
            ScriptedServer::expect("215 UNIX Type: L8\r\n")};
}

Steps then(Steps steps, const Steps& more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

class FtpClientTest : public testing::Test {
protected:
    void configure(int port) {
        ftp.setHost("127.0.0.1");
        ftp.setPort(port);
        ftp.setUserName("bob");
        ftp.setPassword("secret word");
        ftp.setTimeouts(NetworkTimeouts{5s, 5s, 5s});
    }

    // The lines the server received, once the client has closed.
    std::vector<std::string> linesAfterClose(ScriptedServer& server) {
        ftp.disconnect();
        EXPECT_TRUE(server.waitFinished(10s));
        return server.receivedLines();
    }

    std::string errorText(const std::function<void()>& action) {
        try {
            action();
        } catch (const Error& e) {
            return e.what();
        }
        return "(no failure)";
    }

    test::TempDir temp;
    FtpClient ftp;
};

TEST_F(FtpClientTest, ReadsThe220AfterA120AndLogsIn) {
    Steps steps = loginSteps();
    steps.insert(steps.begin(), ScriptedServer::send("120 Service ready in 1 minute.\r\n"));
    ScriptedServer server(steps);
    configure(server.port());
    ftp.connect();
    EXPECT_EQ(ftp.greeting().code, 220);
    EXPECT_EQ(ftp.features(), std::vector<std::string>{"MDTM"});
    EXPECT_EQ(ftp.systemDescription(), "UNIX Type: L8");
    EXPECT_EQ(linesAfterClose(server),
              (std::vector<std::string>{"USER bob", "PASS secret word", "FEAT", "TYPE I", "SYST", "QUIT"}));
}

TEST_F(FtpClientTest, SendsNoPassWhenUserIsEnoughAndCarriesOnAfterARefusedFeat) {
    ScriptedServer server({ScriptedServer::send(kGreeting), ScriptedServer::expect("230 Welcome, no password.\r\n"),
                           ScriptedServer::expect("500 FEAT not understood.\r\n"),
                           ScriptedServer::expect("200 Type set to I.\r\n"),
                           ScriptedServer::expect("500 SYST not understood.\r\n")});
    configure(server.port());
    ftp.connect();
    EXPECT_TRUE(ftp.features().empty());
    EXPECT_EQ(ftp.systemDescription(), "Unknown");
    EXPECT_TRUE(ftp.connected());
    EXPECT_EQ(linesAfterClose(server), (std::vector<std::string>{"USER bob", "FEAT", "TYPE I", "SYST", "QUIT"}));
}

TEST_F(FtpClientTest, AnswersAOneTimePasswordChallengeWithSixWords) {
    struct Case {
        std::string challenge;
        std::string password;
        std::string expectedPass;
    };
    const Case cases[] = {
        // The answers are test vectors of RFC 2289, appendix C.
        {"331 Response to otp-md5 99 alpha1 required for skey.\r\n", "AbCdEfGhIjK", "PASS BODE HOP JAKE STOW JUT RAP"},
        {"331 Response to otp-md4 1 correct required for skey.\r\n", "OTP's are good",
         "PASS GIST AMOS MOOT AIDS FOOD SEEM"},
        {"331-Challenge follows:\r\n331 otp-sha1 99 TeSt ext\r\n", "This is a test.",
         "PASS GAFF WAIT SKID GIG SKY EYED"},
    };
    for (const Case& c : cases) {
        Steps steps = loginSteps();
        steps[1] = ScriptedServer::expect(c.challenge);
        ScriptedServer server(steps);
        configure(server.port());
        ftp.setPassword(c.password);
        ftp.connect();
        const auto lines = linesAfterClose(server);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], c.expectedPass);
    }
}

TEST_F(FtpClientTest, RefusedLoginFailsWithTheReplyTextAndSaysQuit) {
    Steps steps = loginSteps();
    steps[2] = ScriptedServer::expect("530-Login incorrect.\r\n530 Goodbye.\r\n");
    steps.resize(3);
    ScriptedServer server(steps);
    configure(server.port());
    try {
        ftp.connect();
        FAIL() << "logged in";
    } catch (const FtpReplyError& e) {
        EXPECT_EQ(std::string(e.what()), "Login incorrect.\r\nGoodbye.\r\n");
        EXPECT_EQ(e.code(), 530);
    }
    EXPECT_FALSE(ftp.connected());
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_EQ(server.receivedLines(), (std::vector<std::string>{"USER bob", "PASS secret word", "QUIT"}));
}

TEST_F(FtpClientTest, RefusedGreetingFailsWithoutQuit) {
    ScriptedServer server({ScriptedServer::send("120 Wait.\r\n"), ScriptedServer::send("421 Too many users.\r\n")});
    configure(server.port());
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "Too many users.\r\n");
    EXPECT_FALSE(ftp.connected());
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_TRUE(server.receivedLines().empty());
}

TEST_F(FtpClientTest, AskedForAnAccountSendsItOrFailsWithoutOne) {
    Steps steps = loginSteps();
    steps[2] = ScriptedServer::expect("332 Need account for login.\r\n");
    steps.insert(steps.begin() + 3, ScriptedServer::expect("230 Account accepted.\r\n"));
    {
        ScriptedServer server(steps);
        configure(server.port());
        ftp.setAccount("sales");
        ftp.connect();
        const auto lines = linesAfterClose(server);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[2], "ACCT sales");
    }
    {
        steps.resize(3);
        ScriptedServer server(steps);
        configure(server.port());
        ftp.setAccount("");
        EXPECT_EQ(errorText([&] { ftp.connect(); }), "Need account for login.\r\n");
    }
}

TEST_F(FtpClientTest, AsksForTheZoneOfNamedServersAndOfServersListingIt) {
    const std::pair<std::string, Steps> cases[] = {
        {"Serv-U greeting",
         [] {
             Steps steps = loginSteps();
             steps[0] = ScriptedServer::send("220 Serv-U FTP Server v6.4 ready...\r\n");
             return steps;
         }()},
        {"FEAT with SITE ZONE", loginSteps("211-Extensions:\r\n SITE PSWD;SET; zone ;CHMOD\r\n MDTM\r\n211 End\r\n")},
    };
    for (const auto& [name, login] : cases) {
        ScriptedServer server(then(login, {ScriptedServer::expect("210 UTC-300\r\n")}));
        configure(server.port());
        ftp.connect();
        EXPECT_EQ(ftp.serverUtcOffset(), -300) << name;
        EXPECT_EQ(linesAfterClose(server).at(5), "SITE ZONE") << name;
    }
}

TEST_F(FtpClientTest, UploadsOverAnActiveDataConnectionAnnouncedWithPort) {
    const std::string path = temp.file("backup.zip");
    std::string content;
    for (int i = 0; i < 100000; ++i)
        content += static_cast<char>(i * 7 % 251);
    test::writeFile(path, content);
    DataPeer peer;
    ScriptedServer server(then(loginSteps(), {ScriptedServer::expect("200 PORT ok.\r\n", peer.onPort()),
                                              ScriptedServer::expect("150 Opening.\r\n", peer.onStor()),
                                              ScriptedServer::send("226 Transfer complete.\r\n")}));
    configure(server.port());
    ftp.connect();
    ftp.put(path, "");
    EXPECT_EQ(ftp.lastReply().code, 226);
    const auto lines = linesAfterClose(server);
    EXPECT_EQ(peer.target().address, "127.0.0.1");
    // The port the data arrived on, in its high and low bytes.
    const int port = peer.target().port;
    EXPECT_EQ(lines.at(5), "PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256));
    EXPECT_EQ(lines.at(6), "STOR backup.zip");
    EXPECT_EQ(peer.received(), content);
}

TEST_F(FtpClientTest, PassiveModeConnectsToTheControlPeerAtThePortOfEpsvOrElsePasvWhateverHostPasvNames) {
    const std::string path = temp.file("backup.zip");
    const std::string content = test::randomBytes(200000, 3);
    test::writeFile(path, content);
    const struct {
        const char* name;
        const char* epsvRefusal; // empty: EPSV is answered
        const char* pasvHost;
    } cases[] = {
        {"EPSV", "", ""},
        {"EPSV refused, PASV naming a foreign host", "500 'EPSV': command not understood.\r\n", "10.9.8.7"},
        {"EPSV not implemented, PASV naming the server", "502 Not implemented.\r\n", "127.0.0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassivePeer peer;
        Steps steps = loginSteps();
        std::vector<std::string> expected = {"EPSV"};
        if (*c.epsvRefusal == '\0') {
            steps.push_back(ScriptedServer::expect(peer.epsvAnswer()));
        } else {
            steps.push_back(ScriptedServer::expect(c.epsvRefusal));
            steps.push_back(ScriptedServer::expect(peer.pasvAnswer(c.pasvHost)));
            expected.push_back("PASV");
        }
        expected.push_back("STOR backup.zip");
        steps.push_back(ScriptedServer::expect("150 Opening.\r\n", peer.onStor()));
        steps.push_back(ScriptedServer::send("226 Transfer complete.\r\n"));
        ScriptedServer server(steps);
        configure(server.port());
        ftp.setPassive(true);
        ftp.connect();
        ftp.put(path, "");
        EXPECT_EQ(ftp.lastReply().code, 226);
        const auto lines = linesAfterClose(server);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end() - 1), expected);
        EXPECT_EQ(peer.received(), content);
    }
}

TEST_F(FtpClientTest, PassiveModeFailsOnARefusedPasvOrAnAnswerWithoutAPort) {
    test::writeFile(temp.file("a.zip"), "data");
    const struct {
        Steps steps;
        const char* failure;
    } cases[] = {
        {{ScriptedServer::expect("500 No.\r\n"), ScriptedServer::expect("425 Cannot open passive connection.\r\n")},
         "Cannot open passive connection.\r\n"},
        {{ScriptedServer::expect("229 Entering Extended Passive Mode (|||0|)\r\n")},
         "The EPSV answer names no port: Entering Extended Passive Mode (|||0|)\r\n"},
        {{ScriptedServer::expect("421 Closing.\r\n")}, "Closing.\r\n"},
        {{ScriptedServer::expect("502 No.\r\n"), ScriptedServer::expect("227 Entering Passive Mode.\r\n")},
         "The PASV answer names no port: Entering Passive Mode.\r\n"},
    };
    for (const auto& c : cases) {
        ScriptedServer server(then(loginSteps(), c.steps));
        configure(server.port());
        ftp.setPassive(true);
        ftp.connect();
        EXPECT_EQ(errorText([&] { ftp.put(temp.file("a.zip"), "a.zip"); }), c.failure);
        EXPECT_EQ(linesAfterClose(server).size(), 5 + c.steps.size() + 1) << "no STOR after " << c.failure;
    }
}

TEST_F(FtpClientTest, ChangeFolderEntersEachLevelAndMakesOnlyTheMissingOnes) {
    ScriptedServer server(
        then(loginSteps(), {ScriptedServer::expect("250 \"/\" is the current directory.\r\n"),
                            ScriptedServer::expect("250 OK.\r\n"), ScriptedServer::expect("550 No such directory.\r\n"),
                            ScriptedServer::expect("257 \"/backups/firebird\" created.\r\n"),
                            ScriptedServer::expect("250 OK.\r\n"), ScriptedServer::expect("550 No such directory.\r\n"),
                            ScriptedServer::expect("550 Permission denied.\r\n")}));
    configure(server.port());
    ftp.connect();
    ftp.changeFolder("/backups//firebird/");
    EXPECT_EQ(errorText([&] { ftp.changeFolder("locked"); }), "Permission denied.\r\n");
    EXPECT_EQ(errorText([&] { ftp.changeFolder("a\r\nDELE x"); }), "The FTP folder must not contain CR or LF.");
    const auto lines = linesAfterClose(server);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()),
              (std::vector<std::string>{"CWD /", "CWD backups", "CWD firebird", "MKD firebird", "CWD firebird",
                                        "CWD locked", "MKD locked", "QUIT"}));
}

TEST_F(FtpClientTest, RefusedStorFailsWithItsTextWithoutAwaitingTheDataConnection) {
    test::writeFile(temp.file("a.zip"), "data");
    DataPeer peer;
    ScriptedServer server(then(loginSteps(), {ScriptedServer::expect("200 PORT ok.\r\n", peer.onPort()),
                                              ScriptedServer::expect("553 Could not create file.\r\n")}));
    configure(server.port());
    ftp.setListenTimeout(std::chrono::minutes(10));
    ftp.connect();
    try {
        ftp.put(temp.file("a.zip"), "a.zip");
        FAIL() << "uploaded";
    } catch (const FtpReplyError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not create file.\r\n");
        EXPECT_EQ(e.code(), 553);
    }
    EXPECT_THROW(TcpSocket::connect("127.0.0.1", peer.target().port, 5s), SocketError) << "still listening";
    EXPECT_TRUE(ftp.connected());
}

TEST_F(FtpClientTest, ServerThatNeverConnectsBackFailsWithAcceptTimedOut) {
    test::writeFile(temp.file("a.zip"), "data");
    ScriptedServer server(
        then(loginSteps(), {ScriptedServer::expect("200 PORT ok.\r\n"), ScriptedServer::expect("150 Opening.\r\n")}));
    configure(server.port());
    ftp.setListenTimeout(200ms);
    ftp.connect();
    EXPECT_EQ(errorText([&] { ftp.put(temp.file("a.zip"), "a.zip"); }), "Accept timed out.");
}

TEST_F(FtpClientTest, DataConnectionDroppedEarlyIsNoSuccessEvenWhenTheServerSays226) {
    const std::string path = temp.file("big.zip");
    test::writeFile(path, std::string(32 << 20, 'x'));
    DataPeer peer;
    ScriptedServer server(then(loginSteps(), {ScriptedServer::expect("200 PORT ok.\r\n", peer.onPort()),
                                              ScriptedServer::expect("150 Opening.\r\n", peer.onStor(1000)),
                                              ScriptedServer::send("226 Transfer complete.\r\n")}));
    configure(server.port());
    ftp.connect();
    EXPECT_EQ(errorText([&] { ftp.put(path, "big.zip"); }),
              "The server closed the data connection before the whole file was sent.");
    EXPECT_EQ(ftp.lastReply().code, 226);
}

TEST_F(FtpClientTest, ServerThatNeverAnswersFailsAfterTheReplyWait) {
    for (const Steps& steps :
         {Steps{ScriptedServer::silent()}, Steps{ScriptedServer::send(kGreeting), ScriptedServer::silent()}}) {
        ScriptedServer server(steps);
        configure(server.port());
        ftp.setTimeouts(NetworkTimeouts{5s, 200ms, 5s});
        EXPECT_EQ(errorText([&] { ftp.connect(); }), "Socket Error # 110\r\nConnection timed out");
        EXPECT_FALSE(ftp.connected());
    }
}

TEST_F(FtpClientTest, RefusesLineBreaksInNamesBeforeSendingThem) {
    ScriptedServer server(loginSteps());
    configure(server.port());
    ftp.setUserName("bob\r\nDELE important");
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "The FTP user name must not contain CR or LF.");
    ftp.setUserName("bob");
    ftp.setPassword("secret\nword");
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "The FTP password must not contain CR or LF.");
    ftp.setPassword("secret word");
    ftp.connect();
    test::writeFile(temp.file("a.zip"), "data");
    EXPECT_EQ(errorText([&] { ftp.put(temp.file("a.zip"), "a.zip\r\nDELE important"); }),
              "The FTP remote file name must not contain CR or LF.");
    EXPECT_EQ(errorText([&] { ftp.sendCmd("NOOP\nDELE important"); }), "The FTP command must not contain CR or LF.");
    const auto lines = linesAfterClose(server);
    EXPECT_EQ(lines, (std::vector<std::string>{"USER bob", "PASS secret word", "FEAT", "TYPE I", "SYST", "QUIT"}));
}

TEST_F(FtpClientTest, PutRefusesWhatItCannotSend) {
    ScriptedServer server(loginSteps());
    configure(server.port());
    EXPECT_EQ(errorText([&] { ftp.put(temp.file("a.zip"), "a.zip"); }), "Not Connected");
    ftp.connect();
    EXPECT_EQ(errorText([&] { ftp.put(temp.path() + "/", ""); }), "The destination filename can not be empty");
    EXPECT_EQ(errorText([&] { ftp.put(temp.file("missing.zip"), "missing.zip"); }),
              "Cannot open file \"" + temp.file("missing.zip") + "\". No such file or directory");
    EXPECT_EQ(linesAfterClose(server).size(), 6u) << "nothing sent for the refused uploads";
}

TEST_F(FtpClientTest, ConnectRefusesAnEmptyHostABadPortAndASecondConnection) {
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "");
    ftp.setHost("127.0.0.1");
    ftp.setPort(0);
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "");
    ftp.setPort(65536 + 21);
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "Socket Error # 22\r\nInvalid argument") << "no wrap to port 21";
    ScriptedServer server(loginSteps());
    configure(server.port());
    ftp.connect();
    EXPECT_EQ(errorText([&] { ftp.connect(); }), "Already connected.");
}

TEST_F(FtpClientTest, DisconnectDoesNotWaitLongForTheQuitReplyAndNeverFails) {
    ScriptedServer server(then(loginSteps(), {ScriptedServer::silent()}));
    configure(server.port());
    ftp.connect();
    ftp.disconnect();
    EXPECT_FALSE(ftp.connected());
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_EQ(server.receivedLines().back(), "QUIT");
    ftp.disconnect();
}

TEST_F(FtpClientTest, ServerThatClosedIsNoLongerConnectedOnceItsLastReplyIsRead) {
    ScriptedServer server(then(loginSteps(), {ScriptedServer::send("421 Timeout.\r\n"), ScriptedServer::close()}));
    configure(server.port());
    ftp.connect();
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_TRUE(ftp.connected()) << "the 421 is still unread";
    EXPECT_EQ(errorText([&] { ftp.sendCmd("NOOP", {200}); }), "Timeout.\r\n");
    EXPECT_FALSE(ftp.connected());
}

} // namespace
} // namespace tervolen
