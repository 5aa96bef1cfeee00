#include "app/program.h"
#include "core/form_design.h"
#include "core/language_choice.h"
#include "core/settings_file.h"
#include "cut_off_texts.h"
#include "fixed_clock.h"
#include "qt_application.h"
#include "scripted_dialogs.h"
#include "core/monitor_log.h"
#include "temp_dir.h"
#include "test_config.h"
#include "ui/language_loader.h"
#include "ui/main_window.h"
#include "ui/roll_out.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace tervolen {
namespace {

using Texts = std::map<std::string, std::string>;

const std::string kLangFolder = std::string(test::kBinaryDir) + "/Lang";
const char* const kFiles[] = {"enusa.lng", "ptbr.lng", "deu.lng", "span.lng", "ru.lng"};

// The object's place below root: object names, or class name and position where an object has none.
std::string objectPath(QObject& object, QObject& root) {
    std::string path;
    for (QObject* at = &object; at != &root && at != nullptr; at = at->parent()) {
        std::string segment = at->objectName().toStdString();
        if (segment.empty()) {
            segment = at->metaObject()->className();
            if (at->parent() != nullptr)
                segment += "#" + std::to_string(at->parent()->children().indexOf(at));
        }
        path = "/" + segment + path;
    }
    return path;
}

// Every translatable text below root, by its place.
Texts translatableTexts(QObject& root) {
    Texts texts;
    forEachTranslatableText(root, [&](QObject& owner, QStringView what, const QString& text) {
        texts[objectPath(owner, root) + " " + what.toString().toStdString()] = text.toStdString();
        return text;
    });
    return texts;
}

Texts changedTexts(const Texts& before, const Texts& after) {
    Texts changed;
    for (const auto& [place, text] : after)
        if (!before.contains(place) || before.at(place) != text)
            changed[place] = text;
    return changed;
}

std::string str(std::string_view text) {
    return std::string(text);
}

// Texts that stay as they are in every language: settings keys, compared items and names.
std::set<std::string> keptTexts() {
    std::set<std::string> kept = {"Ok", "OK", "+", "-", "FTP: ", "Tervolen"};
    for (const char* name : {"clbHorarios", "CB_Protocol", "CB_ChooseSGDBVer", "CB_BkpExt", "CBCompMetho",
                             "CBFTPSecurity", "LabeledEdPageSize"})
        for (std::string_view item : findControlDesign(name)->items)
            kept.insert(str(item));
    for (const LanguageChoice& choice : languageChoices())
        kept.insert(choice.caption);
    // Sample hosts, addresses and ports shown in empty fields.
    for (const ControlDesign& design : mainWindowDesign())
        if (!design.placeholder.empty())
            kept.insert(str(design.placeholder));
    return kept;
}

class LanguageWindowTest : public ::testing::Test {
protected:
    template <typename T = QObject> T* find(const char* name) { return window.findChild<T*>(name); }
    bool load(const std::string& file, const std::string& folder = kLangFolder) {
        return loadLanguageFile(window, folder, file, dialogs);
    }
    // Every control shows its design caption, items, hint and field label.
    void expectDesignTexts() {
        for (const ControlDesign& design : mainWindowDesign()) {
            SCOPED_TRACE(str(design.name));
            const QString name = QString::fromUtf8(design.name.data(), design.name.size());
            if (design.kind != ControlKind::Lamp && design.kind != ControlKind::RichText &&
                design.kind != ControlKind::CheckList && design.kind != ControlKind::ListView) {
                EXPECT_EQ(form.text(design.name), str(design.text));
            }
            for (size_t i = 0; i < design.items.size(); ++i)
                EXPECT_EQ(form.itemText(design.name, static_cast<int>(i)), str(design.items[i]));
            if (auto* widget = window.findChild<QWidget*>(name)) {
                EXPECT_EQ(widget->toolTip().toStdString(), str(design.hint));
            }
            if (!design.label.empty()) {
                EXPECT_EQ(window.findChild<QLabel*>(name + "Label")->text().toStdString(), str(design.label));
            }
        }
    }

    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs};
    FormState& form = window.formState();
    test::TempDir dir;
};

