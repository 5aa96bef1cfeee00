#include "core/rtf_writer.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tervolen {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// Decodes the UTF-8 sequence at pos and moves pos past it. A malformed or cut sequence gives U+FFFD and
// moves past its longest valid beginning (at least one byte), so the text is never read past its end.
char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
    auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t value = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return kReplacement;
    }
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size())
            return kReplacement;
        auto byte = static_cast<unsigned char>(text[pos]);
        bool valid = i == 1 ? isContinuation(byte, low, high) : isContinuation(byte);
        if (!valid)
            return kReplacement;
        value = (value << 6) | (byte & 0x3F);
        ++pos;
    }
    return value;
}

bool isPlain(unsigned char byte) {
    return byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '{' && byte != '}';
}

} // namespace

RtfWriter::RtfWriter(std::ostream& out, std::string_view fontName, std::vector<Color> colors)
    : out_(out), colors_(std::move(colors)) {
    out_ << "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fprq1\\fcharset0 ";
    writeText(fontName);
    out_ << ";}}\n{\\colortbl ;";
    for (Color color : colors_)
        out_ << "\\red" << (color & 0xFF) << "\\green" << ((color >> 8) & 0xFF) << "\\blue" << ((color >> 16) & 0xFF)
             << ';';
    out_ << "}\n\\viewkind4\\pard\\f0\n";
}

void RtfWriter::paragraph(std::string_view text, Color color, int pointSize) {
    auto found = std::find(colors_.begin(), colors_.end(), color);
    if (found == colors_.end())
        throw std::invalid_argument("RtfWriter: colour not in the colour table");
    std::size_t colorIndex = static_cast<std::size_t>(found - colors_.begin()) + 1;
    bool attributes = false;
    if (colorIndex != currentColor_) {
        out_ << "\\cf" << colorIndex;
        currentColor_ = colorIndex;
        attributes = true;
    }
    if (pointSize != currentSize_) {
        out_ << "\\fs" << pointSize * 2;
        currentSize_ = pointSize;
        attributes = true;
    }
    if (attributes)
        out_ << ' ';
    writeText(text);
    out_ << "\\par\n";
}

void RtfWriter::finish() {
    out_ << "}\n";
}

void RtfWriter::writeText(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t run = pos;
        while (run < text.size() && isPlain(static_cast<unsigned char>(text[run])))
            ++run;
        out_.write(text.data() + pos, static_cast<std::streamsize>(run - pos));
        pos = run;
        if (pos == text.size())
            break;
        char byte = text[pos];
        if (byte == '\\' || byte == '{' || byte == '}') {
            out_ << '\\' << byte;
            ++pos;
        } else if (byte == '\t') {
            out_ << "\\tab ";
            ++pos;
        } else {
            writeCodePoint(decodeUtf8(text, pos));
        }
    }
}

void RtfWriter::writeCodePoint(char32_t codePoint) {
    auto writeUnit = [this](char32_t unit) {
        // \u takes a signed 16-bit number; the "?" is what a reader without Unicode shows.
        long value = static_cast<long>(unit);
        out_ << "\\u" << (value > 32767 ? value - 65536 : value) << '?';
    };
    if (codePoint > 0xFFFF) {
        char32_t offset = codePoint - 0x10000;
        writeUnit(0xD800 + (offset >> 10));
        writeUnit(0xDC00 + (offset & 0x3FF));
    } else {
        writeUnit(codePoint);
    }
}

} // namespace tervolen
