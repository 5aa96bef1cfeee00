#include "delivery/address_list.h"

#include "core/errors.h"

#include <gtest/gtest.h>

#include <random>

namespace tervolen {
namespace {

struct ParseCase {
    std::string text;
    EmailAddressList expected;
};

class ParseAddressListTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseAddressListTest, GivesTheMailboxes) {
    EXPECT_EQ(parseAddressList(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseAddressListTest,
    testing::Values(ParseCase{"", {}}, ParseCase{"  \t ", {}}, ParseCase{",", {}},
                    ParseCase{"a@example.com", {{"a@example.com", ""}}},
                    // The e-mail step joins To and CC with ",": an empty CC leaves a trailing ",".
                    ParseCase{"a@example.com,", {{"a@example.com", ""}}},
                    ParseCase{",c@example.com", {{"c@example.com", ""}}},
                    ParseCase{"a@example.com; b@example.com,c@example.com",
                              {{"a@example.com", ""}, {"b@example.com", ""}, {"c@example.com", ""}}},
                    ParseCase{"  a@example.com  ,  b@example.com  ", {{"a@example.com", ""}, {"b@example.com", ""}}},
                    ParseCase{"John Smith <js@example.com>", {{"js@example.com", "John Smith"}}},
                    ParseCase{"<js@example.com>", {{"js@example.com", ""}}},
                    ParseCase{"\"Smith, John; Jr.\" <js@example.com>, b@example.com",
                              {{"js@example.com", "Smith, John; Jr."}, {"b@example.com", ""}}},
                    ParseCase{R"("Say \"hi\" \\ there" <q@example.com>)", {{"q@example.com", R"(Say "hi" \ there)"}}},
                    ParseCase{"js@example.com (John, the (nested) admin; ok)", {{"js@example.com", ""}}},
                    ParseCase{"(first) js@example.com", {{"js@example.com", ""}}},
                    ParseCase{"John <js@example.com> (comment)", {{"js@example.com", "John"}}},
                    ParseCase{"Friends: a@example.com, b@example.com;, c@example.com",
                              {{"a@example.com", ""}, {"b@example.com", ""}, {"c@example.com", ""}}},
                    ParseCase{"<>, a@example.com, <>", {{"a@example.com", ""}}},
                    ParseCase{"(only a comment), a@example.com", {{"a@example.com", ""}}},
                    // A quoted local part in angle brackets is kept whole, as the entries were split.
                    ParseCase{"Jo <\"a,b(c)>\"@example.com>, d@example.com",
                              {{"\"a,b(c)>\"@example.com", "Jo"}, {"d@example.com", ""}}},
                    ParseCase{"\"Jo\\", {{"\"Jo\\\\\"", ""}}}));

TEST(ParseAddressList, AtSignAfterAngleAddressIsAnError) {
    for (const char* text : {"<a@example.com>@example.org", "Name <a@example.com> b@example.com"}) {
        try {
            parseAddressList(text);
            FAIL() << text;
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), "@ Outside address");
        }
    }
}

TEST(FormatAddressList, QuotesPrintableNamesAndJoinsItems) {
    EXPECT_EQ(formatAddressList({}), "");
    EXPECT_EQ(formatAddressList({{"a@example.com", ""}}), "a@example.com");
    EXPECT_EQ(formatAddressList({{"a@example.com", "John Smith"}, {"b@example.com", ""}}),
              "\"John Smith\" <a@example.com>, b@example.com");
    EXPECT_EQ(formatAddressList({{"q@example.com", R"(Say "hi" \ there)"}}),
              R"("Say \"hi\" \\ there" <q@example.com>)");
}

TEST(FormatAddressList, AddressAsNameFillsOnlyMissingNames) {
    EXPECT_EQ(formatAddressList({{"backup@example.com", ""}}, true), "\"backup@example.com\" <backup@example.com>");
    EXPECT_EQ(formatAddressList({{"backup@example.com", "Backups"}}, true), "\"Backups\" <backup@example.com>");
    EXPECT_EQ(formatAddressList({{"", ""}}, true), "");
}

TEST(FormatAddressList, NonAsciiAndControlNamesBecomeEncodedWords) {
    EXPECT_EQ(formatAddressList({{"jose@example.com", "Jos\xC3\xA9"}}), "=?UTF-8?B?Sm9zw6k=?= <jose@example.com>");
    EXPECT_EQ(formatAddressList({{"x@example.com", "Evil\r\nBcc: y@example.com"}}),
              "=?UTF-8?B?RXZpbA0KQmNjOiB5QGV4YW1wbGUuY29t?= <x@example.com>");
}

// The To header made of a parsed list reads back as the same list.
TEST(FormatAddressList, ParsedListsReadBack) {
    for (const char* text : {"<a<b@example.com>, c@example.com", "<x\"y>\"@example.com>, z@example.com",
                             "\"unclosed \\", "<\"a(b\"@example.com>", "Name <\"q\\\"t\"@example.com>"}) {
        const EmailAddressList list = parseAddressList(text);
        EXPECT_EQ(parseAddressList(formatAddressList(list)), list) << text;
    }
    EXPECT_EQ(formatAddressList({{"a<b@example.com", ""}, {"\"<\"@example.com", ""}}),
              "<a<b@example.com>, \"<\"@example.com");
}

// Whatever the text, parsing gives mailboxes with addresses or the one parse error.
TEST(ParseAddressList, RandomTextIsSafe) {
    std::mt19937 random(7);
    const std::string pieces[] = {"\"", "(", ")", "\\", "<",   ">",        "@", ",",
                                  ";",  ":", " ", "a",  "b.c", "\xC3\xA9", "\t"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 30); i > 0; --i)
            text += pieces[random() % std::size(pieces)];
        try {
            for (const EmailAddress& mailbox : parseAddressList(text))
                ASSERT_FALSE(mailbox.address.empty()) << text;
        } catch (const Error& e) {
            ASSERT_EQ(e.text(), "@ Outside address") << text;
        }
    }
}

} // namespace
} // namespace tervolen