TEST_F(LanguageWindowTest, AOneLineFileChangesTheLabelAndTheTrayEntryAndNothingElse) {
    test::writeFile(dir.file("one.lng"), "Start &Backup=&Backup jetzt");
    Texts before = translatableTexts(window);
    ASSERT_TRUE(load("one.lng", dir.path()));
    Texts changed = changedTexts(before, translatableTexts(window));
    ASSERT_EQ(changed.size(), 2u);
    for (const auto& [place, text] : changed) {
        EXPECT_TRUE(place.ends_with("/LbStartBackup text") || place == "/PopupMenu/StartBackup1 text") << place;
        EXPECT_EQ(text, "&Backup jetzt");
    }
    EXPECT_EQ(form.text("LbStartBackup"), "&Backup jetzt");
    EXPECT_EQ(form.text("StartBackup1"), "&Backup jetzt");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(LanguageWindowTest, TheLineSortingFirstWinsAndATrailingBlankMatchesOnlyItself) {
    test::writeFile(dir.file("case.lng"), "Start &Backup=Second\nstart &backup=First\n"
                                          "Restore Options:=Without blank\nSchedules: =With blank\n"
                                          "Restore Options: =Mit Leerzeichen\n");
    ASSERT_TRUE(load("case.lng", dir.path()));
    EXPECT_EQ(form.text("LbStartBackup"), "First");
    EXPECT_EQ(form.text("GroupRestoreOptions"), "Mit Leerzeichen");
    EXPECT_EQ(form.text("GroupSchedules"), "Schedules:");
}

TEST_F(LanguageWindowTest, EachKindOfCaptionIsTranslatedOnceAndDataIsLeftAlone) {
    QWidget root;
    auto* label = new QLabel("Label", &root);
    auto* button = new QPushButton("Button", &root);
    button->setToolTip("Tip");
    auto* group = new QGroupBox("Group", &root);
    auto* tabs = new QTabWidget(&root);
    tabs->addTab(new QWidget, "Tab");
    auto* combo = new QComboBox(&root);
    combo->setEditable(true);
    combo->addItems({"Item", "Other"});
    auto* list = new QListWidget(&root);
    list->addItem("Item");
    auto* tree = new QTreeWidget(&root);
    tree->setHeaderLabels({"Column"});
    auto* node = new QTreeWidgetItem(tree, QStringList{"Node"});
    new QTreeWidgetItem(node, QStringList{"Item"});
    auto* table = new QTableWidget(1, 1, &root);
    table->setHorizontalHeaderItem(0, new QTableWidgetItem("Column"));
    table->setItem(0, 0, new QTableWidgetItem("Item"));
    auto* edit = new QLineEdit("Item", &root);
    edit->setPlaceholderText("Hint");
    auto* menu = new QMenu("Menu", &root);
    QAction* action = menu->addAction("Action");
    auto* tray = new QSystemTrayIcon(&root);
    tray->setToolTip("Tip");
    auto* hidden = new QLabel("Label", &root);
    hidden->setObjectName("SysInfoEx");
    new QLabel("Label", hidden);

    // A second lookup of a translated text would turn it into "Wrong".
    translateComponent(root, LanguageFile::parse("Label=Beschriftung\nButton=Knopf\nTip=Hinweis\nGroup=Gruppe\n"
                                                 "Tab=Reiter\nItem=Eintrag\nColumn=Spalte\nNode=Knoten\n"
                                                 "Hint=Platzhalter\nMenu=Menü\nAction=Befehl\n"
                                                 "Beschriftung=Wrong\nReiter=Wrong\nMenü=Wrong\nEintrag=Wrong\n"));
    EXPECT_EQ(label->text(), "Beschriftung");
    EXPECT_EQ(button->text(), "Knopf");
    EXPECT_EQ(button->toolTip(), "Hinweis");
    EXPECT_EQ(group->title(), "Gruppe");
    EXPECT_EQ(tabs->tabText(0), "Reiter");
    EXPECT_EQ(combo->itemText(0), "Eintrag");
    EXPECT_EQ(combo->currentText(), "Eintrag") << "the chosen item shows its new text";
    EXPECT_EQ(list->item(0)->text(), "Eintrag");
    EXPECT_EQ(tree->headerItem()->text(0), "Spalte");
    EXPECT_EQ(node->text(0), "Knoten");
    EXPECT_EQ(node->child(0)->text(0), "Eintrag");
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "Spalte");
    EXPECT_EQ(table->item(0, 0)->text(), "Item") << "rows of a table are data";
    EXPECT_EQ(edit->text(), "Item") << "an edit's text is data";
    EXPECT_EQ(edit->placeholderText(), "Platzhalter");
    EXPECT_EQ(menu->title(), "Menü");
    EXPECT_EQ(action->text(), "Befehl");
    EXPECT_EQ(tray->toolTip(), "Hinweis");
    EXPECT_EQ(hidden->text(), "Label");
    EXPECT_EQ(hidden->findChild<QLabel*>()->text(), "Label");
    EXPECT_EQ(root.objectName(), "");
}

