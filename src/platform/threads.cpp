#include "platform/threads.h"

#include <sys/resource.h>
#include <unistd.h>

namespace poolside {

bool SetThreadNice(int nice) {
  // On Linux the niceness of a thread id is the thread's own.
  return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}

}  // namespace poolside
