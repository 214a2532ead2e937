#pragma once

#include <functional>

namespace qv {

// A day of the calendar, as dBase headers store it (year from 1900 to 2155).
struct CalendarDate {
    int year = 1900;
    int month = 1;
    int day = 1;
};

// Where the engine takes "today" from; tests pass a fixed day so files compare byte for byte.
using DateSource = std::function<CalendarDate()>;

// Today in the machine's local time.
CalendarDate localToday();

}  // namespace qv
