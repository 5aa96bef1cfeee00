#pragma once

#include <functional>

namespace tervolen {

struct LocalTime {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 1;        // 1 = Sunday ... 7 = Saturday
    int utcOffsetMinutes = 0; // local time minus UTC, daylight saving included
};

// The local time, injected where logic depends on it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    LocalTime now() const override;
};

// Lets the window process pending events while a job waits; a no-op without a window.
using ProcessEvents = std::function<void()>;

} // namespace tervolen
