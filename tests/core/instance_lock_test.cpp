#include "core/errors.h"
#include "core/instance_lock.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(InstanceLock, ASecondHolderOfTheSameSettingsFileIsRefused) {
    test::TempDir dir;
    {
        auto first = InstanceLock::acquire(dir.file("tervolen.ini"));
        EXPECT_TRUE(first.has_value());
        EXPECT_FALSE(InstanceLock::acquire(dir.file("tervolen.ini")).has_value());
        EXPECT_TRUE(InstanceLock::acquire(dir.file("other.ini")).has_value());
    }
    EXPECT_TRUE(InstanceLock::acquire(dir.file("tervolen.ini")).has_value()) << "released with its holder";
}

TEST(InstanceLock, AFolderWithoutRoomForTheLockFileIsAnError) {
    EXPECT_THROW(InstanceLock::acquire("/proc/no-such-folder/tervolen.ini"), Error);
}

} // namespace
} // namespace tervolen
