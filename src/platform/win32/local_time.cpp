// The local time from the C runtime, which takes the zone from TZ when it
// is set (as "JST-9") and from Windows' own setting otherwise.
#include "platform/local_time.h"

#include <time.h>

namespace poolside {

LocalTimeOf LocalTime(std::time_t t) {
  LocalTimeOf out;
  if (localtime_s(&out.tm, &t) != 0) return out;
  // The local fields read as if they were UTC, less the moment itself.
  std::tm copy = out.tm;
  out.utcOffsetSeconds = static_cast<long>(_mkgmtime(&copy) - t);
  return out;
}

}  // namespace poolside
