// Windows sets no per-process limit like RLIMIT_NOFILE; the runtime's
// numbers of handles (what the OS-call table hands out) end at 2048.
#include "platform/descriptors.h"

#include <io.h>

namespace poolside {

namespace {
constexpr long kRuntimeHandles = 2048;
}  // namespace

long RaiseDescriptorLimit() { return DescriptorLimit(); }

long DescriptorLimit() { return kRuntimeHandles; }

int OpenDescriptors() {
  int count = 0;
  for (int fd = 0; fd < kRuntimeHandles; ++fd) {
    if (_get_osfhandle(fd) != -1) ++count;
  }
  return count;
}

}  // namespace poolside
