#include "core/language_file.h"
#include "cut_off_texts.h"
#include "qt_application.h"
#include "scripted_dialogs.h"
#include "core/monitor_log.h"
#include "test_config.h"
#include "ui/about_box.h"
#include "ui/main_window.h"

#include "core/memory_status.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

namespace tervolen {
namespace {

const std::string kVersion = std::string(EXPECTED_VERSION).empty() ? "Unstable" : EXPECTED_VERSION;

class AboutBoxTest : public ::testing::Test {
protected:
    QString text(AboutBox& box, const char* name) { return box.findChild<QLabel*>(name)->text(); }

    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs};
};

TEST_F(AboutBoxTest, ShowsNameVersionDescriptionAndMemoryFigures) {
    AboutBox box(window);
    EXPECT_EQ(box.objectName(), "FrmSobre");
    EXPECT_EQ(box.windowTitle(), "Tervolen - About");
    EXPECT_EQ(box.parent(), &window);
    EXPECT_EQ(box.minimumSize(), QSize(346, 290));
    EXPECT_EQ(box.size(), QSize(346, 290)) << "English fits its design size";
    EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(box.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(text(box, "JvLabel1").toStdString(), "Tervolen " + kVersion);
    EXPECT_EQ(text(box, "Label1"), "A Definitive Tool for InterBase and Firebird Backups");
    EXPECT_FALSE(box.findChild<QLabel*>("Image")->pixmap().isNull());
    EXPECT_TRUE(QRegularExpression("^Free Memory Resources [0-9.]+ [MG]iB$").match(text(box, "LbFreeMem")).hasMatch())
        << text(box, "LbFreeMem").toStdString();
    EXPECT_EQ(text(box, "LbTotalMemory"), "Total Physical Memory " + memorySize(readMemoryStatus().totalPhysical));
    EXPECT_TRUE(box.credits().lines().contains("Tervolen"));
}

TEST_F(AboutBoxTest, OpensCentredOnTheMainWindow) {
    window.move(200, 150);
    window.show();
    AboutBox box(window);
    QPoint centre = box.pos() + QPoint(box.width() / 2, box.height() / 2);
    EXPECT_LE((centre - window.frameGeometry().center()).manhattanLength(), 2);
}

TEST_F(AboutBoxTest, CreditsScrollUpEverySixtyMillisecondsAndStartAgainFromTheBottom) {
    AboutBox box(window);
    box.show();
    QCoreApplication::processEvents();
    ScrollingCredits& credits = box.credits();
    EXPECT_EQ(credits.objectName(), "SP");
    EXPECT_EQ(credits.timer().interval(), 60);
    EXPECT_TRUE(credits.timer().isActive());
    EXPECT_EQ(credits.textTop(), ScrollingCredits::kStartTop);
    credits.step();
    EXPECT_EQ(credits.textTop(), ScrollingCredits::kStartTop - 1);
    while (credits.textTop() + credits.textHeight() > 0)
        credits.step();
    credits.step();
    EXPECT_EQ(credits.textTop(), credits.height()) << "the text comes in again at the bottom";
    credits.step();
    EXPECT_EQ(credits.textTop(), credits.height() - 1);
}

TEST_F(AboutBoxTest, GrowsToTextsLongerThanItsDesignSizeAndCutsNone) {
    AboutBox box(window, [](const std::string& text) { return text.empty() ? text : text + " " + text + " " + text; });
    box.show();
    QCoreApplication::processEvents();
    EXPECT_GE(box.width(), AboutBox::kClientWidth);
    EXPECT_GE(box.height(), AboutBox::kClientHeight);
    EXPECT_EQ(test::cutOffTexts(box), std::set<std::string>{});
}

TEST_F(AboutBoxTest, ShowsTheLanguageOfTheWindow) {
    for (const char* file : {"ptbr.lng", "deu.lng", "span.lng", "ru.lng"}) {
        SCOPED_TRACE(file);
        LanguageFile language = LanguageFile::load(std::string(test::kBinaryDir) + "/Lang/" + file);
        AboutBox box(window, [&](const std::string& text) { return language.lookup(text); });
        EXPECT_NE(box.windowTitle(), "Tervolen - About");
        EXPECT_EQ(box.windowTitle().toStdString(), language.lookup("Tervolen - About"));
        EXPECT_EQ(text(box, "Label1").toStdString(),
                  language.lookup("A Definitive Tool for InterBase and Firebird Backups"));
        QString prefix = QString::fromStdString(language.lookup("Free Memory Resources "));
        EXPECT_NE(prefix, "Free Memory Resources ");
        EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(prefix) + "[0-9.,]+ [MG]iB$")
                        .match(text(box, "LbFreeMem"))
                        .hasMatch());
        EXPECT_TRUE(box.credits().lines().contains(QString::fromStdString(language.lookup("Thanks to"))));
        box.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(test::cutOffTexts(box), std::set<std::string>{});
    }
}

TEST(AboutBoxMemory, FiguresAreInMebiOrGibibytesInTheLocalesNumberFormat) {
    const struct {
        const char* locale;
        std::uint64_t bytes;
        const char* shown;
    } cases[] = {
        {"en_US", 24420515840, "22.7 GiB"},
        {"de_DE", 24420515840, "22,7 GiB"},
        {"en_US", 524288000, "500.0 MiB"},
        {"pt_BR", 1610612736, "1,5 GiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        QLocale::setDefault(QLocale(c.locale));
        EXPECT_EQ(memorySize(c.bytes).toStdString(), c.shown);
    }
    QLocale::setDefault(QLocale::system());
}

TEST_F(AboutBoxTest, TheCloseButtonAndEscapeCloseTheBox) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Close");
        bool closed = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            auto* close = box->findChild<QPushButton*>("BtnAboutClose");
            ASSERT_NE(close, nullptr);
            EXPECT_EQ(close->text(), "Cl&ose");
            EXPECT_TRUE(close->isVisible());
            if (escape) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(box, &key);
            } else {
                close->click();
            }
            closed = !box->isVisible();
            if (!closed)
                box->reject();
        });
        lbAboutClick(window, {});
        EXPECT_TRUE(closed);
    }
}

TEST_F(AboutBoxTest, OpensModallyOwnedByTheWindowAndIsGoneWhenClosed) {
    QString shown;
    bool modal = false;
    QObject* owner = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        shown = box->objectName();
        modal = box->isModal();
        owner = box->parent();
        box->close();
    });
    lbAboutClick(window, {});
    EXPECT_EQ(shown, "FrmSobre");
    EXPECT_TRUE(modal);
    EXPECT_EQ(owner, &window);
    EXPECT_EQ(window.findChild<AboutBox*>(), nullptr);
}

} // namespace
} // namespace tervolen
