#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tervolen::test {

// Runs body as a user other than root, for behaviour that root is denied on purpose. Started as root, body
// runs in a child process with the rights of the user nobody, who is given folder first; its failures fail
// the test.
inline void asUnprivilegedUser(const std::string& folder, const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return;
    }
    EXPECT_EXIT(
        {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
                if (::lchown(entry.path().c_str(), 65534, 65534) != 0)
                    std::_Exit(2);
            if (::chown(folder.c_str(), 65534, 65534) != 0 || ::setgroups(0, nullptr) != 0 ||
                ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
                std::_Exit(2);
            body();
            std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace tervolen::test
