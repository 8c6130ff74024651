// One reading of the local clock, split into the fields the component uses.
#pragma once

namespace kb {

struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

LocalTime localNow();

}  // namespace kb
