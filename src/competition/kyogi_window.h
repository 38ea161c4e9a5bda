#pragma once
// The competition screen frmKyogi: its state and every handler, over control
// interfaces. Split by concern:
//   kyogi_window.cpp  load, navigation, FindCompetition, txtToi keys, refresh
//   row_entry.cpp     entry keys and CommitRowEntry
//   kyogi_menus.cpp   timing/order buttons, menus, program print entry
// Record adjustment is record_adjust.h, the text import text_import.h.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "competition/ranking_line.h"
#include "meetdata/meet_data.h"
#include "platform/controls.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace poolside {

// The seven entry columns of a row, in neighbour order (left to right).
enum class EntryColumn { Jun, Kiro, Mu, Nen, Hoj, Biko, No };

// What the screen asks of the window system beyond its own controls.
class KyogiHost {
 public:
  virtual ~KyogiHost() = default;
  // Creates the timing window if needed and shows it (modeless), or brings
  // it to the front when it is shown already.
  virtual void ShowTimingWindow() = 0;
  // Shows one of the screen's own windows: "frmOhda" (modal), "frmKijun",
  // "frmProjun", "frmKiroku", "frmVwPage" (modeless).
  virtual void ShowSubWindow(const std::string& name, bool modal) = 0;
  // Shows the program print window modal; sets txtLpS and txtLpE to `page`
  // first when there is one.
  virtual void ShowProgramPrint(std::optional<int> page) = 0;
  // Prints the lines on the default printer; with no printer available it
  // shows a message and prints nothing.
  virtual void PrintRanking(const std::string& title, const std::vector<RankingLine>& lines) = 0;
  // Closes every file and ends the program at once.
  virtual void EndProgram(int status) = 0;
  // True when the program may end now: a race being received asks first.
  virtual bool ConfirmEnd() { return true; }
};

struct KyogiControls {
  // header labels
  Label* lblPNo = nullptr;
  Label* lblSei = nullptr;
  Label* lblShubetu = nullptr;
  Label* lblShumoku = nullptr;
  Label* lblYoKetu = nullptr;
  Label* lblKumi = nullptr;
  Label* lblTKumi = nullptr;
  Label* lblDate = nullptr;
  Label* lblZikan = nullptr;
  Label* lblYZikan = nullptr;
  Label* lblSZikan = nullptr;
  // row boxes, index 0..11
  std::array<TextBox*, 12> txtNamae{}, txtKana{}, txtKen{}, txtSho{}, txtTosi{}, txtGaku{};
  std::array<TextBox*, 12> txtJun{}, txtKiro{}, txtMu{}, txtNen{}, txtHoj{}, txtBiko{};
  std::array<TextBox*, 12> txtQkiro{}, txtQban{}, txtNo{};
  TextBox* txtToi = nullptr;
  Button* cmdKeiji = nullptr;
  Button* cmdOhda = nullptr;
  Button* Command1 = nullptr;
};

namespace kyogi_texts {
inline constexpr const char* kCaption = "Form1";
inline constexpr const char* kControlFile = "c:\\ctl\\dr_kyo.ctl";
}  // namespace kyogi_texts

class KyogiWindow {
 public:
  KyogiWindow(const KyogiControls& controls, MeetData& meet, MessageSink& messages, KyogiHost& host,
              const PathMapper& paths);

  // The window load. Throws RuntimeError when the control file or the meet
  // file fails.
  void Load();
  void PreviousCompetition();
  void NextCompetition();
  void FindCompetition();
  void OnToiKeyDown(int keyCode, int shift);
  // Shows CurrentHeat in the header labels and the row boxes; never changes
  // CurrentHeat or the file.
  void Refresh();

  // Row entry keys.
  void OnEntryKeyDown(EntryColumn column, int row, int keyCode, int shift);
  void CommitRowEntry(EntryColumn column, int row);

  // Buttons and menus.
  void OnKeijiClick();
  void OnKeijiKeyDown(int keyCode);
  void OnOhdaClick();
  void OnOhdaKeyDown(int keyCode);
  // Menu entries by name: "mOwari", "mKijun", "mProjun", "mKiroku",
  // "mVwPage", "mLpRank", "mLpPage", "mWKyogi", "mWProjun", "mWShikaku",
  // "mWHpro", "mWRel".
  void OnMenu(const std::string& name);
  void OnAdjustClick();  // Command1

 private:
  TextBox* EntryBox(EntryColumn column, int row) const;
  // The text an entry box shows for the stored field: what its Enter would
  // store again.
  std::string StoredText(EntryColumn column, int row) const;
  // After the meet file was replaced: reopens it, reloads the current
  // competition and shows it.
  void ReopenMeet();

  KyogiControls c_;
  MeetData& meet_;
  MessageSink& messages_;
  KyogiHost& host_;
  const PathMapper& paths_;
};

}  // namespace poolside
