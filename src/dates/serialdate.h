#pragma once

#include <chrono>

namespace koyomix {

// A calendar day as a count of days since 1970-01-01.
using SerialDate = std::chrono::sys_days;

} // namespace koyomix