TEST_F(LanguageWindowTest, AMissingFileIsReportedAndChangesNothing) {
    Texts before = translatableTexts(window);
    EXPECT_FALSE(load("ru.lng", dir.path()));
    EXPECT_EQ(dialogs.texts("message"), std::vector<std::string>{"File not Found ru.lng Cannot open file \"" +
                                                                 dir.file("ru.lng") + "\". No such file or directory"});
    EXPECT_EQ(translatableTexts(window), before);
}

// Each language shows every caption translated, keeps the keys, and the way back to English restores the
// design texts.
TEST_F(LanguageWindowTest, ThroughAllLanguagesAndBackToEnglishEveryTextIsAsDesigned) {
    const Texts design = translatableTexts(window);
    const std::set<std::string> kept = keptTexts();
    // Texts that these languages write as English does.
    const std::set<std::string> same = {"&Monitor", "Port", "Port: ", "STARTTLS", "SSL/TLS"};
    for (const char* file : {"enusa.lng", "ptbr.lng", "deu.lng", "span.lng", "ru.lng", "enusa.lng"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(load(file));
        Texts now = translatableTexts(window);
        ASSERT_EQ(now.size(), design.size());
        for (const auto& [place, text] : design) {
            if (kept.contains(text)) {
                EXPECT_EQ(now[place], text) << place;
            } else if (std::string(file) != "enusa.lng" && !same.contains(text)) {
                EXPECT_NE(now[place], text) << place << " is not translated";
            }
        }
        for (const char* list : {"clbHorarios", "CB_Protocol"})
            for (int i = 0; i < form.itemCount(list); ++i)
                EXPECT_EQ(form.itemText(list, i), str(findControlDesign(list)->items[i])) << list;
    }
    EXPECT_EQ(translatableTexts(window), design);
    expectDesignTexts();
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(LanguageWindowTest, EachFileGivesTheSameTextsAfterAnyOtherLanguage) {
    for (const char* target : kFiles) {
        SCOPED_TRACE(target);
        test::ScriptedDialogs otherDialogs;
        MonitorLog otherMonitor;
        MainWindow fresh(otherMonitor, otherDialogs);
        ASSERT_TRUE(loadLanguageFile(fresh, kLangFolder, target, otherDialogs));
        const Texts expected = translatableTexts(fresh);
        for (const char* before : kFiles) {
            ASSERT_TRUE(load(before));
            ASSERT_TRUE(load(target));
            EXPECT_EQ(translatableTexts(window), expected) << "after " << before;
        }
    }
}

// The mnemonic letter of each caption that the window shows, by letter.
std::multimap<QChar, QString> shownMnemonics(QWidget& window) {
    std::multimap<QChar, QString> letters;
    auto add = [&](const QString& text) {
        const qsizetype at = text.indexOf(QRegularExpression("&[^&]"));
        if (at >= 0)
            letters.emplace(text[at + 1].toLower(), text);
    };
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(button->text());
        else if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && label->buddy() != nullptr)
            add(label->text());
        else if (auto* tabs = qobject_cast<QTabBar*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
    }
    return letters;
}

// Alt and a letter reach one control: no two captions shown together share their mnemonic, on any page, any
// tab of the command strip, with the basic options open or closed.
TEST_F(LanguageWindowTest, MnemonicsAreUniqueAmongTheCaptionsShownTogether) {
    window.show();
    // As the start-up does: the header's close button shows only its icon.
    form.setText("btnFechar", "");
    auto* strip = find<QTabWidget>("JvgPageControl2");
    auto* rollOut = find<RollOut>("RollOut");
    for (const char* file : kFiles) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(load(file));
        std::set<std::string> clashes;
        for (int tab = 0; tab < strip->count(); ++tab) {
            strip->setCurrentIndex(tab);
            for (int page = 0; page < 5; ++page) {
                form.setActivePage(page);
                for (bool expanded : {false, true}) {
                    rollOut->setExpanded(expanded);
                    QCoreApplication::processEvents();
                    const auto letters = shownMnemonics(window);
                    EXPECT_GE(letters.size(), 9u);
                    for (auto it = letters.begin(); it != letters.end(); ++it) {
                        auto next = std::next(it);
                        if (next != letters.end() && next->first == it->first)
                            clashes.insert(it->second.toStdString() + " / " + next->second.toStdString());
                    }
                }
            }
        }
        EXPECT_EQ(clashes, std::set<std::string>{});
    }
}

