#include "platform/leak_check.h"

#if defined(__SANITIZE_ADDRESS__)
#define POOLSIDE_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define POOLSIDE_HAS_LSAN 1
#endif
#endif

#if defined(POOLSIDE_HAS_LSAN) && !defined(_WIN32)
#include <sanitizer/lsan_interface.h>
#endif

namespace poolside {

void CheckForLeaksNow() {
#if defined(POOLSIDE_HAS_LSAN) && !defined(_WIN32)
  // Honours detect_leaks=0 and the suppressions like the check at exit.
  __lsan_do_leak_check();
#endif
}

}  // namespace poolside
