#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// What the header page (page 0) of a Firebird database file says about it.
struct DatabaseHeader {
    unsigned pageSize = 0;
    unsigned odsMajor = 0;
    bool shutDown = false; // in one of the shutdown modes, as a restore that never finished leaves it
};

// The header at the start of a database file; nothing for bytes that are no header page of a known structure
// (ODS 10 to 13, the machine's byte order).
std::optional<DatabaseHeader> parseDatabaseHeader(std::string_view bytes);

// The header of the database file at path. Throws Error "Cannot read file" with the path and the system's reason,
// or "... is no Firebird database" for a file whose start is no known header page.
DatabaseHeader readDatabaseHeader(const std::string& path);

} // namespace tervolen
