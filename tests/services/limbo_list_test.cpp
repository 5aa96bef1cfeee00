// The limbo list of a repair request, as Firebird's service sends it: the answers to isc_info_svc_limbo_trans and
// the items inside them, split across answers at every place.
#include "services/limbo_list.h"

#include "services/service_buffers.h"
#include "services/service_errors.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

using namespace std::string_literals;

// A transaction of one database (19, 4 bytes), one over two databases with its description (20, then host site
// 26, sub-transaction 18, state 21, database path 28, advice 29), and an 8-byte number (47).
const std::string kList = "\x13\x06\x00\x00\x00"s
                          "\x14\x07\x01\x00\x00"s
                          "\x1a\x02\x00vm"s
                          "\x12\x07\x01\x00\x00"s
                          "\x15\x16"s
                          "\x1c\x06\x00/a.fdb"s
                          "\x1d\x1e"s
                          "\x2f\x01\x00\x00\x00\x01\x00\x00\x00"s;

TEST(LimboList, ReadsEveryTransactionWhereverTheAnswersSplitTheItems) {
    const std::vector<std::uint64_t> expected{6, 263, 0x100000001};
    for (std::size_t split = 0; split <= kList.size(); ++split) {
        LimboList list;
        std::vector<std::uint64_t> numbers = list.add(kList.substr(0, split));
        for (std::uint64_t number : list.add(kList.substr(split)))
            numbers.push_back(number);
        EXPECT_EQ(numbers, expected) << "split at " << split;
        EXPECT_NO_THROW(list.finish());
    }
}

TEST(LimboList, RefusesAnUnknownItemAndAListEndingInsideAnItem) {
    EXPECT_THROW(LimboList().add("\x13\x06\x00\x00\x00\x3e"s), ClientError);
    for (const std::string& cut : {"\x13\x06\x00"s, "\x1c\x05\x00/a."s, "\x1c\x05"s}) {
        LimboList list;
        EXPECT_TRUE(list.add(cut).empty());
        EXPECT_THROW(list.finish(), ClientError) << cut.size();
    }
}

TEST(LimboList, LineIsWordedAsGfixWordsIt) {
    EXPECT_EQ(limboLine(123), "Transaction 123 is in limbo.");
}

TEST(ParseLimboAnswer, TheFormsOfAnAnswer) {
    struct Case {
        std::string answer;
        bool refused;
        bool ended;
        std::string bytes;
    };
    for (const Case& c : {
             Case{"\x42\x05\x00\x13\x06\x00\x00\x00\x01"s, false, false, "\x13\x06\x00\x00\x00"s},
             Case{"\x42\x00\x00\x01"s, false, true, ""},
             Case{"\x42\x05\x00\x13\x06\x00\x00\x00"s, true, false, ""},
             Case{"\x42\x05\x00\x13\x06\x00\x00\x00\x02"s, true, false, ""},
             Case{"\x3e\x00\x00\x01"s, true, false, ""},
             Case{"\x42\x00"s, true, false, ""},
         }) {
        if (c.refused) {
            EXPECT_THROW(parseLimboAnswer(c.answer), ClientError) << c.answer.size();
            continue;
        }
        const OutputLine answer = parseLimboAnswer(c.answer);
        EXPECT_EQ(answer.ended, c.ended);
        EXPECT_EQ(answer.text, c.bytes);
    }
}

} // namespace
} // namespace tervolen
