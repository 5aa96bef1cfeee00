// Answers of the Services API to the output-line and running queries. The first two input bytes give the
// length of the output buffer, as the program hands it to the server (0: the rest of the input exactly); the
// rest fills it, zeros after. Each parser either answers as the answer's layout says or refuses it.
#include "fuzz_support.h"
#include "services/service_buffers.h"
#include "services/service_errors.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

uint32_t littleEndian(std::span<const char> bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

// What the output-line answer says by its layout: tag 62, a 2-byte length, the text, isc_info_end.
std::optional<OutputLine> expectedLineOf(std::span<const char> answer) {
    if (answer.size() < 3 || static_cast<uint8_t>(answer[0]) != isc::isc_info_svc_line)
        return std::nullopt;
    const size_t length = littleEndian(answer.subspan(1, 2));
    if (3 + length >= answer.size() || static_cast<uint8_t>(answer[3 + length]) != isc::isc_info_end)
        return std::nullopt;
    const std::string text(answer.data() + 3, length);
    return OutputLine{length == 0, text.substr(0, text.find('\0'))};
}

std::optional<bool> expectedRunningOf(std::span<const char> answer) {
    if (answer.size() < 5 || static_cast<uint8_t>(answer[0]) != isc::isc_info_svc_running)
        return std::nullopt;
    return littleEndian(answer.subspan(1, 4)) == 1;
}

bool refused(const ClientError& error) {
    return error.text() == "Unexpected Output buffer value";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::string_view rest = inputText(data + 2, size - 2);
    size_t length = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8;
    if (length == 0)
        length = rest.size();
    // A buffer of exactly the given length, so that the sanitizer sees any read past it.
    const auto buffer = std::make_unique<char[]>(length);
    std::memset(buffer.get(), 0, length);
    std::memcpy(buffer.get(), rest.data(), std::min(length, rest.size()));
    const std::span<const char> answer(buffer.get(), length);

    const std::optional<OutputLine> expectedLine = expectedLineOf(answer);
    try {
        const OutputLine line = parseOutputLine(answer);
        require(expectedLine.has_value(), "an output line of another layout is refused");
        require(line.ended == expectedLine->ended && line.text == expectedLine->text,
                "the output line is the answer's text up to its first 0 byte", line.text);
    } catch (const ClientError& error) {
        require(refused(error), "a refused output line says so", error.text());
        require(!expectedLine, "a well-formed output line is read");
    }

    const std::optional<bool> expectedRunning = expectedRunningOf(answer);
    try {
        const bool running = parseRunning(answer);
        require(expectedRunning.has_value() && running == *expectedRunning, "the running answer reads as laid out");
    } catch (const ClientError& error) {
        require(refused(error), "a refused running answer says so", error.text());
        require(!expectedRunning, "a well-formed running answer is read");
    }
    return 0;
}
