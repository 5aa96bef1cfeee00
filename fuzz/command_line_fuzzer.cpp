// The alert command as typed on the Config page. Whatever splits must split the same once each word is quoted.
#include "core/command_line.h"
#include "core/errors.h"
#include "fuzz_support.h"

#include <cstdint>

using namespace tervolen;
using namespace tervolen::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words;
    try {
        words = splitCommandLine(inputText(data, size));
    } catch (const Error&) {
        return 0;
    }
    std::string line;
    for (const std::string& word : words)
        line += quoteCommandWord(word) + " ";
    require(splitCommandLine(line) == words, "quoted words split back to the same words");
    return 0;
}
