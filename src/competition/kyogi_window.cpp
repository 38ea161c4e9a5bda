#include "competition/kyogi_window.h"

#include <string>

#include "format/labels.h"
#include "platform/cp932.h"
#include "platform/numbers.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

// Highest competition number the meet file can address.
constexpr int kMaxCompetitionNo = kLastNumberedRecord;

void SetCaption(Label* label, const std::string& text) {
  if (label != nullptr) label->SetCaption(text);
}

void SetBox(TextBox* box, const std::string& text) {
  if (box != nullptr) box->SetText(text);
}

void Focus(TextBox* box) {
  if (box != nullptr) box->SetFocus();
}

void Focus(Button* button) {
  if (button != nullptr) button->SetFocus();
}

}  // namespace

KyogiWindow::KyogiWindow(const KyogiControls& controls, MeetData& meet, MessageSink& messages,
                         KyogiHost& host, const PathMapper& paths)
    : c_(controls), meet_(meet), messages_(messages), host_(host), paths_(paths) {}

void KyogiWindow::Load() {
  meet_.ReadControlFile(kyogi_texts::kControlFile);
  meet_.LoadMeetHeader();
  meet_.CurrentCompetitionNo = 1;
  meet_.LoadCurrentHeat(meet_.CurrentCompetitionNo);
  Refresh();
}

void KyogiWindow::PreviousCompetition() {
  if (meet_.CurrentCompetitionNo == 1) {
    messages_.ShowMessage("１より小さいレコードはありません。");
  } else {
    // The number moves only once its competition is read: a failed read must
    // not leave CurrentHeat of one competition under the number of another,
    // where the next entry would write it.
    const int previous = meet_.CurrentCompetitionNo - 1;
    meet_.LoadCurrentHeat(previous);
    meet_.CurrentCompetitionNo = static_cast<std::int16_t>(previous);
  }
  meet_.LoadCurrentHeat(meet_.CurrentCompetitionNo);
  Refresh();
}

void KyogiWindow::NextCompetition() {
  if (meet_.CurrentCompetitionNo == meet_.CompetitionCount) {
    messages_.ShowMessage(SignedDecimal(meet_.CompetitionCount) + "より大きいデータはありません。");
    meet_.LoadCurrentHeat(meet_.CurrentCompetitionNo);
  } else {
    // LoadCurrentHeat refuses a number beyond the file's reach before any
    // read; the number is only stepped once the read succeeded, so it never
    // wraps around the 16-bit range.
    const int next = meet_.CurrentCompetitionNo + 1;
    meet_.LoadCurrentHeat(next);
    meet_.CurrentCompetitionNo = static_cast<std::int16_t>(next);
  }
  Refresh();
}

void KyogiWindow::FindCompetition() {
  TextBox* box = c_.txtToi;
  if (box == nullptr) return;
  const int caret = box->Caret();
  const std::string text = Utf8Prefix(box->Text(), caret < 0 ? 0 : static_cast<std::size_t>(caret));
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    const auto p = RoundToInt16(LeadingValue(std::string_view(text).substr(0, point)));
    const auto h = RoundToInt16(LeadingValue(std::string_view(text).substr(point + 1)));
    // A program or heat number outside the 16-bit range names no
    // competition: the entry is refused without a search.
    if (p && h) {
      int heat = *h;
      const int last =
          meet_.CompetitionCount < kMaxCompetitionNo ? meet_.CompetitionCount : kMaxCompetitionNo;
      const CompetitionRecord current = meet_.CurrentHeat;
      try {
        for (int n = 1; n <= last; ++n) {
          meet_.LoadCurrentHeat(n);
          if (meet_.CurrentHeat.ProgramNo != *p) continue;
          if (heat > meet_.CurrentHeat.HeatCount) heat = meet_.CurrentHeat.HeatCount;
          if (heat == meet_.CurrentHeat.HeatNo) {
            meet_.CurrentCompetitionNo = static_cast<std::int16_t>(n);
            break;
          }
        }
      } catch (...) {
        // A read that fails halfway leaves CurrentHeat holding whatever the
        // search read last: the current competition comes back (from memory,
        // the file may be failing) before the error ends the search.
        meet_.CurrentHeat = current;
        box->SetText("");
        Refresh();
        throw;
      }
      meet_.LoadCurrentHeat(meet_.CurrentCompetitionNo);
    }
  }
  box->SetText("");
  Refresh();
}

