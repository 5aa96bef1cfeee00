// The RETENTION keys through Save Config and start-up.
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "core/settings_pages.h"
#include "core/startup.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

const char* const kSpins[] = {"SpinKeepLast", "SpinKeepDaily", "SpinKeepWeekly", "SpinKeepMonthly", "SpinKeepYearly"};

TEST(RetentionSettings, SaveConfigWritesACountOnlyWhenSetOrStoredAndStartUpLoadsIt) {
    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    saveConfigPage(form, paths);
    EXPECT_EQ(test::readFile(paths.settingsFile).find("RETENTION"), std::string::npos) << "zeros need no section";

    form.setText("SpinKeepDaily", "7");
    form.setText("SpinKeepYearly", "3");
    saveConfigPage(form, paths);
    form.setText("SpinKeepDaily", "0");
    saveConfigPage(form, paths);
    const std::string text = test::readFile(paths.settingsFile);
    EXPECT_NE(text.find("[RETENTION]\r\nKeepDaily=0\r\nKeepYearly=3\r\n"), std::string::npos) << text;

    HeadlessForm loaded;
    loadSettingsIntoForm(loaded, paths, StartupHooks{});
    const char* const expected[] = {"0", "0", "0", "0", "3"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(loaded.text(kSpins[i]), expected[i]) << kSpins[i];
}

} // namespace
} // namespace tervolen
