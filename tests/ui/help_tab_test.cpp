#include "app/program.h"
#include "core/monitor_log.h"
#include "fixed_clock.h"
#include "qt_application.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "ui/desktop_url.h"
#include "ui/link_label.h"
#include "ui/main_window.h"

#include <QDesktopServices>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

namespace tervolen {
namespace {

// Takes the place of the desktop's handlers of the schemes the Help tab opens.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder() {
        for (const char* scheme : kSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "record");
    }
    ~UrlRecorder() override {
        for (const char* scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QStringList urls;

public slots:
    void record(const QUrl& url) { urls << url.toString(); }

private:
    static constexpr const char* kSchemes[] = {"https", "file", "man"};
};

// Pixels between the lowest row of the Help tab and the page tabs.
constexpr int kClearance = 4;

class HelpTabTest : public ::testing::Test {
protected:
    void start(const std::string& exeDir) {
        Program::Options options;
        options.registerAutostart = false;
        options.openUrl = &openWithDesktop;
        options.executableDir = exeDir;
        program = std::make_unique<Program>(window.formState(), dialogs, monitor, paths, clock, [] {},
                                            std::move(options));
        program->startup();
    }
    void click(const char* name) { window.findChild<LinkLabel*>(name)->click(); }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs};
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    test::FixedClock clock;
    std::unique_ptr<Program> program;
    UrlRecorder recorder;
};

TEST_F(HelpTabTest, EachGetEntryOpensItsWebPage) {
    start(dir.path());
    for (const char* name : {"LbGetInterBase", "LbGetInterBaseFree", "LbGetFirebird"}) {
        EXPECT_TRUE(window.findChild<LinkLabel*>(name)->isLink()) << name;
        click(name);
    }
    EXPECT_EQ(recorder.urls, (QStringList{"https://www.embarcadero.com/products/interbase",
                                          "https://www.embarcadero.com/products/interbase/developer",
                                          "https://firebirdsql.org/en/downloads/"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

// An installed program (<prefix>/bin) opens its manual page, one run from its source tree (<tree>/build) the
// README; the manual page wins where both exist.
TEST_F(HelpTabTest, HelpTopicsOpensTheInstalledManualPageOrTheReadme) {
    const std::filesystem::path root = dir.file("my tree #1");
    std::filesystem::create_directories(root / "bin");
    start((root / "bin").string());
    click("LbHelpTopic");
    EXPECT_TRUE(recorder.urls.isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "No manual found: neither " + (root / "share/man/man1/tervolen.1.gz").string() +
                                         " nor " + (root / "README.md").string() + " exists.");

    test::writeFile((root / "README.md").string(), "# Tervolen\n");
    click("LbHelpTopic");
    ASSERT_EQ(recorder.urls.size(), 1);
    const QUrl readme(recorder.urls[0]);
    EXPECT_EQ(readme.scheme(), "file");
    EXPECT_EQ(readme.toLocalFile().toStdString(), (root / "README.md").string());

    std::filesystem::create_directories(root / "share/man/man1");
    test::writeFile((root / "share/man/man1/tervolen.1.gz").string(), "page");
    click("LbHelpTopic");
    ASSERT_EQ(recorder.urls.size(), 2);
    EXPECT_EQ(recorder.urls[1], "man:tervolen(1)");
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(HelpTabTest, AUrlThatNoProgramTakesIsReported) {
    Program::Options options;
    options.registerAutostart = false;
    options.openUrl = [](const std::string&) { return false; };
    Program refusing(window.formState(), dialogs, monitor, paths, clock, [] {}, std::move(options));
    click("LbGetFirebird");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "No program opens https://firebirdsql.org/en/downloads/.");
}

// The Help tab's two rows fit its strip and stay clear of the page tabs below it, in the design font and in a font
// twice its size (a large desktop font).
TEST_F(HelpTabTest, TheSecondRowOfTheHelpTabStaysClearOfThePageTabs) {
    window.show();
    auto* strip = window.findChild<QTabWidget*>("JvgPageControl2");
    strip->setCurrentIndex(2);
    const QList<LinkLabel*> labels = strip->widget(2)->findChildren<LinkLabel*>();
    ASSERT_EQ(labels.size(), 5);
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        for (LinkLabel* label : labels) {
            QFont font = label->font();
            font.setPointSize(font.pointSize() * scale);
            label->setFont(font);
        }
        // Each level of layouts takes its own turn of the event loop.
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();
        const int tabsTop = window.pageControl().tabBar()->mapTo(&window, QPoint(0, 0)).y();
        for (LinkLabel* label : labels) {
            SCOPED_TRACE(label->objectName().toStdString());
            const QRect inWindow(label->mapTo(&window, QPoint(0, 0)), label->size());
            EXPECT_LE(inWindow.bottom() + kClearance, tabsTop);
            EXPECT_TRUE(strip->rect().contains(QRect(label->mapTo(strip, QPoint(0, 0)), label->size())));
            EXPECT_GE(label->height(), label->sizeHint().height());
        }
    }
}

} // namespace
} // namespace tervolen

#include "help_tab_test.moc"
