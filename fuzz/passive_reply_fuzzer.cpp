// The text of an EPSV or PASV answer as a server sends it. Each parser either gives a port that the text names
// in the form it parses, or refuses the text with its own message; nothing else may come out.
#include "core/errors.h"
#include "delivery/passive_reply.h"
#include "fuzz_support.h"

#include <cstdint>
#include <regex>
#include <string>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

void checkEpsv(const std::string& text) {
    try {
        const int port = parseEpsvPort(text);
        require(port >= 1 && port <= 65535, "an EPSV port lies from 1 to 65535", std::to_string(port));
        const std::size_t open = text.find('(');
        require(open != std::string::npos, "an EPSV answer with a port has a parenthesis");
        const char d = text[open + 1];
        const std::size_t digits = open + 4;
        const std::size_t end = text.find(d, digits);
        require(text.compare(open + 1, 3, std::string(3, d)) == 0 && end != std::string::npos &&
                    text.compare(end, 2, std::string{d, ')'}) == 0 &&
                    std::stoi(text.substr(digits, end - digits)) == port,
                "the EPSV port is written between the delimiters after the first parenthesis", visible(text));
    } catch (const Error& error) {
        require(error.text() == "The EPSV answer names no port: " + text.substr(0, text.find('\0')),
                "a refused EPSV answer is named in the refusal", visible(error.text()));
    }
}

void checkPasv(const std::string& text) {
    try {
        const int port = parsePasvPort(text);
        require(port >= 1 && port <= 65535, "a PASV port lies from 1 to 65535", std::to_string(port));
        const std::regex bytes("," + std::string("0*") + std::to_string(port / 256) + ",0*" +
                               std::to_string(port % 256) + "(?![0-9])");
        require(std::regex_search(text, bytes), "the PASV port's two bytes are in the text", visible(text));
    } catch (const Error& error) {
        require(error.text() == "The PASV answer names no port: " + text.substr(0, text.find('\0')),
                "a refused PASV answer is named in the refusal", visible(error.text()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(inputText(data, size));
    checkEpsv(text);
    checkPasv(text);
    return 0;
}
