#pragma once

#include "core/color.h"

#include <ostream>
#include <string_view>
#include <vector>

namespace tervolen {

// Writes paragraphs, each with one colour and one font size, as an RTF document: a font table with one
// font, a colour table, then \cf, \fs (half points) and \par per paragraph. Text is UTF-8; backslashes and
// braces are escaped, other characters outside printable ASCII are written as \uN? (\tab for a tab).
class RtfWriter {
public:
    // Writes the header. Every colour that a paragraph uses must be in colors.
    RtfWriter(std::ostream& out, std::string_view fontName, std::vector<Color> colors);

    // One paragraph; text holds no line breaks. Throws std::invalid_argument for a colour not declared.
    void paragraph(std::string_view text, Color color, int pointSize);
    // Closes the document.
    void finish();

private:
    void writeText(std::string_view text);
    void writeCodePoint(char32_t codePoint);

    std::ostream& out_;
    std::vector<Color> colors_;
    std::size_t currentColor_ = 0; // index into the colour table; 0 is none written yet
    int currentSize_ = 0;
};

} // namespace tervolen
