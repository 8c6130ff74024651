#include "common/clock.h"

#include <windows.h>

namespace kb {

LocalTime localNow() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace kb
