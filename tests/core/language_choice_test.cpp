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
        return SettingsFile::openSettings(settingsPath).readText("LANG", "SetLang", "");
    }

    test::TempDir dir;
    std::string settingsPath = dir.file("tervolen.ini");
    HeadlessForm form;
    std::vector<std::string> applied;
    ApplyLanguageFile apply = [this](const std::string& file) { applied.push_back(file); };
};

TEST_F(LanguageChoiceTest, EachLabelAppliesItsFileAndStoresItsCurrentCaption) {
    const std::pair<std::string, std::string> labelsAndFiles[] = {
        {"LbEng", "enusa.lng"}, {"LbPort", "ptbr.lng"}, {"LbDeu", "deu.lng"}, {"LbSpanol", "span.lng"}, {"LbRus", "ru.lng"}};
    const char* captions[] = {"&English", "&Português", "&Deutsche", "Spañ&ol", "&Rusky"};
    ASSERT_EQ(LanguageChoices().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const LanguageChoice& choice = LanguageChoices()[i];
        EXPECT_EQ(choice.label, labelsAndFiles[i].first);
        applied.clear();
        ChooseLanguage(form, settingsPath, choice, apply);
        EXPECT_EQ(applied, std::vector<std::string>{labelsAndFiles[i].second});
        EXPECT_EQ(storedLanguage(), captions[i]);
    }
}

TEST_F(LanguageChoiceTest, TheCaptionIsReadAfterTheFileWasApplied) {
    // A file that renamed the label: the caption it shows now is the one remembered.
    ChooseLanguage(form, settingsPath, LanguageChoices()[2],
                   [this](const std::string&) { form.setText("LbDeu", "&Deutsch"); });
    EXPECT_EQ(storedLanguage(), "&Deutsch");
}

TEST_F(LanguageChoiceTest, TheChoiceIsStoredAlsoWhenNoFileIsApplied) {
    // The window's loader reports a missing file itself and goes on; without a window there is no loader.
    ChooseLanguage(form, settingsPath, LanguageChoices()[4], [](const std::string&) {});
    EXPECT_EQ(storedLanguage(), "&Rusky");
    ChooseLanguage(form, settingsPath, LanguageChoices()[0], {});
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
