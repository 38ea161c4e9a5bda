#include "recovery/interrupted_repair.h"

#include <exception>

namespace poolside {

TouchesRepaired RepairEventOf(const RepairIntent& intent) { return intent.event; }

std::optional<InterruptedRepair> CompleteInterruptedRepair(
    const MeetData& meet, const std::function<void(const TouchesRepaired&)>& journal) {
  InterruptedRepair done;
  try {
    auto pending = PendingRepair(meet);
    if (!pending) return std::nullopt;
    done.intent = std::move(*pending);
  } catch (const std::exception& e) {
    done.message = e.what();
    return done;
  }
  try {
    if (journal) journal(RepairEventOf(done.intent));
    CompleteRepair(meet, done.intent);
    done.completed = true;
    done.message = "中断されていた" + IntentName(done.intent) + "を完了しました";
  } catch (const std::exception& e) {
    done.message = e.what();
  }
  return done;
}

}  // namespace poolside
