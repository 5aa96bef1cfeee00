#include "qt_application.h"
#include "ui/led_widget.h"
#include "ui/monitor_view.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace tervolen {
namespace {

using test::waitFor;

// How far a pixel is from the white background, 0..255.
int ink(QRgb pixel) {
    return 255 - std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

// Antialiased text mixes the text colour with the white background: every inked pixel must lie on the
// line from white to the paragraph's colour.
::testing::AssertionResult inkHasColour(const QImage& image, const QRect& rect, Color color) {
    QColor expected(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    int strongest = std::max({255 - expected.red(), 255 - expected.green(), 255 - expected.blue()});
    int inked = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            QRgb pixel = image.pixel(x, y);
            if (ink(pixel) < 60)
                continue;
            ++inked;
            double t = ink(pixel) / static_cast<double>(strongest);
            auto mix = [t](int channel) { return 255 - t * (255 - channel); };
            if (std::abs(qRed(pixel) - mix(expected.red())) > 40 ||
                std::abs(qGreen(pixel) - mix(expected.green())) > 40 ||
                std::abs(qBlue(pixel) - mix(expected.blue())) > 40)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << QColor(pixel).name().toStdString() << ", text colour "
                       << expected.name().toStdString();
        }
    }
    if (inked < 10)
        return ::testing::AssertionFailure() << "no text painted in the paragraph";
    return ::testing::AssertionSuccess();
}

// Height of the rows that hold ink.
int inkHeight(const QImage& image, const QRect& rect) {
    int top = -1;
    int bottom = -1;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (ink(image.pixel(x, y)) >= 60) {
                top = top < 0 ? y : top;
                bottom = y;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

class MonitorViewTest : public ::testing::Test {
protected:
    MonitorViewTest() : view(log) {
        view.resize(356, 300);
        view.show();
    }

    QScrollBar* bar() { return view.verticalScrollBar(); }

    bool lastParagraphInSight() {
        QRect rect = view.paragraphRect(log.size() - 1);
        return rect.isValid() && rect.bottom() < view.viewport()->height();
    }

    void appendNumbered(size_t count) {
        for (size_t i = 0; i < count; ++i)
            log.appendOutputLine("gbak:    " + std::to_string(i) + " records written");
    }

    MonitorLog log;
    MonitorView view;
};

TEST_F(MonitorViewTest, IsTheReadOnlyStatusAreaWithAVerticalScrollBar) {
    EXPECT_EQ(view.objectName(), "reStatus");
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(view.paragraphFont(8).family(), "Verdana");
    EXPECT_EQ(view.paragraphFont(10).pointSize(), 10);
}

TEST_F(MonitorViewTest, ParagraphsKeepTheirColoursAndSizes) {
    log.appendOutputLine("Plain line in the area's own font");
    log.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    log.addMonitorLine("Started Backup at Saturday, December 9, 2006, 15:30:12 hour", kGreen, kMonitorLineSize);
    log.appendOutputLine("gbak:readied database for backup");
    log.addMonitorLine("Processing Please Wait...", kNavy, kMonitorLineSize);
    log.addMonitorLine("Error Code 0001A Internal System \rFrmPrincipal.Backup:", kRed, kMonitorLineSize);
    ASSERT_TRUE(waitFor([&] { return view.paragraphRect(log.size() - 1).isValid(); }));

    QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(log.paragraph(i).text);
        QRect rect = view.paragraphRect(i);
        ASSERT_TRUE(rect.isValid());
        EXPECT_TRUE(inkHasColour(image, rect.intersected(image.rect()), log.paragraph(i).color));
    }
    QRect small = view.paragraphRect(0);
    QRect large = view.paragraphRect(3);
    EXPECT_LT(small.height(), large.height());
    EXPECT_LT(inkHeight(image, small), inkHeight(image, large));
}

TEST_F(MonitorViewTest, FollowsTheEndWhileLinesComeUnlessScrolledAway) {
    appendNumbered(1000);
    ASSERT_TRUE(waitFor([&] { return bar()->maximum() > 0; }));
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_TRUE(lastParagraphInSight());

    bar()->setValue(0);
    EXPECT_FALSE(view.followsEnd());
    appendNumbered(100);
    view.refresh();
    EXPECT_EQ(view.firstVisibleParagraph(), 0u);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_FALSE(lastParagraphInSight());

    bar()->setValue(bar()->maximum());
    EXPECT_TRUE(view.followsEnd());
    appendNumbered(10);
    view.refresh();
    EXPECT_EQ(bar()->maximum(), static_cast<int>(view.firstVisibleParagraph()));
    EXPECT_TRUE(lastParagraphInSight());
}

TEST_F(MonitorViewTest, ScrolledAwayViewKeepsItsLinesWhenTheLogIsTrimmedOrGetsAFirstLine) {
    for (size_t i = 0; i < kMaxMonitorParagraphs; ++i)
        log.appendOutputLine(std::to_string(i));
    view.refresh();
    bar()->setValue(100);

    log.appendOutputLine("trims one");
    log.insertFirstLine("ERROR: inserted");
    view.refresh();

    EXPECT_EQ(log.paragraph(view.firstVisibleParagraph()).text, "100");
    EXPECT_EQ(bar()->value(), static_cast<int>(view.firstVisibleParagraph()));
    EXPECT_FALSE(view.followsEnd());
}

TEST_F(MonitorViewTest, ClearEmptiesTheView) {
    appendNumbered(500);
    view.refresh();
    bar()->setValue(3);

    log.clearMonitor();
    view.refresh();
    EXPECT_EQ(bar()->maximum(), 0);
    EXPECT_FALSE(view.paragraphRect(0).isValid());

    appendNumbered(500);
    view.refresh();
    EXPECT_TRUE(lastParagraphInSight());
}

TEST_F(MonitorViewTest, SelectedParagraphsAreCopied) {
    log.addMonitorLine("first", kFuchsia, 10);
    log.addMonitorLine("second", kGreen, 10);
    log.addMonitorLine("third", kRed, 10);
    view.refresh();
    QPointF from = view.paragraphRect(1).center();
    QPointF to = view.paragraphRect(2).center();

    QMouseEvent press(QEvent::MouseButtonPress, from, view.viewport()->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &press);
    QMouseEvent move(QEvent::MouseMove, to, view.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&view, &copy);

    EXPECT_EQ(QApplication::clipboard()->text(), "second\nthird");

    view.selectAll();
    view.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "first\nsecond\nthird");
}

TEST(LedWidgetTest, ShowsTheLampOfTheLog) {
    MonitorLog log;
    LedWidget led(log);
    led.resize(16, 16);
    EXPECT_EQ(led.objectName(), "LED");
    EXPECT_EQ(led.color(), QColor(128, 255, 0));
    EXPECT_EQ(led.grab().toImage().pixelColor(8, 8), QColor(128, 255, 0));

    log.setLed(false);
    EXPECT_EQ(led.color(), QColor(255, 0, 0));
    EXPECT_EQ(led.grab().toImage().pixelColor(8, 8), QColor(255, 0, 0));
}

} // namespace
} // namespace tervolen
