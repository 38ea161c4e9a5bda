#include "results/backup_sheet.h"

namespace poolside {

namespace {

std::string Join(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : ",") + w;
  return out;
}

std::string Cell(const std::string& text) {
  if (text.empty()) return "-";
  std::string out = text;
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

}  // namespace

std::string SignedHundredths(std::int64_t h) {
  return (h < 0 ? "-" : "+") + HundredthsText(h < 0 ? -h : h);
}

std::vector<BackupRow> BackupRows(const RaceResult& result) {
  std::vector<BackupRow> rows;
  for (const LaneResult& lane : result.lanes) {
    if (lane.entry == 0 && lane.watches.empty() && !lane.consoleTime &&
        lane.status != LaneStatus::Time) {
      continue;
    }
    BackupRow row;
    row.lane = lane.lane;
    row.entry = lane.entry;
    row.name = lane.who.name;
    if (lane.consoleTime) row.console = HundredthsText(*lane.consoleTime);
    for (std::int64_t t : lane.watches) row.watches.push_back(HundredthsText(t));
    if (lane.backup) row.backup = HundredthsText(*lane.backup);
    if (lane.backup && lane.consoleTime) {
      row.difference = SignedHundredths(*lane.backup - *lane.consoleTime);
    }
    row.used = lane.UsedWord();
    row.time = lane.goalRead ? LaneResultText(lane) : std::string();
    row.reason = lane.reason;
    row.flags = lane.backupFlags;
    row.open = lane.use == TimeUse::Undecided && !lane.backupFlags.empty();
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string BackupListing(const RaceResult& result) {
  std::string out =
      "lane\tentry\tconsole\twatches\tbackup\tdifference\tused\ttime\treason\tflags\n";
  for (const BackupRow& row : BackupRows(result)) {
    out += std::to_string(row.lane) + "\t" + (row.entry ? std::to_string(row.entry) : "-") + "\t" +
           Cell(row.console) + "\t" + Cell(Join(row.watches)) + "\t" + Cell(row.backup) + "\t" +
           Cell(row.difference) + "\t" + Cell(row.used) + "\t" + Cell(row.time) + "\t" +
           Cell(row.reason) + "\t" + Cell(Join(row.flags)) + "\n";
  }
  return out;
}

}  // namespace poolside
