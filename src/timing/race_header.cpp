#include <string>

#include "format/labels.h"
#include "platform/cp932.h"
#include "racebook/race_book.h"
#include "timing/race_window.h"

namespace poolside {

namespace {

constexpr const char* kVersionText = "Ver 2.17\r2007/06/16\rhttps://poolside.example.org/";

bool InBook(int raceNo) { return raceNo >= 1 && raceNo <= kBookRaces; }

// A code field of the meet file as text: NULs and blanks around it dropped.
std::string CodeText(const std::string& field) {
  const std::size_t first = field.find_first_not_of(std::string(" \0", 2));
  if (first == std::string::npos) return {};
  const std::size_t last = field.find_last_not_of(std::string(" \0", 2));
  return Cp932ToUtf8(field.substr(first, last - first + 1));
}

}  // namespace

void RaceWindow::Load() {
  meet_.ReadControlFile(race_texts::kControlFile);
  meet_.LoadMeetHeader();
  meet_.CloseMeetFile();
  meet_.LoadMeetSettings();
  FindOpenRace(meet_, book_);
  PublishBookChanges();  // the book as loaded is the starting point
  ShowRaceHeader();
  for (int i = 0; i < kLanes; ++i) {
    SetLaneIdentifier(reception_.LaneMap(), i, c_.txtSingo[i]->Text());
    SetLaneIdentifier(spareLaneMap_, i, c_.txtTSingo[i]->Text());
  }
  c_.lblVersion->SetCaption(kVersionText);
  // The fixed tooltips; the Qt layer sets them too.
  for (TextBox* box : c_.txtKiro) box->SetToolTip(race_texts::kTimeTip);
  c_.txtKetugo->SetToolTip(race_texts::kStatusTip);
  c_.txtBiko->SetToolTip(race_texts::kSelectTip);
  const std::string caption = c_.cmdZushin->Caption();
  if (caption != race_texts::kStart && caption != race_texts::kStop) {
    c_.cmdZushin->SetCaption(race_texts::kStart);
  }
  // A program started again mid-race (after a close or a crash) shows the
  // touches its lap file kept; the next start of reception continues them.
  // Its touches go on the feed as they came, so that what watches the
  // touches (the flags, the pages) sees the race whole.
  const LapOnScreen held = ReadLapOnScreen();
  if (!held.touches.empty()) {
    RestoreLanes(held.touches);
    PublishRestoredTouches(held.touches);
  }
  restoredAtLoad_ = static_cast<int>(held.touches.size());
}

void RaceWindow::ShowRaceHeader() {
  // The status box's change handling redraws the header from inside this
  // call: only the outermost call publishes the race shown.
  ++headerDepth_;
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } guard{headerDepth_};
  // A race outside the book (all races done, or no competitions) has no
  // record to read: its header comes from a zero record.
  if (InBook(book_.RaceNo)) {
    meet_.LoadRaceHeat(book_.RaceNo);
  } else {
    meet_.RaceHeat = CompetitionRecord{};
  }
  LoadRaceStat(meet_, book_);
  if (!InBook(book_.RaceNo)) book_.RaceStat.clear();

  const CompetitionRecord& heat = meet_.RaceHeat;
  c_.lblRace->SetCaption(std::to_string(book_.RaceNo));
  c_.lblPNo->SetCaption(std::to_string(heat.ProgramNo));
  c_.lblKumi->SetCaption(std::to_string(heat.HeatNo) + "  (" + std::to_string(heat.HeatCount) +
                         " )");
  c_.lblSei->SetCaption(SexLabel(heat.SexCode));
  c_.lblKubun->SetCaption(ClassLabel(heat.ClassLow, heat.ClassHigh, meet_.Settings.ClassLabelMode));
  c_.lblShu->SetCaption(EventLabel(heat.EventCode));
  c_.lblYoKetu->SetCaption(RoundLabel(heat.RoundCode));
  c_.lblNin->SetCaption("");

