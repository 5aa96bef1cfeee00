#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tervolen {

// A "Get ..." label of the Help tab and the web page it opens.
struct DownloadLink {
    const char* control;
    const char* url;
};

const std::vector<DownloadLink>& downloadLinks();

// Where "Help Topics" looks for the manual of the executable in exeDir.
struct ManualPlaces {
    std::filesystem::path manualPage; // <prefix>/share/man/man1/tervolen.1.gz of <prefix>/bin
    std::filesystem::path readme;     // README.md of the source tree that holds the build folder
};
ManualPlaces manualPlaces(const std::filesystem::path& exeDir);

// The manual's address: the installed manual page as "man:tervolen(1)", else the README as a file URL;
// nullopt when neither exists.
// The README's path is percent-encoded but for letters, digits, "/", "-", ".", "_" and "~".
std::optional<std::string> manualUrl(const std::filesystem::path& exeDir);

} // namespace tervolen
