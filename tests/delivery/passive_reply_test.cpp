#include "delivery/passive_reply.h"

#include "core/errors.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(PassiveReplyTest, EpsvAnswersGiveTheirPortOrAreRefused) {
    const struct {
        const char* text;
        int port; // 0: refused
    } cases[] = {
        {"Entering Extended Passive Mode (|||6446|)\r\n", 6446},
        {"Entering extended passive mode (!!!65535!)", 65535},
        {"(|||1|)", 1},
        {"Entering Extended Passive Mode (|||0|)", 0},
        {"Entering Extended Passive Mode (|||65536|)", 0},
        {"Entering Extended Passive Mode (|||123456|)", 0},
        {"Entering Extended Passive Mode (||6446|)", 0},
        {"Entering Extended Passive Mode (|1|1|6446|)", 0},
        {"Entering Extended Passive Mode (|||6446!)", 0},
        {"Entering Extended Passive Mode (|||6446|", 0},
        {"Entering Extended Passive Mode (111222)", 0},
        {"Entering Extended Passive Mode (|||-5|)", 0},
        {"Entering Extended Passive Mode", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        if (c.port != 0) {
            EXPECT_EQ(parseEpsvPort(c.text), c.port) << c.text;
            continue;
        }
        try {
            parseEpsvPort(c.text);
            ADD_FAILURE() << "took " << c.text;
        } catch (const Error& error) {
            EXPECT_EQ(error.text(), std::string("The EPSV answer names no port: ") + c.text);
        }
    }
}

TEST(PassiveReplyTest, PasvAnswersGiveThePortOfTheirFirstSixNumbersOrAreRefused) {
    const struct {
        const char* text;
        int port; // 0: refused
    } cases[] = {
        {"Entering Passive Mode (127,0,0,1,25,46).\r\n", 25 * 256 + 46},
        {"Entering Passive Mode 10,9,8,7,255,255", 65535},
        {"=192,168,1,2,0,21", 21},
        {"Entering Passive Mode (1,2,3,4,5,6) (7,8,9,10,11,12)", 5 * 256 + 6},
        {"Entering Passive Mode (1,2,3,4,5) then 9,9,9,9,1,2", 258},
        {"Entering Passive Mode (127,0,0,1,0,0)", 0},
        {"Entering Passive Mode (127,0,0,1,256,1)", 0},
        {"Entering Passive Mode (1270,0,0,1,1,1)", 0},
        {"Entering Passive Mode (127,0,0,1,1)", 0},
        {"Entering Passive Mode (127,0,0,1,,1)", 0},
        {"Entering Passive Mode", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        if (c.port != 0) {
            EXPECT_EQ(parsePasvPort(c.text), c.port) << c.text;
            continue;
        }
        try {
            parsePasvPort(c.text);
            ADD_FAILURE() << "took " << c.text;
        } catch (const Error& error) {
            EXPECT_EQ(error.text(), std::string("The PASV answer names no port: ") + c.text);
        }
    }
}

} // namespace
} // namespace tervolen
