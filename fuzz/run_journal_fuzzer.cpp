// A journal line as the disk gives it back. Whatever parses must format to a line that parses to the same record.
#include "core/run_journal.h"
#include "fuzz_support.h"

#include <cstdint>

using namespace tervolen;
using namespace tervolen::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<RunRecord> record = parseRunRecord(inputText(data, size));
    if (!record)
        return 0;
    const std::string line = formatRunRecord(*record);
    require(line.find('\n') == std::string::npos, "a record is formatted on one line");
    require(parseRunRecord(line) == record, "a formatted record parses back to the same record");
    return 0;
}
