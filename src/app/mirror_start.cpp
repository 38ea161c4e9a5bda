#include "app/mirror_start.h"

#include <variant>

#include "meetdata/meet_data.h"

namespace poolside {

void MirrorPoke::OnRaceEvent(const RaceEvent& event) {
  // The clock changes ten times a second and writes nothing.
  if (std::holds_alternative<ClockShown>(event)) return;
  mirror_.Poke();
}

std::string DataFolderOf(const PathMapper& paths) {
  MeetData meet(paths);
  try {
    meet.ReadControlFile("..\\ctl\\dr_kyo.ctl");
  } catch (const std::exception&) {
    return "";
  }
  return meet.DataPath("");
}

void MirrorAfterCommand(const PathMapper& paths, const std::string& mirror, std::ostream& err) {
  if (mirror.empty()) return;
  const std::string folder = DataFolderOf(paths);
  if (folder.empty()) return;
  FolderMirror copy(folder, mirror);
  const FolderMirror::Pass pass = copy.Sync();
  if (!pass.ok) err << pass.problem << "\n";
}

int VerifyMirror(const PathMapper& paths, const std::string& mirror, std::ostream& out,
                 std::ostream& err) {
  const std::string folder = DataFolderOf(paths);
  if (folder.empty()) {
    err << "制御ファイル ..\\ctl\\dr_kyo.ctl を読めません\n";
    return 1;
  }
  const std::vector<std::string> lines = CompareWithMirror(folder, mirror);
  for (const std::string& line : lines) out << line << "\n";
  out << (lines.empty() ? "same: " : "differs: ") << folder << " " << mirror << "\n";
  return lines.empty() ? 0 : 1;
}

}  // namespace poolside
