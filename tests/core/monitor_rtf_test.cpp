#include "core/monitor_log.h"
#include "core/rtf_writer.h"

#include "core/errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tervolen {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

struct ReadParagraph {
    std::string text; // UTF-8
    Color color = 0;
    int size = 0; // points
    bool operator==(const ReadParagraph&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ReadParagraph& p) {
    return out << '"' << p.text << "\" colour " << std::hex << p.color << std::dec << " size " << p.size;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A small RTF reader written from the RTF format alone: groups, control words and symbols, the colour
// table, \cf, \fs, \par, \tab, \uN with one fallback character to skip. It returns the paragraphs with
// the colour and size in force for their text, and fails the test on anything it does not know.
class RtfReader {
public:
    explicit RtfReader(std::string rtf) : rtf_(std::move(rtf)) {}

    std::vector<ReadParagraph> paragraphs() {
        EXPECT_EQ(rtf_.rfind("{\\rtf1", 0), 0u);
        std::vector<State> stack;
        State state;
        while (pos_ < rtf_.size()) {
            char c = rtf_[pos_++];
            if (c == '{') {
                stack.push_back(state);
            } else if (c == '}') {
                if (state.destination == Destination::ColorTable) {
                    EXPECT_EQ(colors_.size() + 1, colorEntries_) << "colour table entries end with ';'";
                }
                if (stack.empty())
                    break;
                state = stack.back();
                stack.pop_back();
                if (stack.empty())
                    break; // the document's own group ends
            } else if (c == '\\') {
                controlWord(state);
            } else if (c == '\r' || c == '\n') {
                continue;
            } else {
                text(state, static_cast<unsigned char>(c));
            }
        }
        EXPECT_TRUE(stack.empty()) << "unbalanced braces";
        EXPECT_EQ(pos_, rtf_.size() - 1) << "only a line break may follow the document";
        EXPECT_TRUE(current_.text.empty()) << "text after the last \\par";
        return done_;
    }

    std::string fontName() const { return fontName_; }

private:
    enum class Destination { Text, FontTable, ColorTable };
    struct State {
        Destination destination = Destination::Text;
        size_t color = 0;
        int halfPoints = 24;
    };

    void controlWord(State& state) {
        if (!std::isalpha(static_cast<unsigned char>(rtf_[pos_]))) {
            char symbol = rtf_[pos_++];
            ASSERT_TRUE(symbol == '\\' || symbol == '{' || symbol == '}') << "control symbol " << symbol;
            text(state, static_cast<unsigned char>(symbol));
            return;
        }
        std::string word;
        while (std::isalpha(static_cast<unsigned char>(rtf_[pos_])))
            word += rtf_[pos_++];
        std::string number;
        if (rtf_[pos_] == '-')
            number += rtf_[pos_++];
        while (std::isdigit(static_cast<unsigned char>(rtf_[pos_])))
            number += rtf_[pos_++];
        bool hasNumber = !number.empty();
        long value = hasNumber ? std::stol(number) : 0;
        if (rtf_[pos_] == ' ')
            ++pos_;

        if (word == "fonttbl") {
            state.destination = Destination::FontTable;
        } else if (word == "colortbl") {
            state.destination = Destination::ColorTable;
        } else if (word == "red" || word == "green" || word == "blue") {
            ASSERT_EQ(state.destination, Destination::ColorTable);
            int shift = word == "red" ? 0 : word == "green" ? 8 : 16;
            pendingColor_ |= static_cast<Color>(value) << shift;
        } else if (word == "cf") {
            ASSERT_GE(value, 1);
            ASSERT_LE(static_cast<size_t>(value), colors_.size());
            state.color = static_cast<size_t>(value);
        } else if (word == "fs") {
            state.halfPoints = static_cast<int>(value);
        } else if (word == "par") {
            if (current_.size == 0)
                paragraphStyle(state);
            done_.push_back(current_);
            current_ = {};
        } else if (word == "tab") {
            text(state, '\t');
        } else if (word == "u") {
            ASSERT_TRUE(hasNumber);
            codeUnit(state, static_cast<char16_t>(value < 0 ? value + 65536 : value));
            ASSERT_LT(pos_, rtf_.size());
            ++pos_; // the fallback character (\uc1)
        } else {
            static const std::vector<std::string> known = {"rtf",    "ansi", "ansicpg",  "deff",     "uc",  "f",
                                                           "fswiss", "fprq", "fcharset", "viewkind", "pard"};
            ASSERT_NE(std::find(known.begin(), known.end(), word), known.end()) << "control word " << word;
        }
    }

    void codeUnit(State& state, char16_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            highSurrogate_ = unit;
            return;
        }
        char32_t c = unit;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            ASSERT_NE(highSurrogate_, 0);
            c = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
        }
        std::string utf8;
        appendUtf8(utf8, c);
        for (char byte : utf8)
            append(state, byte);
    }

