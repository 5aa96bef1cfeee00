#include "core/command_line.h"

#include "core/errors.h"

namespace tervolen {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

class Splitter {
public:
    explicit Splitter(std::string_view text) : text_(text) {}

    std::vector<std::string> split() {
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (isBlank(c))
                endWord();
            else if (c == '\'')
                singleQuoted();
            else if (c == '"')
                doubleQuoted();
            else if (c == '\\')
                escaped();
            else
                add(c);
        }
        endWord();
        return words_;
    }

private:
    void add(char c) {
        word_ += c;
        inWord_ = true;
    }
    void endWord() {
        if (inWord_)
            words_.push_back(std::move(word_));
        word_.clear();
        inWord_ = false;
    }
    void singleQuoted() {
        inWord_ = true;
        const std::size_t end = text_.find('\'', at_);
        if (end == std::string_view::npos)
            throw Error("The command has an unclosed single quote.");
        word_ += text_.substr(at_, end - at_);
        at_ = end + 1;
    }
    void doubleQuoted() {
        inWord_ = true;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return;
            if (c == '\\' && at_ < text_.size()) {
                const char next = text_[at_];
                if (next == '"' || next == '\\' || next == '$' || next == '`' || next == '\n') {
                    ++at_;
                    if (next != '\n')
                        word_ += next;
                    continue;
                }
            }
            word_ += c;
        }
        throw Error("The command has an unclosed double quote.");
    }
    void escaped() {
        if (at_ >= text_.size())
            throw Error("The command ends with a backslash.");
        const char next = text_[at_++];
        if (next != '\n')
            add(next);
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::vector<std::string> words_;
    std::string word_;
    bool inWord_ = false;
};

} // namespace

std::vector<std::string> splitCommandLine(std::string_view text) {
    return Splitter(text).split();
}

std::string quoteCommandWord(std::string_view word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace tervolen
