#include "core/errors.h"
#include "core/paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

// A layout beside the executable, an environment, and the paths the rules give; "@" stands for the
// temporary folder.
struct PathCase {
    const char* name;
    const char* exe;
    std::vector<const char*> besideExe;
    std::map<std::string, std::string> environment;
    PathMode mode;
    const char* baseDir;
    const char* settingsFile;
    const char* dataDir;
    const char* languageDir;
};

// clang-format off
const PathCase kCases[] = {
    {"TervolenIniBesideTheExecutableIsPortable", "@/demo/tervolen", {"tervolen.ini"}, {{"HOME", "@/home"}},
     PathMode::Portable, "@/demo", "@/demo/tervolen.ini", "@/demo", "@/demo/Lang"},
    {"APortableFileIsPortable", "@/usb/tervolen", {"portable"}, {{"HOME", "@/home"}}, PathMode::Portable, "@/usb",
     "@/usb/tervolen.ini", "@/usb", "@/usb/Lang"},
    {"ARenamedExecutableKeepsItsOwnSettingsName", "@/usb/backup", {"backup.ini"}, {{"HOME", "@/home"}},
     PathMode::Portable, "@/usb", "@/usb/backup.ini", "@/usb", "@/usb/Lang"},
    {"AMirrorListAloneIsNoPortableMarker", "@/usr/bin/tervolen", {"Mirrors.lst"}, {{"HOME", "@/home"}},
     PathMode::Installed, "@/home/.config/tervolen", "@/home/.config/tervolen/tervolen.ini",
     "@/home/.local/share/tervolen", "@/usr/share/tervolen/lang"},
    {"InstalledWithoutXdgVariablesUsesTheHomeFolder", "@/usr/bin/tervolen", {}, {{"HOME", "@/home"}},
     PathMode::Installed, "@/home/.config/tervolen", "@/home/.config/tervolen/tervolen.ini",
     "@/home/.local/share/tervolen", "@/usr/share/tervolen/lang"},
    {"InstalledFollowsTheXdgVariables", "@/opt/t/bin/tervolen", {},
     {{"HOME", "@/home"}, {"XDG_CONFIG_HOME", "@/cfg/"}, {"XDG_DATA_HOME", "@/data"}}, PathMode::Installed,
     "@/cfg/tervolen", "@/cfg/tervolen/tervolen.ini", "@/data/tervolen", "@/opt/t/share/tervolen/lang"},
    {"RelativeXdgVariablesAreIgnored", "@/usr/bin/tervolen", {},
     {{"HOME", "@/home"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", "data"}}, PathMode::Installed,
     "@/home/.config/tervolen", "@/home/.config/tervolen/tervolen.ini", "@/home/.local/share/tervolen",
     "@/usr/share/tervolen/lang"},
    {"TheCommandLineToolReadsTheSameFile", "@/usr/bin/tervolen-cli", {}, {{"HOME", "@/home"}},
     PathMode::Installed, "@/home/.config/tervolen", "@/home/.config/tervolen/tervolen.ini",
     "@/home/.local/share/tervolen", "@/usr/share/tervolen/lang"},
};
// clang-format on

void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.name;
}

class PathRules : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathRules, GiveTheFoldersOfTheMode) {
    const PathCase& c = GetParam();
    test::TempDir dir;
    auto at = [&dir](const std::string& text) { return text.starts_with("@") ? dir.path() + text.substr(1) : text; };
    const fs::path exe = at(c.exe);
    fs::create_directories(exe.parent_path());
    test::writeFile(exe.string(), "");
    for (const char* name : c.besideExe)
        test::writeFile((exe.parent_path() / name).string(), "");
    auto environment = [&](const std::string& name) {
        auto found = c.environment.find(name);
        return found == c.environment.end() ? std::string() : at(found->second);
    };
    const std::string settingsName = exe.filename() == "tervolen-cli" ? "tervolen.ini" : nameOf(exe.string() + ".ini");

    AppPaths paths = AppPaths::forExecutable(exe, settingsName, environment);

    EXPECT_EQ(paths.mode, c.mode);
    EXPECT_EQ(paths.baseDir, at(c.baseDir));
    EXPECT_EQ(paths.settingsFile, at(c.settingsFile));
    EXPECT_EQ(paths.join("Mirrors.lst"), at(c.baseDir) + "/Mirrors.lst");
    EXPECT_EQ(paths.dataPath("DefaultLogs"), at(c.dataDir) + "/DefaultLogs");
    EXPECT_EQ(paths.languageDir, at(c.languageDir));
    // The rules only look: nothing is made anywhere.
    EXPECT_FALSE(fs::exists(at("@/home")));
}

INSTANTIATE_TEST_SUITE_P(Layouts, PathRules, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PathRules, ASettingsFileNamedOnTheCommandLineKeepsEverythingBesideIt) {
    test::TempDir dir;
    AppPaths paths = AppPaths::forSettingsFile(dir.file("site.ini"));
    EXPECT_EQ(paths.mode, PathMode::Named);
    EXPECT_EQ(paths.settingsFile, dir.file("site.ini"));
    EXPECT_EQ(paths.join("Mirrors.lst"), dir.file("Mirrors.lst"));
    EXPECT_EQ(paths.dataPath("DefaultBackups"), dir.file("DefaultBackups"));
}

TEST(PathRules, TheSettingsFolderIsMadeOwnerOnlyInInstalledModeOnly) {
    test::TempDir dir;
    AppPaths installed =
        AppPaths::forExecutable(dir.file("bin/tervolen"), "tervolen.ini", [&](const std::string& name) {
            return name == "XDG_CONFIG_HOME" ? dir.file("cfg") : std::string();
        });
    ::mode_t old = ::umask(077);
    createSettingsFolder(installed);
    ::umask(old);
    EXPECT_EQ(fs::status(dir.file("cfg/tervolen")).permissions(), fs::perms::owner_all);

    AppPaths portable = installed;
    portable.mode = PathMode::Portable;
    portable.baseDir = dir.file("portable-folder");
    createSettingsFolder(portable);
    EXPECT_FALSE(fs::exists(dir.file("portable-folder")));
}

} // namespace
} // namespace tervolen
