#include "core/help_links.h"

#include "core/control_names.h"

#include <system_error>

namespace tervolen {

namespace fs = std::filesystem;

namespace {

// A file URL of an absolute path, every byte but the unreserved ones and "/" percent-encoded.
std::string fileUrl(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

} // namespace

const std::vector<DownloadLink>& downloadLinks() {
    static const std::vector<DownloadLink> links = {
        {controls::LbGetInterBase, "https://www.embarcadero.com/products/interbase"},
        {controls::LbGetInterBaseFree, "https://www.embarcadero.com/products/interbase/developer"},
        {controls::LbGetFirebird, "https://firebirdsql.org/en/downloads/"},
    };
    return links;
}

ManualPlaces manualPlaces(const fs::path& exeDir) {
    const fs::path above = exeDir.parent_path();
    return {(above / "share" / "man" / "man1" / "tervolen.1.gz").lexically_normal(),
            (above / "README.md").lexically_normal()};
}

std::optional<std::string> manualUrl(const fs::path& exeDir) {
    const ManualPlaces places = manualPlaces(exeDir);
    std::error_code ec;
    if (fs::is_regular_file(places.manualPage, ec))
        return "man:tervolen(1)";
    if (fs::is_regular_file(places.readme, ec))
        return fileUrl(fs::absolute(places.readme).string());
    return std::nullopt;
}

} // namespace tervolen
