// The start of a database file that the server restored (or anything at that name). A header is read only from a
// page of the header type with a known structure and a page size that a database can have.
#include "fuzz_support.h"
#include "services/database_header.h"
#include "services/test_restore.h"

#include <cstdint>

using namespace tervolen;
using namespace tervolen::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(inputText(data, size));
    if (const std::optional<DatabaseHeader> header = parseDatabaseHeader(text)) {
        require(header->pageSize >= 1024 && (header->pageSize & (header->pageSize - 1)) == 0, "a real page size");
        require(header->odsMajor >= 10 && header->odsMajor <= 13, "a known structure");
    }
    // The folder's names are outside data too: a name is a test database's exactly when it formats back.
    if (const std::optional<long> owner = testDatabaseOwner(text)) {
        const std::size_t dash = text.rfind('-');
        require(testDatabaseName(text.substr(17, dash - 17), *owner) == text, "an owner's name formats back");
    }
    return 0;
}