// Also run with QT_SCALE_FACTOR 1.5 and 2 on a screen of 1600 x 1000 pixels (see CMakeLists.txt).
TEST_F(LanguageWindowTest, NothingIsCutOffInAnyLanguageAtTheSmallestAndAtOneAndAHalfTimesThatSize) {
    window.show();
    form.setVisible("LbInfo", true);
    auto* strip = find<QTabWidget>("JvgPageControl2");
    auto* rollOut = find<RollOut>("RollOut");
    for (const char* file : kFiles) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(load(file));
        // The tab bars pass their new sizes up one posted layout request at a time.
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        const QSize smallest = window.minimumSize();
        for (QSize size : {smallest, smallest * 1.5}) {
            SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
            window.resize(size);
            std::set<std::string> cut;
            for (int tab = 0; tab < strip->count(); ++tab) {
                strip->setCurrentIndex(tab);
                for (int page = 0; page < 5; ++page) {
                    form.setActivePage(page);
                    for (bool expanded : {false, true}) {
                        rollOut->setExpanded(expanded);
                        QCoreApplication::processEvents();
                        EXPECT_EQ(window.size(), size);
                        cut.merge(test::cutOffTexts(window));
                    }
                }
            }
            EXPECT_EQ(cut, std::set<std::string>{});
        }
    }
}

TEST_F(LanguageWindowTest, TheWindowFitsTheScreenWithEveryPageAtItsSmallestSize) {
    window.show();
    QCoreApplication::processEvents();
    const QSize free = window.screen()->availableSize();
    EXPECT_LE(window.minimumSize().width(), free.width());
    EXPECT_LE(window.minimumSize().height(), free.height());
    EXPECT_EQ(window.size(), window.minimumSize());
    auto* pages = find<QTabWidget>("PageControl");
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QCoreApplication::processEvents();
        EXPECT_GE(pages->widget(i)->height(), pages->widget(i)->minimumSizeHint().height()) << i;
        EXPECT_GE(pages->widget(i)->width(), pages->widget(i)->minimumSizeHint().width()) << i;
    }
}

// The window with the program's logic and the language loader, as the GUI entry point puts them together.
class LanguageProgramTest : public LanguageWindowTest {
protected:
    void SetUp() override { clock.set(2026, 12, 7, 1, 30); }

    Program& start(const std::string& langFolder = kLangFolder) {
        loader = std::make_unique<LanguageLoader>(window, langFolder, dialogs);
        Program::Options options;
        options.registerAutostart = false;
        options.applyLanguageFile = [this](const std::string& file) { loader->apply(file); };
        program = std::make_unique<Program>(
            form, dialogs, monitor, paths, clock, [] {}, std::move(options));
        program->startup();
        return *program;
    }
    void click(const char* control) { find<QAbstractButton>(control)->click(); }
    std::string stored(const char* section, const char* key) {
        return SettingsFile::openSettings(paths.settingsFile).readText(section, key, "");
    }

    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    test::FixedClock clock;
    std::unique_ptr<LanguageLoader> loader;
    std::unique_ptr<Program> program;
};

