#pragma once

#include <stdexcept>
#include <string>

namespace tervolen {

// A failure carrying the text that the user sees. The handler of the action in progress catches it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
    std::string text() const { return what(); }
};

// The text of the default error report: the error's text with a final "." when it lacks one.
std::string defaultErrorReportText(const std::string& text);

} // namespace tervolen