void KyogiWindow::OnToiKeyDown(int keyCode, int shift) {
  switch (keyCode) {
    case kKeyEnter:
      FindCompetition();
      break;
    case kKeyLeft:
      Focus(c_.cmdOhda);
      break;
    case kKeyRight:
      Focus(c_.cmdKeiji);
      break;
    case kKeyUp:
      if (shift == kShiftMask) {
        Focus(c_.txtNo[0]);
      } else {
        PreviousCompetition();
      }
      break;
    case kKeyDown:
      NextCompetition();
      break;
    default:
      break;
  }
}

std::string KyogiWindow::StoredText(EntryColumn column, int row) const {
  const CompetitionRecord& heat = meet_.CurrentHeat;
  switch (column) {
    case EntryColumn::Jun:
      return std::to_string(heat.Rank[row]);
    case EntryColumn::Kiro:
      return std::to_string(heat.Record[row]);
    case EntryColumn::Mu:
      return std::to_string(heat.MuCode[row]);
    case EntryColumn::Nen:
      return std::to_string(heat.NenCode[row]);
    case EntryColumn::Hoj: {
      // A blank or NUL code shows as an empty box: Enter there stores nothing.
      const std::string first = Utf8First(heat.HojCode[row]);
      if (first.empty() || first == " " || first[0] == '\0') return "";
      return first;
    }
    case EntryColumn::Biko:
      return std::to_string(heat.RemarkCode[row]);
    case EntryColumn::No:
      return std::to_string(heat.EntryNo[row]);
  }
  return "";
}

void KyogiWindow::Refresh() {
  const CompetitionRecord& heat = meet_.CurrentHeat;
  SetCaption(c_.lblPNo, std::to_string(heat.ProgramNo));
  SetCaption(c_.lblSei, SexLabel(heat.SexCode));
  SetCaption(c_.lblShubetu,
             ClassLabel(heat.ClassLow, heat.ClassHigh, meet_.Settings.ClassLabelMode));
  SetCaption(c_.lblShumoku, EventLabel(heat.EventCode));
  SetCaption(c_.lblYoKetu, RoundLabel(heat.RoundCode));
  SetCaption(c_.lblKumi, std::to_string(heat.HeatNo));
  SetCaption(c_.lblTKumi, std::to_string(heat.HeatCount));
  // A record past the end of the file holds zero bytes where the start time
  // stands: they show as blanks, never as NUL characters in the label.
  std::string startTime = heat.StartTime;
  for (char& ch : startTime) {
    if (ch == '\0') ch = ' ';
  }
  SetCaption(c_.lblZikan, startTime);
  static constexpr EntryColumn kColumns[] = {EntryColumn::Jun, EntryColumn::Kiro, EntryColumn::Mu,
                                             EntryColumn::Nen, EntryColumn::Hoj,  EntryColumn::Biko,
                                             EntryColumn::No};
  for (int row = 0; row < kRows; ++row) {
    for (EntryColumn column : kColumns) SetBox(EntryBox(column, row), StoredText(column, row));
    for (auto* boxes : {&c_.txtNamae, &c_.txtKana, &c_.txtKen, &c_.txtSho, &c_.txtTosi, &c_.txtGaku,
                        &c_.txtQkiro, &c_.txtQban}) {
      SetBox((*boxes)[row], "");
    }
  }
}

void KyogiWindow::ReopenMeet() {
  meet_.LoadMeetHeader();
  meet_.LoadCurrentHeat(meet_.CurrentCompetitionNo);
  Refresh();
}

}  // namespace poolside
