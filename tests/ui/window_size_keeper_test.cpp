#include "core/settings_file.h"
#include "core/window_size.h"
#include "qt_application.h"
#include "temp_dir.h"
#include "ui/window_size_keeper.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tervolen {
namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class WindowSizeKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setMinimumSize(356, 512);
        window.resize(356, 512);
    }
    // The keeper's delay is 0 ms here: a turn of the event loop writes.
    void settle() {
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
    }

    test::TempDir dir;
    std::string settings = dir.file("tervolen.ini");
    QWidget window;
};

TEST_F(WindowSizeKeeperTest, AFileWithoutASizeStaysByteForByteWhileTheWindowKeepsItsFirstSize) {
    const std::string before = "[DATABASE]\r\nDBPath=/data/x.fdb\r\n";
    write(settings, before);
    {
        WindowSizeKeeper keeper(window, settings, 0);
        window.show();
        window.resize(356, 512);
        settle();
    }
    EXPECT_EQ(contents(settings), before);
    EXPECT_EQ(window.size(), QSize(356, 512));
}

TEST_F(WindowSizeKeeperTest, ANewSizeIsWrittenAndGivenToTheNextWindow) {
    write(settings, "[DATABASE]\r\nDBPath=/data/x.fdb\r\n");
    {
        WindowSizeKeeper keeper(window, settings, 0);
        window.show();
        window.resize(600, 700);
        settle();
        EXPECT_EQ(readWindowSize(settings), (WindowSize{600, 700}));
        window.resize(500, 650);
    }
    EXPECT_EQ(readWindowSize(settings), (WindowSize{500, 650})) << "the keeper's end writes what waits";
    EXPECT_EQ(SettingsFile::openSettings(settings).readText("DATABASE", "DBPath", ""), "/data/x.fdb");

    QWidget next;
    next.setMinimumSize(356, 512);
    next.resize(356, 512);
    WindowSizeKeeper keeper(next, settings, 0);
    EXPECT_EQ(next.size(), QSize(500, 650));
}

TEST_F(WindowSizeKeeperTest, AStoredSizeBelowTheMinimumOrNotANumberLeavesTheWindowUsable) {
    const struct {
        const char* width;
        const char* height;
        QSize expected;
    } cases[] = {
        {"100", "100", QSize(356, 512)}, {"900", "100", QSize(900, 512)}, {"wide", "700", QSize(356, 512)},
        {"-5", "700", QSize(356, 512)},  {"", "", QSize(356, 512)},       {"400", "600", QSize(400, 600)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.width) + "x" + c.height);
        write(settings, std::string("[WINDOW]\r\nWidth=") + c.width + "\r\nHeight=" + c.height + "\r\n");
        QWidget fresh;
        fresh.setMinimumSize(356, 512);
        fresh.resize(356, 512);
        WindowSizeKeeper keeper(fresh, settings, 0);
        EXPECT_EQ(fresh.size(), c.expected);
    }
}

} // namespace
} // namespace tervolen
