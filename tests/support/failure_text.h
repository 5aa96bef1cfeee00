#pragma once

#include "core/errors.h"

#include <functional>
#include <string>

namespace tervolen::test {

// The text of the Error that action throws, or "(no failure)".
inline std::string failureText(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no failure)";
}

} // namespace tervolen::test
