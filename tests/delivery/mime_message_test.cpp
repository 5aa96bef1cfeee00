#include "delivery/mime_message.h"

#include "core/errors.h"
#include "delivery/base64.h"
#include "delivery/header_text.h"
#include "fixed_clock.h"
#include "temp_dir.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

namespace tervolen {
namespace {

using test::FixedClock;
using test::TempDir;

constexpr const char* kBoundary = "ABCDEFGHIJKLMNOP=_QRSTUVWXYZabcdef";
constexpr const char* kMessageId = "<00112233445566778899aabbccddeeff@example.com>";
constexpr const char* kBody = "Data BaseBackup file compressed and attached byTervolen";

class StringWriter : public MessageWriter {
public:
    void writeRaw(std::string_view text) override { text_ += text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text ends with CR LF";
    return lines;
}

std::string decodeBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=')
            break;
        bits = bits << 6 | static_cast<unsigned>(alphabet.find(c));
        if ((count += 6) >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

MailMessage backupMessage(const std::string& attachmentPath) {
    MailMessage message;
    message.from.address = "backup@example.com";
    message.recipients = parseAddressList("a@example.com; Bob <b@example.com>,");
    message.subject = "Data Base Backup";
    message.body = {kBody};
    message.boundary = kBoundary;
    message.messageId = kMessageId;
    message.date = LocalTime{2025, 1, 2, 14, 5, 9, 5, -180};
    if (!attachmentPath.empty())
        message.attachments.emplace_back(attachmentPath);
    return message;
}

std::string written(const MailMessage& message) {
    FixedClock clock;
    StringWriter writer;
    writeMessage(message, writer, clock);
    return writer.text();
}

// The lines between the attachment's header block and the closing boundary.
std::vector<std::string> attachmentBody(std::size_t size) {
    TempDir dir;
    test::writeFile(dir.file("data.bin"), test::patternBytes(size, 7, 251));
    std::vector<std::string> lines = linesOf(written(backupMessage(dir.file("data.bin"))));
    auto start = std::find(lines.begin(), lines.end(), "        filename=\"data.bin\"");
    auto end = std::find(lines.begin(), lines.end(), std::string("--") + kBoundary + "--");
    EXPECT_TRUE(start != lines.end() && end != lines.end());
    EXPECT_EQ(*++start, "") << "blank line after the part headers";
    return {start + 1, end};
}

TEST(WriteMessage, MultipartMessageWithAttachment) {
    TempDir dir;
    test::writeFile(dir.file("202501021405.zip"), "hello");
    std::string expected = "From: \"backup@example.com\" <backup@example.com>\r\n"
                           "Subject: Data Base Backup\r\n"
                           "To: a@example.com, \"Bob\" <b@example.com>\r\n"
                           "Content-Type: multipart/mixed; boundary=\"ABCDEFGHIJKLMNOP=_QRSTUVWXYZabcdef\"\r\n"
                           "MIME-Version: 1.0\r\n"
                           "Date: Thu, 2 Jan 2025 14:05:09 -0300\r\n"
                           "Message-ID: <00112233445566778899aabbccddeeff@example.com>\r\n"
                           "\r\n"
                           "This is a multi-part message in MIME format\r\n"
                           "\r\n"
                           "--ABCDEFGHIJKLMNOP=_QRSTUVWXYZabcdef\r\n"
                           "Content-Type: text/plain\r\n"
                           "Content-Transfer-Encoding: 7bit\r\n"
                           "\r\n"
                           "Data BaseBackup file compressed and attached byTervolen\r\n"
                           "\r\n"
                           "--ABCDEFGHIJKLMNOP=_QRSTUVWXYZabcdef\r\n"
                           "Content-Type: application/octet-stream;\r\n"
                           "        name=\"202501021405.zip\"\r\n"
                           "Content-Transfer-Encoding: base64\r\n"
                           "Content-Disposition: attachment;\r\n"
                           "        filename=\"202501021405.zip\"\r\n"
                           "\r\n"
                           "aGVsbG8=\r\n"
                           "\r\n"
                           "--ABCDEFGHIJKLMNOP=_QRSTUVWXYZabcdef--\r\n"
                           "\r\n";
    EXPECT_EQ(written(backupMessage(dir.file("202501021405.zip"))), expected);
    EXPECT_EQ(std::string("Content-Type: multipart/mixed; boundary=\"") + kBoundary + "\"",
              buildHeaderLines(backupMessage(dir.file("202501021405.zip")), FixedClock())[3]);
    EXPECT_EQ(buildHeaderLines(backupMessage(dir.file("202501021405.zip")), FixedClock())[3].size(), 76u);
}

TEST(WriteMessage, PlainMessageWithoutAttachment) {
    std::string expected = "From: \"backup@example.com\" <backup@example.com>\r\n"
                           "Subject: Data Base Backup\r\n"
                           "To: a@example.com, \"Bob\" <b@example.com>\r\n"
                           "Content-Type: text/plain\r\n"
                           "MIME-Version: 1.0\r\n"
                           "Date: Thu, 2 Jan 2025 14:05:09 -0300\r\n"
                           "Message-ID: <00112233445566778899aabbccddeeff@example.com>\r\n"
                           "\r\n"
                           "Data BaseBackup file compressed and attached byTervolen\r\n"
                           "\r\n";
    EXPECT_EQ(written(backupMessage("")), expected);
}

TEST(WriteMessage, DotStuffsBodyLinesOnly) {
    MailMessage message = backupMessage("");
    message.body = {".hidden", "..two", "normal", ".", "", "split\r\n.\r\nMAIL FROM:<x@example.com>\n.end"};
    std::vector<std::string> lines = linesOf(written(message));
    std::vector<std::string> body(lines.end() - 10, lines.end());
    EXPECT_EQ(body, (std::vector<std::string>{"..hidden", "...two", "normal", "..", "", "split", "..",
                                              "MAIL FROM:<x@example.com>", "..end", ""}));
}

TEST(WriteMessage, BodyWithHighBytesIsMarked8bit) {
    TempDir dir;
    test::writeFile(dir.file("a.zip"), "x");
    MailMessage message = backupMessage(dir.file("a.zip"));
    message.body = {"C\xC3\xB3pia de seguran\xC3\xA7"
                    "a"};
    std::vector<std::string> lines = linesOf(written(message));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Content-Transfer-Encoding: 8bit"), lines.end());
}

TEST(WriteMessage, Base64LinesOf57ByteChunks) {
    std::string content = test::patternBytes(58, 7, 251);
    std::string firstLine;
    appendBase64(reinterpret_cast<const unsigned char*>(content.data()), 57, firstLine);

    EXPECT_EQ(attachmentBody(57), (std::vector<std::string>{firstLine, ""}));
    std::vector<std::string> two = attachmentBody(58);
    ASSERT_EQ(two.size(), 3u);
    EXPECT_EQ(two[0], firstLine);
    EXPECT_EQ(two[0].size(), 76u);
    EXPECT_EQ(two[1].size(), 4u);
    EXPECT_EQ(two[1].substr(2), "==");
    EXPECT_EQ(attachmentBody(0), (std::vector<std::string>{""})) << "header lines, two empty lines, closing";
}

TEST(WriteMessage, StreamsLargeAttachmentAcrossReadBlocks) {
    const std::size_t size = 200003;
    std::vector<std::string> lines = attachmentBody(size);
    ASSERT_EQ(lines.size(), (size + 56) / 57 + 1);
    std::string encoded;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (i + 2 < lines.size()) {
            ASSERT_EQ(lines[i].size(), 76u) << i;
        }
        ASSERT_NE(lines[i].front(), '.');
        encoded += lines[i];
    }
    EXPECT_EQ(decodeBase64(encoded), test::patternBytes(size, 7, 251));
}

TEST(WriteMessage, UnreadableAttachmentStopsInTheMiddle) {
    TempDir dir;
    std::string missing = dir.file("missing.zip");
    StringWriter writer;
    try {
        writeMessage(backupMessage(missing), writer, FixedClock());
        FAIL() << "wrote a missing file";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_TRUE(writer.text().ends_with("filename=\"missing.zip\"\r\n\r\n"));

    try {
        writeMessage(backupMessage(dir.path()), writer, FixedClock());
        FAIL() << "read a folder";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot open file \"" + dir.path() + "\". Not a regular file");
    }
}

TEST(BuildHeaderLines, OrderAndOmittedHeaders) {
    FixedClock clock;
    clock.time.utcOffsetMinutes = 0;
    clock.set(2024, 2, 29, 23, 59, 58);
    MailMessage message;
    message.body = {"x"};
    message.messageId = kMessageId;
    EXPECT_EQ(
        buildHeaderLines(message, clock),
        (std::vector<std::string>{"Content-Type: text/plain", "MIME-Version: 1.0",
                                  "Date: Thu, 29 Feb 2024 23:59:58 +0000", "Message-ID: " + std::string(kMessageId)}))
        << "no sender, subject or recipients: no such headers; unset date: the clock's time";

    message.from = {"Jos\xC3\xA9@example.com", ""};
    message.subject = "Relat\xC3\xB3rio";
    message.recipients = {{"a@example.com", ""}};
    message.ccList = {{"c@example.com", "Carol"}};
    message.bccList = {{"hidden@example.com", ""}};
    EXPECT_EQ(
        buildHeaderLines(message, clock),
        (std::vector<std::string>{"From: =?UTF-8?B?Sm9zw6lAZXhhbXBsZS5jb20=?= <Jos\xC3\xA9@example.com>",
                                  "Subject: =?UTF-8?B?UmVsYXTDs3Jpbw==?=", "To: a@example.com",
                                  "Cc: \"Carol\" <c@example.com>", "Content-Type: text/plain", "MIME-Version: 1.0",
                                  "Date: Thu, 29 Feb 2024 23:59:58 +0000", "Message-ID: " + std::string(kMessageId)}));
}

TEST(MessageId, RandomPartAtTheSendersDomainOrAFixedOne) {
    const std::pair<std::string, std::string> cases[] = {
        {"backup@example.com", "@example.com>"},
        {"backup@mail-1.example.org", "@mail-1.example.org>"},
        {"", "@tervolen.invalid>"},
        {"no-domain", "@tervolen.invalid>"},
        {"x@exa>mple.com", "@tervolen.invalid>"},
        {"x@", "@tervolen.invalid>"},
    };
    for (const auto& [from, end] : cases) {
        const std::string id = makeMessageId(from);
        EXPECT_EQ(id.substr(33), end) << from;
        EXPECT_EQ(id.find_first_not_of("0123456789abcdef", 1), 33u) << id;
        EXPECT_EQ(id[0], '<');
    }
    EXPECT_NE(makeMessageId("a@example.com"), makeMessageId("a@example.com"));
    MailMessage message;
    message.from.address = "backup@example.com";
    const std::vector<std::string> lines = buildHeaderLines(message, FixedClock());
    ASSERT_TRUE(lines.back().starts_with("Message-ID: <")) << "an empty messageId gets a new one";
    EXPECT_TRUE(lines.back().ends_with("@example.com>"));
}

TEST(BuildHeaderLines, RefusesLineBreaksInHeaders) {
    MailMessage message;
    message.recipients = {{"a@example.com>\r\nBcc: <b@example.com", ""}};
    try {
        buildHeaderLines(message, FixedClock());
        FAIL() << "header injection";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "The To header holds a line break.");
    }
}

TEST(BuildHeaderLines, FoldsLongRecipientList) {
    MailMessage message;
    for (int i = 0; i < 9; ++i)
        message.recipients.push_back({"recipient" + std::to_string(i) + "@example.com", ""});
    std::vector<std::string> lines = buildHeaderLines(message, FixedClock());
    EXPECT_EQ(lines[0], "To: recipient0@example.com, recipient1@example.com, recipient2@example.com,");
    EXPECT_EQ(lines[1], " recipient3@example.com, recipient4@example.com, recipient5@example.com,");
    EXPECT_EQ(lines[2], " recipient6@example.com, recipient7@example.com, recipient8@example.com");
    EXPECT_EQ(lines[3], "Content-Type: text/plain");
}

TEST(FoldHeaderLine, BreakRules) {
    std::string quotedName = "\"" + std::string(20, 'N') + " " + std::string(60, 'M') + "\"";
    EXPECT_EQ(foldHeaderLine("To: " + quotedName + " <x@example.com>"),
              (std::vector<std::string>{"To:", " " + quotedName + " <x@example.com>"}))
        << "blanks inside double quotes are no break positions";
    std::string unbreakable = "Subject:" + std::string(90, 's');
    EXPECT_EQ(foldHeaderLine(unbreakable), std::vector<std::string>{unbreakable});
    EXPECT_EQ(foldHeaderLine("X: " + std::string(70, 'a') + "   " + std::string(20, 'b')),
              (std::vector<std::string>{"X: " + std::string(70, 'a'), " " + std::string(20, 'b')}))
        << "trailing blanks of the first piece are removed";
    std::string exact = "X: " + std::string(75, 'a');
    EXPECT_EQ(foldHeaderLine(exact), std::vector<std::string>{exact}) << "78 characters stay";
}

TEST(FoldHeaderLine, LongLinesUnfoldToTheOriginal) {
    std::string line = "To:";
    for (int i = 0; i < 40; ++i)
        line += " =?UTF-8?B?" + std::string(i % 7 + 10, 'Q') + "?=,";
    std::vector<std::string> lines = foldHeaderLine(line);
    std::string unfolded;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 78u);
        if (i > 0) {
            EXPECT_TRUE(lines[i].starts_with(" ") && lines[i][1] != ' ');
        }
        unfolded += lines[i];
    }
    EXPECT_EQ(unfolded, line);
}

