#include "services/service_buffers.h"

#include "services/service_errors.h"

#include <gtest/gtest.h>

#include <random>

namespace tervolen {
namespace {

std::string bytes(std::initializer_list<int> bytes) {
    std::string result;
    for (int b : bytes)
        result.push_back(static_cast<char>(b));
    return result;
}

std::string clientErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const ClientError& error) {
        return error.text();
    }
    return "no error";
}

TEST(AttachParams, EmptyListGivesTheVersionBytesAlone) {
    EXPECT_EQ(buildAttachParams({}), bytes({2, 2}));
}

TEST(AttachParams, UserPasswordAndRoleInListOrder) {
    EXPECT_EQ(buildAttachParams({"password=pw", "user_name=SYSDBA", "sql_role_name=R"}),
              bytes({2, 2, 29, 2}) + "pw" + bytes({28, 6}) + "SYSDBA" + bytes({60, 1}) + "R");
}

TEST(AttachParams, NamesAreLoweredAndLosePrefixValuesKeepEverythingAfterFirstEquals) {
    EXPECT_EQ(buildAttachParams({"ISC_SPB_USER_NAME=a=b", "Password= x"}),
              bytes({2, 2, 28, 3}) + "a=b" + bytes({29, 2}) + " x");
}

TEST(AttachParams, LinesWithoutNameAreSkipped) {
    EXPECT_EQ(buildAttachParams({"  =value", "no equals sign", "", "user_name="}), bytes({2, 2, 28, 0}));
}

TEST(AttachParams, UnsupportedAndUnknownNames) {
    for (const char* name : {"sys_user_name", "sys_user_name_enc", "password_enc", "command_line", "db_name", "verbose",
                             "options", "connect_timeout", "isc_spb_dummy_packet_interval"})
        EXPECT_EQ(clientErrorText([&] { buildAttachParams({std::string(name) + "=1"}); }), "SPB Constant Not supported")
            << name;
    EXPECT_EQ(clientErrorText([] { buildAttachParams({"user=SYSDBA"}); }), "SPB Constant Unknown");
    EXPECT_EQ(clientErrorText([] { buildAttachParams({" user_name=SYSDBA"}); }), "SPB Constant Unknown");
}

TEST(AttachParams, ValuesUpTo255BytesOnly) {
    std::string longest(255, 'p');
    EXPECT_EQ(buildAttachParams({"password=" + longest}), bytes({2, 2, 29, 255}) + longest);
    EXPECT_EQ(clientErrorText([] { buildAttachParams({"password=" + std::string(256, 'p')}); }),
              "The value of the attach parameter password is longer than 255 bytes");
}

TEST(AttachParams, WholeBufferUpTo65535Bytes) {
    std::vector<std::string> params(300, "user_name=" + std::string(255, 'u'));
    EXPECT_EQ(clientErrorText([&] { buildAttachParams(params); }), "The attach parameters are longer than 65535 bytes");
}

TEST(ServiceManagerNames, ByProtocol) {
    EXPECT_EQ(serviceManagerName(Protocol::TCP, "db.example"), "db.example:service_mgr");
    EXPECT_EQ(serviceManagerName(Protocol::SPX, "db.example"), "db.example@service_mgr");
    EXPECT_EQ(serviceManagerName(Protocol::NamedPipe, "db.example"), "\\\\db.example\\service_mgr");
    EXPECT_EQ(serviceManagerName(Protocol::Local, "db.example"), "service_mgr");
    EXPECT_EQ(serviceManagerName(Protocol::Local, ""), "service_mgr");
}

TEST(ServiceRequestItems, TextNumberAndFlagForms) {
    ServiceRequest request;
    request.addByte(1);
    request.addText(106, std::string(300, 'd'));
    request.addText(5, "");
    request.addNumber(108, 0x01020304);
    request.addFlag(107);
    EXPECT_EQ(request.bytes(), bytes({1, 106, 0x2C, 0x01}) + std::string(300, 'd') + bytes({108, 4, 3, 2, 1, 107}));
}

TEST(OutputLine, ReadsTheLineUpToItsFirstZeroByte) {
    std::string answer = bytes({62, 5, 0}) + "ab" + bytes({0}) + "cd" + bytes({1}) + std::string(20, 'x');
    OutputLine line = parseOutputLine(answer);
    EXPECT_FALSE(line.ended);
    EXPECT_EQ(line.text, "ab");

    answer = bytes({62, 11, 0}) + "gbak: done." + bytes({1, 0});
    EXPECT_EQ(parseOutputLine(answer).text, "gbak: done.");
}

TEST(OutputLine, LengthZeroEndsTheOutput) {
    std::string answer = bytes({62, 0, 0, 1}) + std::string(28, '\0');
    OutputLine line = parseOutputLine(answer);
    EXPECT_TRUE(line.ended);
    EXPECT_EQ(line.text, "");
}

