#pragma once

#include <string>

namespace tervolen {

// Opens the URL with the desktop's handler for its scheme (browser, manual viewer, file viewer); false when
// the URL is not valid or no handler took it.
bool openWithDesktop(const std::string& url);

} // namespace tervolen
