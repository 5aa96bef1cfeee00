#include "core/headless_form.h"
#include "core/language_choice.h"
#include "core/settings_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

class LanguageChoiceTest : public ::testing::Test {
protected:
    std::string storedLanguage() const {
        return SettingsFile::OpenSettings(settingsPath).ReadText("LANG", "SetLang", "");
    }

    test::TempDir dir;
    std::string settingsPath = dir.file("tervolen.ini");
    HeadlessForm form;
    std::vector<std::string> applied;
    ApplyLanguageFile apply = [this](const std::string& file) { applied.push_back(file); };
};

TEST_F(LanguageChoiceTest, EachLabelAppliesItsFileAndStoresItsCurrentCaption) {
    using Handler = void (*)(FormState&, const std::string&, const ApplyLanguageFile&);
    const std::pair<Handler, const char*> handlers[] = {{LbEngClick, "enusa.lng"},
                                                        {BtPortugesClick, "ptbr.lng"},
                                                        {LbDeuClick, "deu.lng"},
                                                        {LbSpanolClick, "span.lng"},
                                                        {LbRusClick, "ru.lng"}};
    const char* captions[] = {"&English", "&Português", "&Deutsche", "Spañ&ol", "&Rusky"};
    for (int i = 0; i < 5; ++i) {
        applied.clear();
        handlers[i].first(form, settingsPath, apply);
        EXPECT_EQ(applied, std::vector<std::string>{handlers[i].second});
        EXPECT_EQ(storedLanguage(), captions[i]);
    }
}

TEST_F(LanguageChoiceTest, TheCaptionIsReadAfterTheFileWasApplied) {
    // A file that renamed the label: the caption it shows now is the one remembered.
    LbDeuClick(form, settingsPath, [this](const std::string&) { form.setText("LbDeu", "&Deutsch"); });
    EXPECT_EQ(storedLanguage(), "&Deutsch");
}

TEST_F(LanguageChoiceTest, TheChoiceIsStoredAlsoWhenNoFileIsApplied) {
    // The window's loader reports a missing file itself and goes on; without a window there is no loader.
    LbRusClick(form, settingsPath, [](const std::string&) {});
    EXPECT_EQ(storedLanguage(), "&Rusky");
    LbEngClick(form, settingsPath, {});
    EXPECT_EQ(storedLanguage(), "&English");
    EXPECT_EQ(test::ReadFile(settingsPath), "[LANG]\r\nSetLang=&English\r\n\r\n");
}

TEST_F(LanguageChoiceTest, CaptionsAreComparedExactly) {
    for (const LanguageChoice& choice : LanguageChoices()) {
        ASSERT_NE(LanguageByCaption(choice.caption), nullptr);
        EXPECT_STREQ(LanguageByCaption(choice.caption)->file, choice.file);
        EXPECT_EQ(form.text(choice.label), choice.caption) << "the design caption";
    }
    EXPECT_EQ(LanguageByCaption("&english"), nullptr);
    EXPECT_EQ(LanguageByCaption("English"), nullptr);
    EXPECT_EQ(LanguageByCaption(""), nullptr);
}

} // namespace
} // namespace tervolen