TEST(OutputLine, LengthIsReadThroughTheGivenDecoder) {
    std::string answer = bytes({62, 0x34, 0x12, 'a', 'b', 1, 0});
    bool asked = false;
    OutputLine line = parseOutputLine(answer, [&](const char* bytes, short length) {
        asked = true;
        EXPECT_EQ(bytes, answer.data() + 1);
        EXPECT_EQ(length, 2);
        return 2;
    });
    EXPECT_TRUE(asked);
    EXPECT_EQ(line.text, "ab");
}

TEST(OutputLine, MalformedAnswersAreRefused) {
    const std::string filler(8, 'z');
    struct Case {
        const char* what;
        std::string answer;
    };
    const Case cases[] = {
        {"empty", ""},
        {"tag only", bytes({62})},
        {"no room for the end byte", bytes({62, 0, 0})},
        {"wrong first byte", bytes({63, 2, 0, 'a', 'b', 1}) + filler},
        {"running answer", bytes({67, 1, 0, 0, 0, 1}) + filler},
        {"length past the buffer", bytes({62, 0xFF, 0xFF, 'a', 'b', 1})},
        {"end byte would be the first byte past the buffer", bytes({62, 2, 0, 'a', 'b'})},
        {"end byte missing", bytes({62, 2, 0, 'a', 'b', 2}) + filler},
        {"end byte missing after empty line", bytes({62, 0, 0, 0}) + filler},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clientErrorText([&] { parseOutputLine(c.answer); }), "Unexpected Output buffer value") << c.what;
}

TEST(RunningAnswer, OneMeansRunning) {
    EXPECT_TRUE(parseRunning(bytes({67, 1, 0, 0, 0, 1})));
    EXPECT_FALSE(parseRunning(bytes({67, 0, 0, 0, 0, 1})));
    EXPECT_FALSE(parseRunning(bytes({67, 1, 0, 0, 1})));
    EXPECT_FALSE(parseRunning(bytes({67, 2, 0, 0, 0})));
}

TEST(RunningAnswer, MalformedAnswersAreRefused) {
    for (const std::string& answer : {std::string(), bytes({67, 1, 0, 0}), bytes({62, 1, 0, 0, 0, 1})})
        EXPECT_EQ(clientErrorText([&] { parseRunning(answer); }), "Unexpected Output buffer value");
}

TEST(ServerVersionAnswer, TheTextEndsAtItsLengthOrItsFirstZeroByte) {
    EXPECT_EQ(parseServerVersion(bytes({55, 4, 0, 'L', 'I', '-', 'V', 1})), "LI-V");
    EXPECT_EQ(parseServerVersion(bytes({55, 3, 0, 'L', 0, 'x', 1, 0, 0})), "L");
    for (const std::string& answer : {std::string(), bytes({55, 2, 0, 'a', 'b'}), bytes({62, 1, 0, 'a', 1}),
                                      bytes({55, 1, 0, 'a', 2, 0})})
        EXPECT_EQ(clientErrorText([&] { parseServerVersion(answer); }), "Unexpected Output buffer value");
}

// Random answers of every small size: the parsers either answer or refuse, and never read outside the
// answer (the sanitizer build checks that; each answer lives in a buffer of exactly its size).
TEST(AnswerParsers, RandomAnswersNeverReadOutside) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        size_t size = random() % 40;
        auto answer = std::make_unique<char[]>(size);
        for (size_t i = 0; i < size; ++i)
            answer[i] = static_cast<char>(random() % 4 == 0 ? random() % 4 : random());
        if (size > 0 && random() % 2 == 0)
            answer[0] = static_cast<char>(random() % 2 == 0 ? 62 : 67);
        std::span<const char> bytes(answer.get(), size);
        try {
            OutputLine line = parseOutputLine(bytes);
            EXPECT_LE(line.text.size() + 4, size);
        } catch (const ClientError& error) {
            EXPECT_EQ(error.text(), "Unexpected Output buffer value");
        }
        try {
            parseRunning(bytes);
        } catch (const ClientError& error) {
            EXPECT_EQ(error.text(), "Unexpected Output buffer value");
        }
        // The same bytes as a version answer.
        if (size > 0)
            answer[0] = static_cast<char>(55);
        try {
            EXPECT_LE(parseServerVersion(bytes).size() + 4, size);
        } catch (const ClientError& error) {
            EXPECT_EQ(error.text(), "Unexpected Output buffer value");
        }
    }
}

TEST(VaxInteger, LittleEndianWithoutSignExtensionForShortValues) {
    EXPECT_EQ(decodeVaxInteger(bytes({0xFF, 0xFF}).data(), 2), 65535);
    EXPECT_EQ(decodeVaxInteger(bytes({1, 0, 0, 0}).data(), 4), 1);
    EXPECT_EQ(decodeVaxInteger(bytes({0xFF, 0xFF, 0xFF, 0xFF}).data(), 4), -1);
}

} // namespace
} // namespace tervolen
