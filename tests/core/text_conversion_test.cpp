#include "core/errors.h"
#include "core/paths.h"
#include "core/text_conversion.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(StrToInt, AcceptsSignedDecimalsOnly) {
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"587", 587},   {"-3", -3},       {"+12", 12},      {"0", 0},       {"2147483647", 2147483647},
        {"", {}},       {"587 ", {}},     {" 587", {}},     {"abc", {}},    {"12a", {}},
        {"+-1", {}},    {"2147483648", {}}, {"0x10", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tryStrToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(StrToInt, ErrorTextNamesTheInput) {
    try {
        strToInt("587 ");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'587 ' is not a valid integer value");
    }
}

TEST(ChangeFileExt, ReplacesOrAppends) {
    struct Case {
        const char* path;
        const char* ext;
        const char* expected;
    };
    const Case cases[] = {
        {"/b/200612093015.fbk", ".zip", "/b/200612093015.zip"},
        {"/b/200612093015fbk", ".zip", "/b/200612093015fbk.zip"},
        {"/b.d/200612093015", ".bz2", "/b.d/200612093015.bz2"},
        {"C:\\b.d\\x", ".zip", "C:\\b.d\\x.zip"},
        {"a.tar.gz", ".zip", "a.tar.zip"},
        {"name.", ".ini", "name.ini"},
        {"", ".zip", ".zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(changeFileExt(c.path, c.ext), c.expected) << c.path;
}

TEST(DefaultErrorReport, AddsFinalFullStopOnce) {
    EXPECT_EQ(defaultErrorReportText("Set Protocol"), "Set Protocol.");
    EXPECT_EQ(defaultErrorReportText("Done."), "Done.");
    EXPECT_EQ(defaultErrorReportText(""), ".");
}

} // namespace
} // namespace tervolen