TEST(EncodeWords, SplitsLongTextBetweenCharacters) {
    std::string name;
    for (int i = 0; i < 40; ++i)
        name += "\xC3\xA9\xE2\x82\xAC "; // é€ and a blank
    std::string words = encodeWords(name);
    std::istringstream stream(words);
    std::string decoded;
    for (std::string word; stream >> word;) {
        ASSERT_LE(word.size(), 75u);
        ASSERT_TRUE(word.starts_with("=?UTF-8?B?") && word.ends_with("?="));
        std::string piece = decodeBase64(word.substr(10, word.size() - 12));
        EXPECT_NE(static_cast<unsigned char>(piece.front()) & 0xC0, 0x80) << "starts a character";
        decoded += piece;
    }
    EXPECT_EQ(decoded, name);
}

struct DateCase {
    LocalTime time;
    std::string expected;
};

TEST(FormatDateValue, LocalOffsets) {
    const DateCase cases[] = {
        {{2025, 1, 2, 4, 5, 9, 5, -180}, "Thu, 2 Jan 2025 04:05:09 -0300"},
        {{2025, 12, 31, 0, 0, 0, 4, 0}, "Wed, 31 Dec 2025 00:00:00 +0000"},
        {{2024, 6, 15, 23, 59, 59, 7, 330}, "Sat, 15 Jun 2024 23:59:59 +0530"},
        {{2024, 3, 10, 12, 30, 0, 1, -210}, "Sun, 10 Mar 2024 12:30:00 -0330"},
    };
    for (const DateCase& c : cases)
        EXPECT_EQ(formatDateValue(c.time), c.expected);
}

