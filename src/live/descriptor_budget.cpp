#include "live/descriptor_budget.h"

#include <algorithm>

namespace poolside {

int ConnectionBudget(int setting, long limit, int open) {
  const long left = limit - std::max(open, 0) - kDeskDescriptorReserve - kRefusalSlots;
  return static_cast<int>(std::clamp<long>(left, 0, std::max(setting, 0)));
}

}  // namespace poolside
