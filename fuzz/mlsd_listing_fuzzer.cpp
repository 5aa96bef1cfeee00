// An MLSD listing as an FTP server sends it. The names taken must be whole lines' names: never a line break inside.
#include "delivery/mlsd_listing.h"
#include "fuzz_support.h"

#include <cstdint>

using namespace tervolen;
using namespace tervolen::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view listing = inputText(data, size);
    for (const std::string& name : mlsdFileNames(listing)) {
        require(!name.empty() && name.find_first_of("\r\n") == std::string::npos, "a name is one line's name");
        require(listing.find(name) != std::string_view::npos, "a name is taken from the listing");
    }
    return 0;
}
