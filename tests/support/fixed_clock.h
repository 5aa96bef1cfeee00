#pragma once

#include "core/clock.h"

namespace tervolen::test {

// A clock that shows the time the test sets.
class FixedClock : public Clock {
public:
    LocalTime now() const override { return time; }

    // Sets the date and time; the day of the week is computed.
    void set(int year, int month, int day, int hour, int minute, int second = 0);

    LocalTime time;
};

} // namespace tervolen::test
