#include "core/errors.h"
#include "core/language_choice.h"
#include "core/language_file.h"
#include "temp_dir.h"
#include "test_config.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace tervolen {
namespace {

TEST(LanguageFileTest, TheFirstEqualsSignSplitsAndNothingIsTrimmed) {
    LanguageFile file = LanguageFile::parse("a=b=c\r\n x = y \nno equals sign\r=only a translation\n\n");
    EXPECT_EQ(file.lookup("a"), "b=c");
    EXPECT_EQ(file.lookup(" x "), " y ");
    EXPECT_EQ(file.lookup("x"), "x");
    EXPECT_EQ(file.lookup(" x"), " x");
    EXPECT_EQ(file.lookup("no equals sign"), "no equals sign");
    EXPECT_EQ(file.lookup(""), "") << "an empty text stays empty";
    EXPECT_EQ(file.lookup("unknown"), "unknown");
    EXPECT_EQ(file.sortedLines().size(), 4u);
}

TEST(LanguageFileTest, ATrailingBlankMatchesOnlyATextWithIt) {
    LanguageFile file = LanguageFile::parse("Restore Options: =Opções de Restauração: \n");
    EXPECT_EQ(file.lookup("Restore Options: "), "Opções de Restauração: ");
    EXPECT_EQ(file.lookup("Restore Options:"), "Restore Options:");
    EXPECT_EQ(file.lookup("Restore Options:  "), "Restore Options:  ");
}

TEST(LanguageFileTest, LookupIgnoresLetterCaseAndTheLineSortingFirstWins) {
    // Sorted without regard to case, "&start backup=Iniciar" comes before "&Start Backup=Sicherung".
    LanguageFile file = LanguageFile::parse("&Start Backup=Sicherung starten\n&start backup=Iniciar Backup\n");
    EXPECT_EQ(file.lookup("&Start Backup"), "Iniciar Backup");
    EXPECT_EQ(file.lookup("&START BACKUP"), "Iniciar Backup");
    EXPECT_EQ(file.sortedLines().front(), "&start backup=Iniciar Backup");

    // Lines equal without regard to case keep the order of the file.
    EXPECT_EQ(LanguageFile::parse("Ok=OK\nOK=Ok\n").lookup("ok"), "OK");
    EXPECT_EQ(LanguageFile::parse("OK=Ok\nOk=OK\n").lookup("ok"), "Ok");
}

TEST(LanguageFileTest, LetterCaseOfAccentedGreekAndCyrillicLettersIsIgnored) {
    LanguageFile file = LanguageFile::parse("ÜBER=über\nПРОВЕРКА=проверка\nÇÃO=ção\nŁÓDŹ=łódź\nΣΩ=σω\n");
    EXPECT_EQ(file.lookup("über"), "über");
    EXPECT_EQ(file.lookup("Проверка"), "проверка");
    EXPECT_EQ(file.lookup("ção"), "ção");
    EXPECT_EQ(file.lookup("łódź"), "łódź");
    EXPECT_EQ(file.lookup("σω"), "σω");
    EXPECT_EQ(foldCase("Ёлка ÿŸ"), "ёлка ÿÿ");
}

TEST(LanguageFileTest, ALeadingByteOrderMarkIsNoPartOfTheFirstText) {
    LanguageFile file = LanguageFile::parse("\xEF\xBB\xBF&Help=&Ajuda\n");
    EXPECT_EQ(file.lookup("&Help"), "&Ajuda");
}

TEST(LanguageFileTest, LoadReadsTheFileAndReportsAMissingOne) {
    test::TempDir dir;
    test::writeFile(dir.file("deu.lng"), "&Help=&Hilfe\r\n&Close=&Beenden");
    EXPECT_EQ(LanguageFile::load(dir.file("deu.lng")).lookup("&Close"), "&Beenden");
    try {
        LanguageFile::load(dir.file("ru.lng"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot open file \"" + dir.file("ru.lng") + "\". No such file or directory");
    }
    EXPECT_THROW(LanguageFile::load(dir.path()), Error);
}

// Parsing takes any bytes: random input never breaks it, and every line's source finds the translation of
// the first sorted line with that source.
TEST(LanguageFileTest, RandomInputParsesAndLooksUpConsistently) {
    std::mt19937 random(20261207);
    const std::string alphabet = "aA=\r\n \xC3\x84\xC3\xA4\xD0\x94\xD0\xB4\xC3\xFF\x80=b";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        size_t length = random() % 64;
        for (size_t i = 0; i < length; ++i)
            text += round % 2 == 0 ? alphabet[random() % alphabet.size()] : static_cast<char>(random() % 256);
        LanguageFile file = LanguageFile::parse(text);
        for (const std::string& line : file.sortedLines()) {
            size_t equals = line.find('=');
            if (equals == std::string::npos || equals == 0)
                continue;
            std::string source = line.substr(0, equals);
            std::string expected;
            for (const std::string& candidate : file.sortedLines()) {
                size_t split = candidate.find('=');
                if (split != std::string::npos && foldCase(candidate.substr(0, split)) == foldCase(source)) {
                    expected = candidate.substr(split + 1);
                    break;
                }
            }
            ASSERT_EQ(file.lookup(source), expected) << "input of round " << round;
        }
    }
}

// The shipped files keep the texts that are settings keys or compared by the jobs, and give start-up's
// text of LbInfo.
TEST(LanguageFileTest, ShippedFilesKeepKeysAndAgreeWithStartup) {
    std::vector<std::string> kept = {"LOCAL",
                                     "TCP/IP",
                                     "Novell IPX/SPX",
                                     "NetBEUI"};
    for (int hour = 0; hour < 24; ++hour)
        kept.push_back((hour < 10 ? "0" : "") + std::to_string(hour) + ":00");
    for (const LanguageChoice& choice : languageChoices())
        kept.push_back(choice.caption);
    for (const LanguageChoice& choice : languageChoices()) {
        SCOPED_TRACE(choice.file);
        LanguageFile file = LanguageFile::load(std::string(test::kSourceDir) + "/Lang/" + choice.file);
        for (const std::string& text : kept)
            EXPECT_EQ(file.lookup(text), text);
        EXPECT_EQ(file.lookup("There is no Today Scheduled Backup!"), choice.noBackupToday);
        // The build copies the files beside the executables.
        EXPECT_TRUE(std::filesystem::exists(std::string(test::kBinaryDir) + "/Lang/" + choice.file));
    }
}

} // namespace
} // namespace tervolen
