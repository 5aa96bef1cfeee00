// Answers of the Services API to the limbo-list query and the items inside them. The first input byte says where
// the rest is split into two answers' bytes; the rest, whole, is also read as one answer buffer. The list reads the
// same numbers however its bytes are split, and either reads an item or refuses it.
#include "fuzz_support.h"
#include "services/limbo_list.h"
#include "services/service_buffers.h"
#include "services/service_errors.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

bool refused(const ClientError& error) {
    return error.text() == "Unexpected Output buffer value";
}

// The numbers of the list read in two parts, or nothing when it is refused.
std::optional<std::vector<std::uint64_t>> read(std::string_view first, std::string_view second) {
    LimboList list;
    try {
        std::vector<std::uint64_t> numbers = list.add(first);
        for (std::uint64_t number : list.add(second))
            numbers.push_back(number);
        list.finish();
        return numbers;
    } catch (const ClientError& error) {
        require(refused(error), "a refused limbo list says so", error.text());
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::string_view rest = inputText(data + 1, size - 1);
    const size_t split = data[0] % (rest.size() + 1);
    const std::optional<std::vector<std::uint64_t>> whole = read(rest, {});
    const std::optional<std::vector<std::uint64_t>> parts = read(rest.substr(0, split), rest.substr(split));
    require(whole.has_value() == parts.has_value() && (!whole || *whole == *parts),
            "a limbo list reads the same wherever the answers split it");

    // A buffer of exactly the input's length, so that the sanitizer sees any read past it.
    const auto buffer = std::make_unique<char[]>(rest.size());
    std::copy(rest.begin(), rest.end(), buffer.get());
    try {
        const OutputLine answer = parseLimboAnswer(std::span<const char>(buffer.get(), rest.size()));
        require(answer.text.size() + 4 <= rest.size(), "the answer's bytes lie inside it");
        require(answer.ended == answer.text.empty(), "an empty answer ends the list");
    } catch (const ClientError& error) {
        require(refused(error), "a refused limbo answer says so", error.text());
    }
    return 0;
}
