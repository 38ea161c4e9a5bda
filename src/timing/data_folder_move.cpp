#include <functional>
#include <optional>
#include <string>

#include "finish/race_files.h"
#include "racebook/race_book.h"
#include "timing/race_window.h"

namespace poolside {

std::optional<std::string> RaceWindow::MoveDataFolder(const std::function<void()>& move) {
  // Closed first: a lap file that is open is never replaced (Windows).
  const bool wasOpen = lap_.IsOpen();
  if (wasOpen) lap_.Close();
  move();
  std::optional<std::string> problem;
  try {
    // The book as the new folder holds it: the next save writes it whole.
    LoadRaceStat(meet_, book_);
  } catch (const std::exception& e) {
    problem = e.what();
  }
  if (wasOpen) {
    if (auto reopened = lap_.Reopen(LapPath(meet_, book_.RaceNo))) {
      problem = problem ? *problem + "\r" + *reopened : *reopened;
    }
  }
  return problem;
}

}  // namespace poolside
