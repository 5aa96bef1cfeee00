#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tervolen::fuzz {

// The fuzzer's input as text.
inline std::string_view inputText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Reports a broken property and aborts, so that libFuzzer keeps the input as a crash.
[[noreturn]] void propertyFailed(std::string_view property, std::string_view detail = {});

inline void require(bool holds, std::string_view property, std::string_view detail = {}) {
    if (!holds)
        propertyFailed(property, detail);
}

// A path in a folder of this process that is removed when the process ends normally. The folder lies on
// /dev/shm where there is one: the code under test flushes files to disk, which would slow fuzzing down.
std::string scratchPath(const std::string& name);

// Replaces the file at path with bytes (no flush: the file is scratch).
void writeScratchFile(const std::string& path, std::string_view bytes);
std::string readScratchFile(const std::string& path);

// The text with bytes outside printable ASCII as \xNN, for property reports.
std::string visible(std::string_view text);

} // namespace tervolen::fuzz
