#include "fixed_clock.h"

namespace tervolen::test {

void FixedClock::set(int year, int month, int day, int hour, int minute, int second) {
    // Sakamoto's method: 0 = Sunday.
    static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = month < 3 ? year - 1 : year;
    int weekday = (y + y / 4 - y / 100 + y / 400 + offsets[month - 1] + day) % 7;
    time = LocalTime{year, month, day, hour, minute, second, weekday + 1, time.utcOffsetMinutes};
}

} // namespace tervolen::test
