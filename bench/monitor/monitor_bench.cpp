// Monitor append benchmark. Appends gbak verbose lines to the Monitor through the real Monitor page,
// offscreen, letting the window process its events after every line as the backup job does, and prints
// lines per second for the first, middle and last quarter of the run, so that a slowdown as the log grows
// shows. The same run through a QTextEdit fed with a QTextCursor is measured beside it, on fewer lines,
// once as it is and once kept scrolled to the end as the Monitor is.
//
//   cmake -S bench/monitor -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target tervolen-monitor-bench
//   build-bench/tervolen-monitor-bench [lines (200000) [peer lines (20000)]]
#include "core/monitor_log.h"
#include "ui/monitor_page.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

using tervolen::MonitorLog;

// Lines as gbak -v writes them: per table a heading, progress counts and its indices.
std::vector<std::string> gbakLines(std::size_t count) {
    std::vector<std::string> lines;
    lines.reserve(count);
    for (std::size_t table = 0; lines.size() < count; ++table) {
        std::string name = "CUSTOMER_ORDERS_" + std::to_string(table);
        lines.push_back("gbak:writing data for table " + name);
        for (int records = 20000; records <= 200000 && lines.size() < count; records += 20000)
            lines.push_back("gbak:   " + std::to_string(records) + " records written");
        lines.push_back("gbak:    writing index RDB$PRIMARY" + std::to_string(table));
        lines.push_back("gbak:    writing index FK_" + name + "_ITEMS");
    }
    lines.resize(count);
    return lines;
}

qint64 threadCpuNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Runs append(i) for every line with events processed after each, and prints lines per second for the
// first, middle and last quarter of the lines and for the whole run: by the wall clock, and by the
// processor time of this thread, which other load on the machine disturbs less.
void measure(const char* title, std::size_t count, const std::function<void(std::size_t)>& append) {
    std::vector<qint64> wall(count + 1);
    std::vector<qint64> cpu(count + 1);
    QElapsedTimer timer;
    timer.start();
    for (std::size_t i = 0; i < count; ++i) {
        wall[i] = timer.nsecsElapsed();
        cpu[i] = threadCpuNanoseconds();
        append(i);
        QCoreApplication::processEvents();
    }
    wall[count] = timer.nsecsElapsed();
    cpu[count] = threadCpuNanoseconds();

    std::printf("%s, %zu lines, events processed after each line\n", title, count);
    auto report = [&](std::size_t from, std::size_t to) {
        auto rate = [&](const std::vector<qint64>& ns) {
            return static_cast<double>(to - from) * 1e9 / static_cast<double>(ns[to] - ns[from]);
        };
        std::printf("  lines %7zu .. %7zu: %10.0f lines/s wall, %10.0f lines/s cpu\n", from, to, rate(wall), rate(cpu));
    };
    std::size_t quarter = count / 4;
    report(0, quarter);
    report(count / 2 - quarter / 2, count / 2 - quarter / 2 + quarter);
    report(count - quarter, count);
    report(0, count);
}

void measureMonitorPage(const std::vector<std::string>& lines, std::size_t count) {
    MonitorLog log;
    tervolen::MonitorPage page(log);
    page.resize(356, 420);
    page.show();
    log.clearMonitor();
    log.addMonitorLine("=========== Started Backup ===========", tervolen::kFuchsia, tervolen::kMonitorLineSize);
    log.addMonitorLine("Started Backup at Saturday, December 9, 2006, 15:30:12 hour", tervolen::kGreen,
                       tervolen::kMonitorLineSize);
    QCoreApplication::processEvents();
    measure("Monitor page (MonitorLog + MonitorView)", count, [&](std::size_t i) { log.appendOutputLine(lines[i]); });
    std::printf("  paragraphs kept: %zu\n", log.size());
}

void measureTextEdit(const std::vector<std::string>& lines, std::size_t count, bool followEnd) {
    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    auto* edit = new QTextEdit(&page);
    edit->setReadOnly(true);
    layout->addWidget(edit);
    page.resize(356, 420);
    page.show();
    QTextCharFormat green;
    green.setForeground(QColor(0, 128, 0));
    green.setFontPointSize(10);
    QCoreApplication::processEvents();
    const char* title = followEnd ? "QTextEdit fed with a QTextCursor, scrolled to the end (peer)"
                                  : "QTextEdit fed with a QTextCursor, not scrolled (peer)";
    measure(title, count, [&](std::size_t i) {
        QTextCursor cursor(edit->document());
        cursor.movePosition(QTextCursor::End);
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(QString::fromStdString(lines[i]), green);
        if (followEnd)
            edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
    });
}

void measureProcessEventsAlone() {
    constexpr int kCalls = 100000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kCalls; ++i)
        QCoreApplication::processEvents();
    std::printf("processEvents alone: %.2f us per call\n", static_cast<double>(timer.nsecsElapsed()) / kCalls / 1e3);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::size_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
    std::size_t peerCount = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20000;
    QApplication app(argc, argv);

    std::vector<std::string> lines = gbakLines(std::max(count, peerCount));
    measureProcessEventsAlone();
    measureMonitorPage(lines, count);
    measureTextEdit(lines, peerCount, false);
    measureTextEdit(lines, peerCount, true);
    return 0;
}
