#include <algorithm>
#include <string>
#include <vector>

#include "competition/kyogi_window.h"
#include "competition/record_adjust.h"
#include "competition/text_import.h"
#include "format/labels.h"
#include "format/time_text.h"
#include "platform/errors.h"

namespace poolside {

namespace {

void Focus(TextBox* box) {
  if (box != nullptr) box->SetFocus();
}

void Focus(Button* button) {
  if (button != nullptr) button->SetFocus();
}

// The rows of a competition that hold an entry or a record, ranked: rank 1
// first, rows without a rank (0) after the ranked ones, lane order within.
std::vector<RankingLine> RankingLines(const CompetitionRecord& heat) {
  std::vector<RankingLine> lines;
  for (int row = 0; row < kRows; ++row) {
    if (heat.EntryNo[row] == 0 && heat.Record[row] == 0) continue;
    lines.push_back({heat.Rank[row], row + 1, heat.EntryNo[row], TimeText(heat.Record[row])});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const RankingLine& a, const RankingLine& b) {
    const bool aRanked = a.rank != 0;
    const bool bRanked = b.rank != 0;
    if (aRanked != bRanked) return aRanked;
    return a.rank < b.rank;
  });
  return lines;
}

std::string RankingTitle(const CompetitionRecord& heat) {
  std::string title = "No " + std::to_string(heat.ProgramNo);
  for (const std::string& part :
       {SexLabel(heat.SexCode), EventLabel(heat.EventCode), RoundLabel(heat.RoundCode)}) {
    if (!part.empty()) title += " " + part;
  }
  title += " " + std::to_string(heat.HeatNo) + "組";
  return title;
}

}  // namespace

void KyogiWindow::OnKeijiClick() {
  Focus(c_.txtToi);
  host_.ShowTimingWindow();
}

void KyogiWindow::OnKeijiKeyDown(int keyCode) {
  switch (keyCode) {
    case kKeyEnter:
      // The timing window is shown already (the program starts with it):
      // Enter brings it to the front.
      Focus(c_.txtToi);
      host_.ShowTimingWindow();
      break;
    case kKeyLeft:
      Focus(c_.txtToi);
      break;
    case kKeyRight:
      Focus(c_.cmdOhda);
      break;
    default:
      break;
  }
}

void KyogiWindow::OnOhdaClick() { host_.ShowSubWindow("frmOhda", true); }

void KyogiWindow::OnOhdaKeyDown(int keyCode) {
  switch (keyCode) {
    case kKeyEnter:
      Focus(c_.txtToi);
      host_.ShowSubWindow("frmOhda", true);
      break;
    case kKeyLeft:
      Focus(c_.cmdKeiji);
      break;
    case kKeyRight:
      Focus(c_.txtToi);
      break;
    default:
      break;
  }
}

void KyogiWindow::OnMenu(const std::string& name) {
  if (name == "mOwari") {
    // Mid-race the operator is asked first; Cancel keeps everything running.
    if (!host_.ConfirmEnd()) return;
    meet_.CloseAll();
    host_.EndProgram(0);
  } else if (name == "mKijun" || name == "mProjun" || name == "mKiroku" || name == "mVwPage") {
    host_.ShowSubWindow("frm" + name.substr(1), false);
  } else if (name == "mLpPage") {
    std::optional<int> page;
    try {
      meet_.LoadPageHeader();
      page = meet_.FindCompetitionPage(meet_.CurrentCompetitionNo);
    } catch (const RuntimeError& e) {
      // The page file is never left open by a failed read; the error (it
      // names the file) ends the entry before the print window is shown.
      meet_.ClosePageFile();
      messages_.ShowMessage(e.what());
      return;
    }
    meet_.ClosePageFile();
    host_.ShowProgramPrint(page);
  } else if (name == "mLpRank") {
    host_.PrintRanking(RankingTitle(meet_.CurrentHeat), RankingLines(meet_.CurrentHeat));
  } else if (name == "mWKyogi") {
    // The meet file is closed while it is replaced (Windows replaces no file
    // that is open); a failed import opens the old one again.
    meet_.CloseMeetFile();
    try {
      ImportMeet(paths_.Resolve("a:\\qkyogi.txt"), meet_.DataPath("Taikai.dat"));
    } catch (const RuntimeError& e) {
      messages_.ShowMessage(e.what());
      try {
        meet_.LoadMeetHeader();
      } catch (const RuntimeError& again) {
        messages_.ShowMessage(again.what());
      }
      return;
    }
    // The import replaced the meet file: the open handle and CurrentHeat
    // belong to the old one, and a later entry must write into the new one.
    ReopenMeet();
    if (meet_.OnHeatsChanged) meet_.OnHeatsChanged(0);
  } else {
    struct Import {
      const char* menu;
      void (*run)(const std::string&, const std::string&);
      const char* text;
      const char* data;
    };
    static constexpr Import kImports[] = {
        {"mWProjun", &ImportProgramOrder, "a:\\qpro.txt", "Projun.dat"},
        {"mWShikaku", &ImportRecords, "a:\\Qsik.txt", "Shikaku.dat"},
        {"mWHpro", &ImportPages, "a:\\qhpro.txt", "Hpro.dat"},
        {"mWRel", &ImportRelays, "a:\\qrlay.txt", "Relay.dat"},
    };
    for (const Import& import : kImports) {
      if (name != import.menu) continue;
      try {
        import.run(paths_.Resolve(import.text), meet_.DataPath(import.data));
      } catch (const RuntimeError& e) {
        messages_.ShowMessage(e.what());
      }
      return;
    }
  }
}

void KyogiWindow::OnAdjustClick() {
  try {
    AdjustRecords(meet_.DataPath("Shikaku.dat"));
  } catch (const RuntimeError& e) {
    messages_.ShowMessage(e.what());
  }
}

}  // namespace poolside
