#include "core/journal_time.h"

#include <charconv>

namespace tervolen {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

// A field of exactly the digits it spans.
bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    const char* begin = text.data() + at;
    for (std::size_t i = 0; i < count; ++i)
        if (begin[i] < '0' || begin[i] > '9')
            return false;
    return std::from_chars(begin, begin + count, value).ptr == begin + count;
}

} // namespace

std::optional<LocalTime> parseJournalTime(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    LocalTime time;
    if (!digits(text, 0, 4, time.year) || !digits(text, 5, 2, time.month) || !digits(text, 8, 2, time.day) ||
        !digits(text, 11, 2, time.hour) || !digits(text, 14, 2, time.minute) || !digits(text, 17, 2, time.second))
        return std::nullopt;
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 || time.minute > 59 ||
        time.second > 60)
        return std::nullopt;
    return time;
}

long long localSeconds(const LocalTime& time) {
    return daysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) * 86400 +
           time.hour * 3600LL + time.minute * 60LL + time.second;
}

} // namespace tervolen
