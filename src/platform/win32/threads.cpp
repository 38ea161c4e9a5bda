// Windows has priority classes, not niceness: a positive niceness lowers
// the thread's priority, a negative one raises it.
#include "platform/threads.h"

#include <windows.h>

namespace poolside {

bool SetThreadNice(int nice) {
  int priority = THREAD_PRIORITY_NORMAL;
  if (nice >= 10) {
    priority = THREAD_PRIORITY_LOWEST;
  } else if (nice > 0) {
    priority = THREAD_PRIORITY_BELOW_NORMAL;
  } else if (nice <= -10) {
    priority = THREAD_PRIORITY_HIGHEST;
  } else if (nice < 0) {
    priority = THREAD_PRIORITY_ABOVE_NORMAL;
  }
  return SetThreadPriority(GetCurrentThread(), priority) != 0;
}

}  // namespace poolside
