#include "platform/local_time.h"

namespace poolside {

LocalTimeOf LocalTime(std::time_t t) {
  LocalTimeOf out;
  localtime_r(&t, &out.tm);
  out.utcOffsetSeconds = out.tm.tm_gmtoff;
  return out;
}

}  // namespace poolside