TEST_F(LanguageProgramTest, GermanChosenIsShownRememberedAndAppliedAtTheNextStart) {
    start();
    click("LbDeu");
    EXPECT_EQ(form.text("LbStartBackup"), "Sicherung sta&rten");
    EXPECT_EQ(form.text("TabSchedule"), "&Zeitplan");
    EXPECT_EQ(stored("LANG", "SetLang"), form.text("LbDeu"));
    EXPECT_EQ(stored("LANG", "SetLang"), "&Deutsche");
    EXPECT_EQ(loader->translate("Free Memory Resources "), "Freier Arbeitsspeicher ");

    test::ScriptedDialogs nextDialogs;
    MonitorLog nextMonitor;
    MainWindow next(nextMonitor, nextDialogs);
    LanguageLoader nextLoader(next, kLangFolder, nextDialogs);
    Program::Options options;
    options.registerAutostart = false;
    options.applyLanguageFile = [&](const std::string& file) { nextLoader.apply(file); };
    Program nextProgram(
        next.formState(), nextDialogs, nextMonitor, paths, clock, [] {}, std::move(options));
    nextProgram.startup();
    EXPECT_EQ(next.formState().text("LbStartBackup"), "Sicherung sta&rten");
    EXPECT_EQ(next.formState().text("LbInfo"), "Für heute ist keine Sicherung geplant!");
    EXPECT_TRUE(nextDialogs.shown.empty());
}

TEST_F(LanguageProgramTest, AMissingFileIsReportedAndTheChoiceStillRemembered) {
    std::filesystem::create_directory(dir.file("Lang"));
    for (const char* file : {"enusa.lng", "deu.lng"})
        std::filesystem::copy_file(kLangFolder + "/" + file, dir.file("Lang/") + file);
    start(dir.file("Lang"));
    click("LbDeu");
    Texts german = translatableTexts(window);
    click("LbRus");
    EXPECT_EQ(dialogs.texts("message"),
              std::vector<std::string>{"File not Found ru.lng Cannot open file \"" + dir.file("Lang/ru.lng") +
                                       "\". No such file or directory"});
    EXPECT_EQ(translatableTexts(window), german);
    EXPECT_EQ(stored("LANG", "SetLang"), "&Rusky");
    EXPECT_EQ(loader->translate("Thanks to"), "Dank an") << "the language shown stays the current one";
}

// The hours, the weekdays' keys and the protocol do not depend on the language: a schedule saved in German
// still fires in Russian.
TEST_F(LanguageProgramTest, AScheduleSavedInGermanFiresInRussian) {
    start();
    click("LbDeu");
    form.setItemChecked("clbSemana", 1, true); // Montag
    int hour = -1;
    for (int i = 0; i < form.itemCount("clbHorarios"); ++i)
        if (form.itemText("clbHorarios", i) == "02:00")
            hour = i;
    ASSERT_GE(hour, 0);
    form.setItemChecked("clbHorarios", hour, true);
    for (auto [control, text] : {std::pair{"CB_ChooseSGDBVer", "Firebird 2.0.x"},
                                 {"CB_Protocol", "TCP/IP"},
                                 {"EdServerName", "localhost"},
                                 {"ClientLibFilenameEdit", "/nonexistent/libfbclient.so"},
                                 {"EdUserName", "SYSDBA"},
                                 {"EdPswd", "masterkey"},
                                 {"CB_BkpExt", ".fbk"},
                                 {"eBase", "/data/sales.fdb"}})
        form.setText(control, text);
    form.setText("eDirBackup", dir.file("backups"));
    form.setChecked("ChkBoxCompress", false);
    click("TranspButOkSchedule");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(stored("HOURS", "02:00"), "1");
    EXPECT_EQ(stored("DAYS", "Monday"), "1");

    click("LbRus");
    EXPECT_EQ(form.text("TabSchedule"), "&График");
    EXPECT_EQ(form.text("CB_Protocol"), "TCP/IP");
    clock.set(2026, 12, 7, 2, 0);
    program->onScheduleTick();
    std::vector<std::string> lines;
    for (size_t i = 0; i < monitor.size(); ++i)
        lines.push_back(monitor.paragraph(i).text);
    ASSERT_FALSE(lines.empty()) << "no backup ran";
    EXPECT_EQ(lines[0], "=========== Started Backup ===========");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Invalid Protocol Name"), 0);
}

