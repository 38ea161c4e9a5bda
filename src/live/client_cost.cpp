#include "live/client_cost.h"

namespace poolside {

long long ClientCost::Arrived(long long available) {
  const long long arrived = available > left_ ? available - left_ : 0;
  left_ = available;
  return arrived;
}

long long ClientCost::Now(long long queued, long long buffered) {
  if (queued <= 0) {
    frameBytes_ = 0;
    answers_ = 0;
  }
  return kBase + queued + buffered + kPerReceivedByte * frameBytes_ + kPerAnswer * answers_;
}

}  // namespace poolside
