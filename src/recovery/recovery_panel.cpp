#include "recovery/recovery_panel.h"

#include <exception>

#include "recovery/race_retiming.h"
#include "recovery/recovered_race.h"
#include "vocabulary/data_folder.h"

namespace poolside {

RecoveryPanel::RecoveryPanel(const PathMapper& paths, std::vector<std::string> sources,
                             MessageSink& messages, RaceSourcesOf raceFiles)
    : paths_(paths),
      sources_(std::move(sources)),
      messages_(messages),
      raceFiles_(std::move(raceFiles)) {}

int RecoveryPanel::SuggestedIndex() const {
  int touched = 0;
  for (auto it = races_.rbegin(); it != races_.rend(); ++it) {
    if (it->finished) return it->index;
    if (touched == 0 && it->touches > 0) touched = it->index;
  }
  return touched > 0 ? touched : static_cast<int>(races_.size());
}

bool RecoveryPanel::HasTouches(int index) const {
  return index >= 1 && index <= static_cast<int>(races_.size()) &&
         races_[static_cast<std::size_t>(index - 1)].touches > 0;
}

bool RecoveryPanel::Refresh() {
  races_.clear();
  problem_.clear();
  std::vector<std::string> notes;
  auto withNotes = [&notes](std::string text) {
    for (const std::string& note : notes) text = (text.empty() ? "" : text + "\n") + note;
    return text;
  };
  try {
    files_ = CaptureFiles(sources_, notes);
    races_ = FindCapturedRaces(files_);
  } catch (const std::exception& e) {
    problem_ = withNotes(e.what());
    return false;
  }
  // Skipped files are named beside the races.
  problem_ = withNotes(races_.empty() ? "記録されたレースはありません" : "");
  return true;
}

std::vector<std::string> RecoveryPanel::Lines() const {
  std::vector<std::string> lines;
  for (const CapturedRace& r : races_) lines.push_back(ListingLine(r));
  return lines;
}

std::vector<CapturedRaceRow> RecoveryPanel::Rows() const {
  return CapturedRaceRows(races_, raceFiles_);
}

bool RecoveryPanel::PreviewTable(int index, int race, RetimingPreview& out, std::string& problem) {
  if (index < 1 || index > static_cast<int>(races_.size())) {
    problem = "レースを選んでください";
    return false;
  }
  if (!raceFiles_) {
    problem = "データフォルダがわかりません";
    return false;
  }
  try {
    const Retiming retiming =
        RetimeRace(paths_, files_, races_[static_cast<std::size_t>(index - 1)], race);
    out = PreviewOf(retiming, raceFiles_(race));
    return true;
  } catch (const std::exception& e) {
    problem = e.what();
    return false;
  }
}

std::string RecoveryPanel::Preview(int index, int race) {
  if (index < 1 || index > static_cast<int>(races_.size())) return "レースを選んでください";
  try {
    return DescribeRetiming(
        RetimeRace(paths_, files_, races_[static_cast<std::size_t>(index - 1)], race));
  } catch (const std::exception& e) {
    return e.what();
  }
}

bool RecoveryPanel::Apply(int index, int race, bool receiving) {
  if (receiving) {
    messages_.ShowMessage("受信中は再計時できません。受信を停止してください。");
    return false;
  }
  if (index < 1 || index > static_cast<int>(races_.size())) return false;
  const CapturedRace& captured = races_[static_cast<std::size_t>(index - 1)];
  std::string target;
  if (raceFiles_ && race >= 1 && race <= kBookRaces) {
    target = RaceDescription(LoadRaceResult(raceFiles_(race)));
  }
  if (!messages_.AskOkCancel(ApplyQuestion(index, captured, target, race))) return false;
  RaceFinished recovered;
  try {
    const Retiming retiming = RetimeRace(paths_, files_, captured, race);
    ApplyRetiming(retiming);
    recovered = RecoveredRace(retiming, raceFiles_ ? raceFiles_(race) : RaceSources{});
  } catch (const std::exception& e) {
    messages_.ShowError(e.what());
    return false;
  }
  if (onApplied) onApplied(recovered);
  return true;
}

}  // namespace poolside
