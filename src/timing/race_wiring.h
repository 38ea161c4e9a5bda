#pragma once
// Which handler of the timing window each event of its controls runs: the
// one list that every shell (the Qt view, the headless window, the tests'
// rig) connects, each through its own connector.

#include <array>
#include <functional>

#include "platform/controls.h"
#include "timing/race_window.h"

namespace poolside {

// How a shell connects an event of one of its controls to a handler. A
// shell whose controls cannot raise an event kind (plain controls have no
// keys and no clicks: their shell calls the window directly) keeps the
// default, which connects nothing.
class RaceEventConnector {
 public:
  virtual ~RaceEventConnector() = default;
  // The box's text changed, typed or set by the window.
  virtual void OnChange(TextBox& box, std::function<void()> handler) = 0;
  // A key went down in the box: its key code and shift state.
  virtual void OnKeyDown(TextBox&, std::function<void(int key, int shift)>) {}
  virtual void OnClick(Button&, std::function<void()>) {}
};

// Connects every control of `c` whose events the window handles to `race`.
void WireRaceControls(RaceWindow& race, const RaceControls& c, RaceEventConnector& connector);

// frmRace's controls as members, for a shell that owns them (the headless
// window, the tests' rig): label, text box and button types L, T and B,
// with T holding its change handler in a member `onChange`.
template <class L, class T, class B>
struct RaceControlSet {
  L lblRace, lblPNo, lblKumi, lblSei, lblKubun, lblShu, lblYoKetu, lblNin, lblTimer, lblVersion;
  T txtKetugo, txtBiko, txtPort;
  B cmdShoki, cmdKakutei, cmdZushin;
  std::array<T, kLanes> txtJun, txtKiro, txtShukai, txtSingo, txtTSingo;

  RaceControls Pointers() {
    RaceControls c;
    c.lblRace = &lblRace;
    c.lblPNo = &lblPNo;
    c.lblKumi = &lblKumi;
    c.lblSei = &lblSei;
    c.lblKubun = &lblKubun;
    c.lblShu = &lblShu;
    c.lblYoKetu = &lblYoKetu;
    c.lblNin = &lblNin;
    c.lblTimer = &lblTimer;
    c.lblVersion = &lblVersion;
    c.txtKetugo = &txtKetugo;
    c.txtBiko = &txtBiko;
    c.txtPort = &txtPort;
    c.cmdShoki = &cmdShoki;
    c.cmdKakutei = &cmdKakutei;
    c.cmdZushin = &cmdZushin;
    for (int i = 0; i < kLanes; ++i) {
      c.txtJun[i] = &txtJun[i];
      c.txtKiro[i] = &txtKiro[i];
      c.txtShukai[i] = &txtShukai[i];
      c.txtSingo[i] = &txtSingo[i];
      c.txtTSingo[i] = &txtTSingo[i];
    }
    return c;
  }

  // Connects the change handlers of the set's boxes to `race` (the window
  // built over Pointers()).
  void Wire(RaceWindow& race) {
    struct Changes : RaceEventConnector {
      void OnChange(TextBox& box, std::function<void()> handler) override {
        static_cast<T&>(box).onChange = std::move(handler);
      }
    } changes;
    WireRaceControls(race, Pointers(), changes);
  }
};

}  // namespace poolside