    void text(State& state, unsigned char c) {
        if (state.destination == Destination::FontTable) {
            if (c == ';')
                return;
            fontName_ += static_cast<char>(c);
        } else if (state.destination == Destination::ColorTable) {
            ASSERT_EQ(c, ';') << "colour table holds only numbers and ';'";
            if (colorEntries_++ > 0)
                colors_.push_back(pendingColor_);
            pendingColor_ = 0;
        } else {
            ASSERT_LT(c, 0x80) << "non-ASCII bytes are written as \\u";
            append(state, static_cast<char>(c));
        }
    }

    void append(const State& state, char byte) {
        if (current_.size == 0)
            paragraphStyle(state);
        else
            EXPECT_TRUE(current_.color == colors_[state.color - 1] && current_.size * 2 == state.halfPoints)
                << "one paragraph, one colour and size";
        current_.text += byte;
    }

    void paragraphStyle(const State& state) {
        ASSERT_GT(state.color, 0u) << "text before any \\cf";
        current_.color = colors_[state.color - 1];
        current_.size = state.halfPoints / 2;
    }

    std::string rtf_;
    size_t pos_ = 0;
    std::vector<Color> colors_;
    size_t colorEntries_ = 0;
    Color pendingColor_ = 0;
    char16_t highSurrogate_ = 0;
    std::string fontName_;
    ReadParagraph current_;
    std::vector<ReadParagraph> done_;
};

std::vector<ReadParagraph> paragraphsOf(const MonitorLog& log) {
    std::vector<ReadParagraph> paragraphs;
    for (size_t i = 0; i < log.size(); ++i)
        paragraphs.push_back({log.paragraph(i).text, log.paragraph(i).color, log.paragraph(i).size});
    return paragraphs;
}

void fillSmallLog(MonitorLog& log) {
    log.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    log.addMonitorLine("Path C:\\Data\\{base}.fdb", kGreen, kMonitorLineSize);
    log.appendOutputLine("Não exitem");
    log.addMonitorLine("Error Code 0001 Internal System \rtext", kRed, kMonitorLineSize);
    log.addMonitorLine("small", kFuchsia, 8);
}

const char* const kSmallLogRtf =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fprq1\\fcharset0 "
    "Verdana;}}\n"
    "{\\colortbl ;\\red255\\green0\\blue255;\\red0\\green128\\blue0;\\red255\\green0\\blue0;}\n"
    "\\viewkind4\\pard\\f0\n"
    "\\cf1\\fs20 =========== Started Backup ===========\\par\n"
    "\\cf2 Path C:\\\\Data\\\\\\{base\\}.fdb\\par\n"
    "N\\u227?o exitem\\par\n"
    "\\cf3 Error Code 0001 Internal System \\par\n"
    "text\\par\n"
    "\\cf1\\fs16 small\\par\n"
    "}\n";

