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
    ASSERT_EQ(languageChoices().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const LanguageChoice& choice = languageChoices()[i];
        EXPECT_EQ(choice.label, labelsAndFiles[i].first);
        applied.clear();
        chooseLanguage(form, settingsPath, choice, apply);
        EXPECT_EQ(applied, std::vector<std::string>{labelsAndFiles[i].second});
        EXPECT_EQ(storedLanguage(), captions[i]);
    }
}

TEST_F(LanguageChoiceTest, TheCaptionIsReadAfterTheFileWasApplied) {
    // A file that renamed the label: the caption it shows now is the one remembered.
    chooseLanguage(form, settingsPath, languageChoices()[2],
                   [this](const std::string&) { form.setText("LbDeu", "&Deutsch"); });
    EXPECT_EQ(storedLanguage(), "&Deutsch");
}

TEST_F(LanguageChoiceTest, TheChoiceIsStoredAlsoWhenNoFileIsApplied) {
    // The window's loader reports a missing file itself and goes on; without a window there is no loader.
    chooseLanguage(form, settingsPath, languageChoices()[4], [](const std::string&) {});
    EXPECT_EQ(storedLanguage(), "&Rusky");
    chooseLanguage(form, settingsPath, languageChoices()[0], {});
    EXPECT_EQ(storedLanguage(), "&English");
    EXPECT_EQ(test::readFile(settingsPath), "[LANG]\r\nSetLang=&English\r\n\r\n");
}

TEST_F(LanguageChoiceTest, CaptionsAreComparedExactly) {
    for (const LanguageChoice& choice : languageChoices()) {
        ASSERT_NE(languageByCaption(choice.caption), nullptr);
        EXPECT_STREQ(languageByCaption(choice.caption)->file, choice.file);
        EXPECT_EQ(form.text(choice.label), choice.caption) << "the design caption";
    }
    EXPECT_EQ(languageByCaption("&english"), nullptr);
    EXPECT_EQ(languageByCaption("English"), nullptr);
    EXPECT_EQ(languageByCaption(""), nullptr);
}

} // namespace
} // namespace tervolen
