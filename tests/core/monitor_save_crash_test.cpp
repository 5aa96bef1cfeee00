// The Monitor's save of a log file is an atomic writer like the others: its new file must reach the disk before it
// gets its name, and the name before the save reports success.
#include "core/monitor_log.h"
#include "crash_harness.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(MonitorSaveCrash, SaveFlushesTheNewLogBeforeItsRenameAndTheFolderAfter) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    test::TempDir dir;
    MonitorLog monitor;
    for (int i = 0; i < 200; ++i)
        monitor.addMonitorLine("gbak: writing table " + std::to_string(i), kGreen, kMonitorLineSize);
    const std::string log = dir.file("202612093015.fbkBackupLog.log");
    test::RunEnd end = test::RunEnd::Failed;
    const std::vector<test::SystemCall> calls = test::traceSystemCalls([&] { monitor.saveMonitor(log); }, &end);
    ASSERT_EQ(end, test::RunEnd::Finished);
    test::expectPutInPlaceDurably(calls, log);
}

} // namespace
} // namespace tervolen