TEST(MonitorRtfTest, SavedSmallLogIsExactlyThisDocument) {
    TempDir dir;
    MonitorLog log;
    fillSmallLog(log);

    log.saveMonitor(dir.file("small.rtf"));

    EXPECT_EQ(readFile(dir.file("small.rtf")), kSmallLogRtf);
}

TEST(MonitorRtfTest, EmptyLogIsAnEmptyDocument) {
    std::ostringstream out;
    RtfWriter writer(out, "Verdana", {});
    writer.finish();
    EXPECT_EQ(out.str(), "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fprq1\\fcharset0 Verdana;}}\n"
                         "{\\colortbl ;}\n\\viewkind4\\pard\\f0\n}\n");
}

TEST(MonitorRtfTest, TextIsEscaped) {
    struct Case {
        std::string text;
        std::string rtf;
    };
    const std::vector<Case> cases = {
        {"plain text", "plain text"},
        {"\\{}", "\\\\\\{\\}"},
        {"a\tb", "a\\tab b"},
        {"ç€", "\\u231?\\u8364?"},
        {"😀", "\\u-10179?\\u-8704?"}, // U+1F600 as a surrogate pair
        {"\x7F", "\\u127?"},
        {"a\xC3", "a\\u-3?"},                             // cut sequence
        {"\xFF\xFE", "\\u-3?\\u-3?"},                     // bytes that never start a sequence
        {"\xE2\x82z", "\\u-3?z"},                         // cut in the middle: one replacement, the next character kept
        {"\xC0\xAF", "\\u-3?\\u-3?"},                     // overlong form
        {"\xED\xA0\x80", "\\u-3?\\u-3?\\u-3?"},           // encoded surrogate
        {"\xF4\x90\x80\x80", "\\u-3?\\u-3?\\u-3?\\u-3?"}, // beyond U+10FFFF
    };
    const std::string head =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fprq1\\fcharset0 Verdana;}}\n"
        "{\\colortbl ;\\red0\\green0\\blue0;}\n\\viewkind4\\pard\\f0\n\\cf1\\fs20 ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::ostringstream out;
        RtfWriter writer(out, "Verdana", {kWindowText});
        writer.paragraph(c.text, kWindowText, 10);
        writer.finish();
        EXPECT_EQ(out.str(), head + c.rtf + "\\par\n}\n");
    }
}

TEST(MonitorRtfTest, ReaderGetsBackTextColoursAndSizes) {
    TempDir dir;
    MonitorLog log;
    fillSmallLog(log);
    log.addMonitorLine("tab\there, braces {x}, backslash \\, ß, 😀, ending blank ", kNavy, 12);
    log.appendOutputLine("");
    log.addMonitorLine("9 starts with a digit", kGreen, 10);
    log.addMonitorLine(" starts with a blank", 0x123456, 10);
    log.appendOutputLine("-1 \\u65 not a control word");

    log.saveMonitor(dir.file("log.rtf"));

    RtfReader reader(readFile(dir.file("log.rtf")));
    EXPECT_EQ(reader.paragraphs(), paragraphsOf(log));
    EXPECT_EQ(reader.fontName(), "Verdana");
}

TEST(MonitorRtfTest, ArbitraryBytesGiveAWellFormedAsciiDocument) {
    std::mt19937 random(2006);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 40);
    std::ostringstream out;
    RtfWriter writer(out, "Verdana", {kRed});
    const int kParagraphs = 3000;
    for (int i = 0; i < kParagraphs; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += static_cast<char>(byte(random));
        std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
        writer.paragraph(text, kRed, 10);
    }
    writer.finish();

    std::string rtf = out.str();
    EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_EQ(RtfReader(rtf).paragraphs().size(), static_cast<size_t>(kParagraphs));
}

