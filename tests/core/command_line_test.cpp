// The alert command's line split as a shell splits it, without any expansion.
#include "core/command_line.h"

#include "core/errors.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

struct SplitCase {
    const char* text;
    std::vector<std::string> words;
};

TEST(CommandLine, EachLineGivesTheWordsAShellWould) {
    const SplitCase cases[] = {
        {"", {}},
        {" \t\n", {}},
        {"notify-send Tervolen", {"notify-send", "Tervolen"}},
        {"  a   b\tc\nd ", {"a", "b", "c", "d"}},
        {"'a b' \"c d\"", {"a b", "c d"}},
        {"''", {""}},
        {"\"\" x", {"", "x"}},
        {"a''b", {"ab"}},
        {"'it'\\''s'", {"it's"}},
        {"'\\n \"' x", {"\\n \"", "x"}},
        {"\"a\\\"b\\\\c\\$d\\`e\\xf\"", {"a\"b\\c$d`e\\xf"}},
        {"a\\ b \\'c\\\" \\\\", {"a b", "'c\"", "\\"}},
        {"a\\\nb", {"ab"}},
        {"\"a\\\nb\"", {"ab"}},
        {"$HOME ~/x *.fbk $(id) `id` ; | &", {"$HOME", "~/x", "*.fbk", "$(id)", "`id`", ";", "|", "&"}},
        {"curl -fsS -m 10 \"https://hc.example/ping/$ID\"", {"curl", "-fsS", "-m", "10", "https://hc.example/ping/$ID"}},
        {"пример 'ü x'", {"пример", "ü x"}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(splitCommandLine(c.text), c.words) << c.text;
}

TEST(CommandLine, AnOpenQuoteOrATrailingBackslashIsAnError) {
    for (const char* text : {"'a", "a \"b", "\"a\\\"", "a\\"})
        EXPECT_THROW(splitCommandLine(text), Error) << text;
}

TEST(CommandLine, AQuotedWordSplitsBackToItself) {
    for (const char* word : {"", "a b", "it's", "\"$x\"\\", "\n\t"})
        EXPECT_EQ(splitCommandLine(quoteCommandWord(word)), std::vector<std::string>{word}) << word;
}

} // namespace
} // namespace tervolen