// The option lists show the language's texts while the settings file keeps the English keys: ticks stored before
// come back under any language, and a save in any language writes the same keys.
TEST_F(LanguageProgramTest, OptionListsAreTranslatedAndTheirTicksStayUnderTheEnglishKeys) {
    test::writeFile(paths.settingsFile, "[LISTABACKUP]\r\nIgnore Limbo=1\r\nNo Perform Garbage Collection=1\r\n"
                                        "[LISTARESTORE]\r\nReplace=1\r\nCreateNewDB=0\r\n"
                                        "[LANG]\r\nSetLang=&Deutsche\r\n");
    // The option lists' sections: the file keeps them ahead of the language's.
    const auto optionSections = [](const std::string& text) {
        const size_t begin = text.find("[LISTABACKUP]");
        return text.substr(begin, text.find("[LANG]") - begin);
    };
    start();
    const std::vector<std::pair<std::string, bool>> backup = {
        {"Prüfsummen übergehen", false}, {"Limbo-Transaktionen übergehen", true}, {"Nur Metadaten", false},
        {"Keine Speicherbereinigung", true}, {"Alte Metadatenbeschreibung", false},
        {"Nicht portierbare Sicherung", false}, {"Externe Tabellen in interne umwandeln", false}};
    ASSERT_EQ(form.itemCount("clListaBackup"), static_cast<int>(backup.size()));
    for (int i = 0; i < form.itemCount("clListaBackup"); ++i) {
        EXPECT_EQ(form.itemText("clListaBackup", i), backup[i].first);
        EXPECT_EQ(form.itemChecked("clListaBackup", i), backup[i].second) << backup[i].first;
    }
    EXPECT_EQ(form.itemText("clListaRestore", 4), "Ersetzen");
    for (int i = 0; i < form.itemCount("clListaRestore"); ++i)
        EXPECT_EQ(form.itemChecked("clListaRestore", i), i == 4) << form.itemText("clListaRestore", i);

    form.setItemChecked("clListaBackup", 0, true);
    form.setItemChecked("clListaRestore", 6, true);
    click("TranspButOKConfig");
    const std::string saved = test::readFile(paths.settingsFile);
    ASSERT_NE(saved.find("[LANG]"), std::string::npos);
    EXPECT_EQ(stored("LISTABACKUP", "Ignore Check Sums"), "1");
    EXPECT_EQ(stored("LISTABACKUP", "No Perform Garbage Collection"), "1");
    EXPECT_EQ(stored("LISTABACKUP", "Old Meta Data Desc"), "0");
    EXPECT_EQ(stored("LISTARESTORE", "Replace"), "1");
    EXPECT_EQ(stored("LISTARESTORE", "UseAllSpace"), "1");
    EXPECT_EQ(saved.find("Speicherbereinigung"), std::string::npos) << saved;

    for (const char* label : {"LbRus", "LbSpanol", "LbPort", "LbEng"}) {
        SCOPED_TRACE(label);
        click(label);
        EXPECT_NE(form.itemText("clListaBackup", 3), "Keine Speicherbereinigung");
        EXPECT_TRUE(form.itemChecked("clListaBackup", 3));
        click("TranspButOKConfig");
        const std::string now = test::readFile(paths.settingsFile);
        EXPECT_EQ(optionSections(now), optionSections(saved));
    }
    EXPECT_EQ(form.itemText("clListaBackup", 3), "No garbage collection");
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace tervolen
