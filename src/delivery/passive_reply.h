#pragma once

#include <string>

namespace tervolen {

// The data port of an EPSV answer's text, "Entering Extended Passive Mode (|||port|)": the delimiter is the
// character after "(", any printable one but a digit, repeated three times before the port and once after it.
// Throws Error "The EPSV answer names no port: %s" for any other text or a port outside 1..65535.
int parseEpsvPort(const std::string& text);

// The data port of a PASV answer's text, from the first run "h1,h2,h3,h4,p1,p2" of six numbers 0..255, in
// parentheses or not. The address h1..h4 is not taken: data goes only to the server of the control connection.
// Throws Error "The PASV answer names no port: %s" when there is no such run or its port is 0.
int parsePasvPort(const std::string& text);

} // namespace tervolen
