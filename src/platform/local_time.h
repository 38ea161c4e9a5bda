#pragma once
// The local time of the machine (its time zone), as the journal's and the
// export's time stamps show it.

#include <ctime>

namespace poolside {

struct LocalTimeOf {
  std::tm tm{};
  long utcOffsetSeconds = 0;  // east of UTC positive: +09:00 is 32400
};
LocalTimeOf LocalTime(std::time_t t);

}  // namespace poolside