TEST(Base64, Rfc4648Vectors) {
    const std::pair<std::string, std::string> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors) {
        std::string out;
        appendBase64(reinterpret_cast<const unsigned char*>(plain.data()), plain.size(), out);
        EXPECT_EQ(out, encoded);
    }
}

TEST(MimeBoundary, ShapeOverManySeeds) {
    std::set<char> characters;
    std::set<std::size_t> positions;
    for (unsigned seed = 0; seed < 3000; ++seed) {
        std::string boundary = makeMimeBoundary(seed);
        ASSERT_EQ(boundary.size(), 34u);
        std::size_t position = boundary.find("=_");
        ASSERT_NE(position, std::string::npos);
        ASSERT_EQ(boundary.find("=_", position + 1), std::string::npos);
        positions.insert(position + 1);
        for (std::size_t i = 0; i < boundary.size(); ++i) {
            if (i != position && i != position + 1) {
                ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(boundary[i]))) << boundary;
                characters.insert(boundary[i]);
            }
        }
    }
    EXPECT_EQ(characters.size(), 62u) << "every letter and digit is drawn";
    EXPECT_EQ(positions.size(), 33u) << "positions 1 to 33";
    EXPECT_EQ(*positions.begin(), 1u);
    EXPECT_EQ(*positions.rbegin(), 33u);
}

TEST(MimeBoundary, OnePerProcess) {
    EXPECT_EQ(&mimeBoundary(), &mimeBoundary());
    TempDir dir;
    test::writeFile(dir.file("a.zip"), "x");
    MailMessage message = backupMessage(dir.file("a.zip"));
    message.boundary.clear();
    std::string first = written(message);
    EXPECT_NE(first.find("boundary=\"" + mimeBoundary() + "\""), std::string::npos);
    EXPECT_EQ(written(message), first) << "a second message carries the same boundary";
}

} // namespace
} // namespace tervolen
