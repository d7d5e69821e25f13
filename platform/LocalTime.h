// The local calendar time of a moment, safe to call from any thread.
#pragma once

#include <ctime>

/// Converts a moment to local calendar time; false when the system cannot.
bool ToLocalTime(std::time_t moment, std::tm* calendar);
