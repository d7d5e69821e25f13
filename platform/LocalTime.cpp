// The local calendar time of a moment, with the reentrant system call.
#include "platform/LocalTime.h"

bool ToLocalTime(std::time_t moment, std::tm* calendar) {
    return localtime_r(&moment, calendar) != nullptr;
}
