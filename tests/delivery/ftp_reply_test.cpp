#include "delivery/command_session.h"
#include "delivery/ftp_client.h"
#include "delivery/ftp_reply.h"

#include <gtest/gtest.h>

#include <random>

namespace tervolen {
namespace {

using namespace std::chrono_literals;

struct ReplyCase {
    std::vector<std::string> lines;
    int code;
    std::vector<std::string> text;
};

FtpReply assemble(const std::vector<std::string>& lines, std::size_t* linesUsed = nullptr) {
    FtpReply reply;
    std::size_t used = 0;
    bool ended = false;
    while (!ended && used < lines.size())
        ended = addFtpReplyLine(reply, lines[used++]);
    EXPECT_TRUE(ended) << "the reply did not end";
    if (linesUsed)
        *linesUsed = used;
    return reply;
}

TEST(FtpReply, EndsAtThreeDigitsAndABlankOrAtAShortNumberAndKeepsTheTexts) {
    const ReplyCase cases[] = {
        {{"220 Welcome to the server"}, 220, {"Welcome to the server"}},
        {{"211-Features:", " MDTM", " SIZE", " SITE ZONE;CHMOD", "211 End"},
         211,
         {"Features:", "MDTM", "SIZE", "SITE ZONE;CHMOD", "End"}},
        {{"230-Hello", "230-second line", "230 Logged in."}, 230, {"Hello", "second line", "Logged in."}},
        {{"", "   ", "\t200 Type set to I.  "}, 200, {"Type set to I."}},
        {{"220"}, 220, {""}},
        {{"220-Welcome", "abc continues", "12"}, 220, {"Welcome", "abc continues", "12"}},
        {{"220-Welcome", "150 other code ends it too"}, 220, {"Welcome", "150 other code ends it too"}},
        {{"220-Welcome", "2200 not an end", "220-nor this", "220 end"},
         220,
         {"Welcome", " not an end", "nor this", "end"}},
    };
    for (const ReplyCase& c : cases) {
        std::size_t used = 0;
        const FtpReply reply = assemble(c.lines, &used);
        EXPECT_EQ(used, c.lines.size()) << c.lines.front();
        EXPECT_EQ(reply.code, c.code) << c.lines.front();
        EXPECT_EQ(reply.text, c.text) << c.lines.front();
    }
}

TEST(FtpReply, FailureTextIsEachTextLineWithCrLf) {
    const FtpReply reply = assemble({"530-Login incorrect.", "530 Bye."});
    EXPECT_EQ(reply.joinedText(), "Login incorrect.\r\nBye.\r\n");
    const FtpReplyError error(reply);
    EXPECT_EQ(std::string(error.what()), "Login incorrect.\r\nBye.\r\n");
    EXPECT_EQ(error.code(), 530);
}

TEST(FtpReply, RefusesAFirstLineWithoutAValidCode) {
    for (const auto& [line, text] : std::vector<std::pair<std::string, std::string>>{
             {"hello there", "Reply Code is not valid: hell"},
             {"099 too low", "Reply Code is not valid: 099"},
             {"22 short", "Reply Code is not valid: 22 s"},
             {"2a0 letters", "Reply Code is not valid: 2a0"},
         }) {
        FtpReply reply;
        try {
            addFtpReplyLine(reply, line);
            ADD_FAILURE() << line;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
    }
}

// Server replies are outside data: random lines never make the parser misbehave.
TEST(FtpReply, SurvivesRandomLines) {
    std::mt19937 random(2289);
    const std::string alphabet = "0123456789 -\t\r abcXYZ\x01\xff";
    for (int round = 0; round < 20000; ++round) {
        FtpReply reply;
        std::size_t added = 0;
        try {
            for (int i = 0; i < 8; ++i) {
                std::string line(random() % 12, ' ');
                for (char& c : line)
                    c = alphabet[random() % alphabet.size()];
                const bool blank = line.find_first_not_of(" \t\r\x01") == std::string::npos;
                const bool ended = addFtpReplyLine(reply, line);
                added += blank ? 0 : 1;
                if (ended)
                    break;
            }
        } catch (const Error&) {
            EXPECT_TRUE(reply.text.empty()) << "only a first line can be refused";
            continue;
        }
        EXPECT_EQ(reply.text.size(), added);
        if (!reply.text.empty()) {
            EXPECT_GE(reply.code, 100);
            EXPECT_LE(reply.code, 999);
        }
    }
}

TEST(FtpReply, ReadsWholeRepliesFromAConnectionThatCutsLinesAnywhere) {
    auto listener = TcpListener::listen("127.0.0.1", 0);
    auto client = TcpSocket::connect("127.0.0.1", listener.port(), 5s);
    auto server = listener.accept(5s);
    ASSERT_TRUE(server.has_value());
    const std::string stream = "120 Soon.\r\n\r\n220-Hi\r\n there\n220 ready\r\n";
    for (char c : stream)
        server->writeAll(&c, 1, 5s);
    server->close();
    CommandSession session(std::move(client), [](const std::string&) { return Error("line break"); });
    FtpReply first;
    session.readReply(first, addFtpReplyLine, 5s);
    EXPECT_EQ(first.code, 120);
    FtpReply second;
    session.readReply(second, addFtpReplyLine, 5s);
    EXPECT_EQ(second.code, 220);
    EXPECT_EQ(second.text, (std::vector<std::string>{"Hi", "there", "ready"}));
    try {
        FtpReply third;
        session.readReply(third, addFtpReplyLine, 5s);
        FAIL() << "read past the close";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Connection Closed Gracefully.");
    }
}

TEST(FormatPortCommand, GivesAddressPartsAndPortInHighAndLowBytes) {
    EXPECT_EQ(formatPortCommand("10.0.0.5", 50000), "PORT 10,0,0,5,195,80");
    EXPECT_EQ(formatPortCommand("127.0.0.1", 21), "PORT 127,0,0,1,0,21");
    EXPECT_EQ(formatPortCommand("255.255.255.255", 65535), "PORT 255,255,255,255,255,255");
    EXPECT_THROW(formatPortCommand("example.org", 1), Error);
    EXPECT_THROW(formatPortCommand("10.0.0.5\r\nDELE x", 1), Error);
    EXPECT_THROW(formatPortCommand("10.0.0.5", 65536), Error);
}

} // namespace
} // namespace tervolen