TEST(MonitorRtfTest, ReaderGetsBackALongJobLog) {
    TempDir dir;
    MonitorLog log;
    const Color colors[] = {kFuchsia, kGreen, kNavy, kRed};
    for (int i = 0; i < 5000; ++i) {
        if (i % 97 == 0)
            log.addMonitorLine("banner " + std::to_string(i), colors[i % 4], i % 2 == 0 ? 10 : 8);
        else
            log.appendOutputLine("gbak:    " + std::to_string(i * 20) + " records written");
    }

    log.saveMonitor(dir.file("long.log"));

    RtfReader reader(readFile(dir.file("long.log")));
    EXPECT_EQ(reader.paragraphs(), paragraphsOf(log));
}

// A reader not written here: unrtf, once as plain text and once as HTML for the colours. Its text output shows
// only ASCII and joins runs of blanks, so the log holds neither.
TEST(MonitorRtfTest, UnrtfReadsBackTheTextAndColoursOfASavedLog) {
    TempDir dir;
    MonitorLog log;
    log.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    log.addMonitorLine("Path C:\\Data\\{base}.fdb", kGreen, kMonitorLineSize);
    log.appendOutputLine("gbak: 20 records written, ending blank ");
    log.addMonitorLine("Error Code 0001 Internal System ", kRed, kMonitorLineSize);
    log.addMonitorLine("small and navy", kNavy, 8);
    log.saveMonitor(dir.file("log.rtf"));

    std::string text;
    ASSERT_EQ(test::runCommand("unrtf --nopict --text '" + dir.file("log.rtf") + "' 2>/dev/null", &text), 0) << text;
    const std::string rule = "-----------------\n";
    const size_t body = text.find(rule);
    ASSERT_NE(body, std::string::npos) << text;
    EXPECT_EQ(text.substr(body + rule.size()), "=========== Started Backup ===========\n"
                                               "Path C:\\Data\\{base}.fdb\n"
                                               "gbak: 20 records written, ending blank \n"
                                               "Error Code 0001 Internal System \n"
                                               "small and navy\n");

    std::string html;
    ASSERT_EQ(test::runCommand("unrtf --nopict --html '" + dir.file("log.rtf") + "' 2>/dev/null", &html), 0) << html;
    std::vector<std::string> colours;
    for (size_t at = html.find("color=\"#"); at != std::string::npos; at = html.find("color=\"#", at + 1)) {
        const std::string colour = html.substr(at + 7, 7);
        if (colours.empty() || colours.back() != colour)
            colours.push_back(colour);
    }
    EXPECT_EQ(colours, (std::vector<std::string>{"#ff00ff", "#008000", "#ff0000", "#000080"})) << html;
}

TEST(MonitorRtfTest, SavingReplacesAnExistingFileAndLeavesNothingElse) {
    TempDir dir;
    writeFile(dir.file("200612093015.fbkBackupLog.log"), std::string(100000, 'x'));
    // Left by a save that was killed.
    writeFile(dir.file(".200612093015.fbkBackupLog.log.tervolen-Ab3xY9"), std::string(5000, 'y'));
    MonitorLog log;
    fillSmallLog(log);

    log.saveMonitor(dir.file("200612093015.fbkBackupLog.log"));

    EXPECT_EQ(readFile(dir.file("200612093015.fbkBackupLog.log")), kSmallLogRtf);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST(MonitorRtfTest, FileThatCannotBeCreatedRaisesTheFileCreationError) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("taken"));
    MonitorLog log;
    log.addMonitorLine("line", kGreen, 10);
    struct Case {
        std::string path;
        std::string text;
    };
    const std::vector<Case> cases = {
        {dir.file("missing/log.rtf"),
         "Cannot create file \"" + dir.file("missing/log.rtf") + "\". No such file or directory"},
        {dir.file("taken"), "Cannot create file \"" + dir.file("taken") + "\". Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            log.saveMonitor(c.path);
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.text(), c.text);
        }
    }
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

} // namespace
} // namespace tervolen