  // Setting the status box runs its change handling, which saves the same
  // character and redraws this header once more; it ends because the next
  // redraw finds the box unchanged.
  const std::string stat = book_.RaceStat;
  const bool noChar = stat.empty() || stat[0] == '\0';
  c_.txtKetugo->SetText(noChar ? std::string() : Cp932ToUtf8(stat.substr(0, 1)));
  const Color raceColor = IsCombinedCount(stat) ? kLightCyan : kLightRed;
  c_.lblRace->SetBackColor(raceColor);

  int entered = 0;
  for (int lane = 1; lane <= kLanes; ++lane) {
    const bool hasEntry = heat.EntryNo[lane - 1] != 0;
    if (hasEntry) c_.lblNin->SetCaption(std::to_string(++entered));
    const Color rowColor = hasEntry ? raceColor : kFaceColor;
    rowColor_[static_cast<std::size_t>(lane - 1)] = rowColor;
    c_.txtJun[lane - 1]->SetBackColor(rowColor);
    c_.txtKiro[lane - 1]->SetBackColor(rowColor);
  }
  reception_.ResetLanes();
  typed_.fill(std::nullopt);
  for (int lane = 1; lane <= kLanes; ++lane) {
    c_.txtJun[lane - 1]->SetText("");
    c_.txtKiro[lane - 1]->SetText("");
    c_.txtShukai[lane - 1]->SetText("");
  }
  if (headerDepth_ == 1) PublishRaceShown();
}

void RaceWindow::PublishRaceShown() {
  PublishBookChanges();
  const CompetitionRecord& heat = meet_.RaceHeat;
  RaceShown shown;
  shown.race = book_.RaceNo;
  const std::string& stat = book_.RaceStat;
  if (!stat.empty() && stat[0] != '\0') shown.status = Cp932ToUtf8(stat.substr(0, 1));
  shown.program = heat.ProgramNo;
  shown.heat = heat.HeatNo;
  shown.heats = heat.HeatCount;
  shown.sex = {CodeText(heat.SexCode), c_.lblSei->Caption()};
  shown.raceClass = {std::to_string(heat.ClassLow) + "-" + std::to_string(heat.ClassHigh),
                     c_.lblKubun->Caption()};
  shown.event = {std::to_string(heat.EventCode), c_.lblShu->Caption()};
  shown.round = {CodeText(heat.RoundCode), c_.lblYoKetu->Caption()};
  for (int lane = 1; lane <= kLanes; ++lane) shown.entries[lane - 1] = heat.EntryNo[lane - 1];
  feed_->Publish(shown);
}

void RaceWindow::SetLaneIdentifier(std::string& map, int i, const std::string& text) {
  if (i < 0 || i >= static_cast<int>(map.size())) return;
  const std::string first = Utf8First(text);
  if (first.empty()) return;
  // The map holds one byte per lane: a character whose code-page form is
  // longer (or that has none) leaves the identifier as it was.
  const std::string encoded = Utf8ToCp932(first);
  if (encoded.size() != 1 || Cp932ToUtf8(encoded) != first) return;
  map[static_cast<std::size_t>(i)] = encoded[0];
}

void RaceWindow::OnLaneBoxChange(int row, int i) {
  if ((row != 0 && row != 1) || i < 0 || i >= kLanes) return;
  TextBox* box = row == 0 ? c_.txtSingo[i] : c_.txtTSingo[i];
  const std::string text = box->Text();
  const std::string first = Utf8First(text);
  if (first != text) box->SetText(first);
  SetLaneIdentifier(row == 0 ? reception_.LaneMap() : spareLaneMap_, i, first);
}

bool RaceWindow::ConfirmEndMidRace() {
  if (!Receiving()) return true;
  return messages_.AskOkCancel("レース " + std::to_string(book_.RaceNo) +
                               " の受信中です。終了すると受信が止まります。\r"
                               "終了しますか? (キャンセルで受信を続けます)");
}

void RaceWindow::Unload() {
  ++generation_;  // a pending reopen of the port does nothing now
  lap_.Close();
  port_.Close();
  if (receptionPublished_) {
    receptionPublished_ = false;
    feed_->Publish(ReceptionStopped{portNumber_, port_.DeviceName()});
  }
  meet_.CloseAll();
  host_.EndProgram(0);
}

}  // namespace poolside
