// The Debian package that scripts/package made (CTest fixture "deb_package") as dpkg, lintian and apt see it.
#include "built_version.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

std::string thePackage() {
    std::vector<std::string> packages;
    for (const auto& entry : fs::directory_iterator(TERVOLEN_PACKAGE_DIR))
        if (entry.path().extension() == ".deb")
            packages.push_back(entry.path().string());
    if (packages.size() != 1)
        throw std::runtime_error("expected one package in " TERVOLEN_PACKAGE_DIR);
    return packages.front();
}

std::string commandOutput(const std::string& command) {
    std::string output;
    EXPECT_EQ(test::runCommand(command, &output), 0) << command << "\n" << output;
    return output;
}

TEST(DebPackage, IsNamedAfterItsVersionAndHoldsTheInstalledFiles) {
    const std::string package = thePackage();
    EXPECT_EQ(fs::path(package).filename(), std::string("tervolen_") + PACKAGE_VERSION + "_amd64.deb");
    const std::string files = commandOutput("dpkg-deb -c " + package);
    for (const char* file :
         {"./usr/bin/tervolen\n", "./usr/bin/tervolen-cli\n", "./usr/share/tervolen/lang/enusa.lng\n",
          "./usr/share/tervolen/lang/ru.lng\n", "./usr/share/applications/tervolen.desktop\n",
          "./usr/share/metainfo/tervolen.metainfo.xml\n", "./usr/share/icons/hicolor/scalable/apps/tervolen.svg\n",
          "./usr/share/icons/hicolor/48x48/apps/tervolen.png\n", "./usr/share/man/man1/tervolen.1.gz\n",
          "./usr/share/man/man1/tervolen-cli.1.gz\n", "./usr/lib/systemd/system/tervolen.service\n",
          "./usr/lib/systemd/user/tervolen.service\n", "./usr/share/doc/tervolen/copyright\n"})
        EXPECT_NE(files.find(file), std::string::npos) << file << files;
    EXPECT_EQ(files.find("Lang/"), std::string::npos) << files;
    // Whoever builds it, every file belongs to root.
    std::istringstream lines(files);
    for (std::string line; std::getline(lines, line);)
        EXPECT_NE(line.find(" root/root "), std::string::npos) << line;
}

TEST(DebPackage, DependsOnTheLibrariesItLinksAndLoads) {
    const std::string package = thePackage();
    const std::string depends = commandOutput("dpkg-deb -f " + package + " Depends");
    for (const char* dependency : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "zlib1g", "libbz2-1.0", "libc6",
                                   "libstdc++6", "libfbclient2", "qt6-qpa-plugins"})
        EXPECT_NE(depends.find(dependency), std::string::npos) << dependency << ": " << depends;
    const std::string info = commandOutput("dpkg-deb -I " + package);
    EXPECT_NE(info.find(" Architecture: amd64\n"), std::string::npos) << info;
    EXPECT_NE(info.find(" postinst "), std::string::npos) << info;
}

TEST(DebPackage, LintianFindsNoError) {
    std::string output;
    test::runCommand("lintian --tag-display-limit 0 " + thePackage(), &output);
    EXPECT_EQ(output.find("E: "), std::string::npos) << output;
}

// Installed and removed again by apt as an administrator would; the removal also runs when a check fails.
class InstalledPackage {
public:
    InstalledPackage() {
        std::string output;
        installed_ = test::runCommand(std::string("cd " TERVOLEN_PACKAGE_DIR " && ") + kApt + " install -y ./" +
                                          fs::path(thePackage()).filename().string(),
                                      &output) == 0;
        output_ = output;
    }
    InstalledPackage(const InstalledPackage&) = delete;
    InstalledPackage& operator=(const InstalledPackage&) = delete;
    ~InstalledPackage() { test::runCommand(std::string(kApt) + " purge -y tervolen"); }

    bool installed() const { return installed_; }
    const std::string& output() const { return output_; }

private:
    static constexpr const char* kApt = "DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300";
    bool installed_ = false;
    std::string output_;
};

bool packageInstalled() {
    std::string status;
    test::runCommand("dpkg-query -W -f='${Status}' tervolen 2>/dev/null", &status);
    return status.find("install ok installed") != std::string::npos;
}

TEST(DebPackage, AptInstallsItAndRemovesItAgain) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "installing a package needs root";
    if (packageInstalled())
        GTEST_SKIP() << "tervolen is installed on this machine; the test leaves it alone";
    {
        InstalledPackage package;
        ASSERT_TRUE(package.installed()) << package.output();
        std::string output;
        EXPECT_EQ(test::runCommand("/usr/bin/tervolen-cli --version", &output), 0);
        EXPECT_EQ(output, test::builtVersion());
        EXPECT_TRUE(fs::is_directory("/etc/tervolen"));
        EXPECT_EQ(test::runCommand("getent passwd tervolen >/dev/null"), 0);
    }
    EXPECT_FALSE(packageInstalled());
    EXPECT_FALSE(fs::exists("/usr/bin/tervolen-cli"));
    EXPECT_FALSE(fs::exists("/etc/tervolen"));
}

} // namespace
} // namespace tervolen
