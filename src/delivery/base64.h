#pragma once

#include <cstddef>
#include <string>

namespace tervolen {

// Appends the base64 form (RFC 2045 alphabet, "=" fill) of size bytes to out, without line breaks.
void appendBase64(const unsigned char* data, std::size_t size, std::string& out);

// Appends one line of at most 76 characters plus CR LF for every 57 bytes (or fewer, at the end) of data.
void appendBase64Lines(const unsigned char* data, std::size_t size, std::string& out);

} // namespace tervolen
