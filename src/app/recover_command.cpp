#include "app/recover_command.h"

#include <exception>

#include "capture/captured_races.h"

namespace poolside {

int RunRecover(const Options& options, std::ostream& out, std::ostream& err) {
  if (!options.error.empty()) {
    err << options.error << "\n";
    return 2;
  }
  if ((options.take > 0) != (options.as > 0) || (options.apply && options.take == 0)) {
    err << "--take と --as は一緒に指定してください (--apply はその二つと一緒に)\n";
    return 2;
  }
  try {
    const std::vector<CapturedRace> races = FindCapturedRaces(options.recover);
    if (options.take == 0) {
      for (const CapturedRace& race : races) out << ListingLine(race) << "\n";
      if (races.empty()) err << options.recover << ": レースは記録されていません\n";
      return 0;
    }
    if (options.take > static_cast<int>(races.size())) {
      err << options.recover << ": 記録されたレース " << options.take << " はありません (記録は "
          << races.size() << " レースです)\n";
      return 1;
    }
    err << "--take/--as はまだ使えません\n";
    return 1;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 1;
  }
}

}  // namespace poolside
