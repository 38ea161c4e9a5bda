#include "timing/race_wiring.h"

#include <functional>
#include <map>

#include "race_rig.h"

#include <gtest/gtest.h>

namespace poolside::testing {
namespace {

// Keeps every connection by the control it was made for, so that a test can
// raise each event by hand.
struct RecordingConnector : RaceEventConnector {
  std::map<const void*, std::function<void()>> changes, clicks;
  std::map<const void*, std::function<void(int, int)>> keys;
  void OnChange(TextBox& box, std::function<void()> handler) override {
    EXPECT_TRUE(changes.emplace(&box, std::move(handler)).second) << "connected twice";
  }
  void OnKeyDown(TextBox& box, std::function<void(int, int)> handler) override {
    EXPECT_TRUE(keys.emplace(&box, std::move(handler)).second) << "connected twice";
  }
  void OnClick(Button& button, std::function<void()> handler) override {
    EXPECT_TRUE(clicks.emplace(&button, std::move(handler)).second) << "connected twice";
  }
};

// Each control's event reaches the handler of that control and lane, not a
// neighbour's.
TEST(RaceWiring, EachEventRunsTheHandlerOfItsOwnControlAndLane) {
  RaceRig rig;
  rig.WriteBook("11111");
  rig.Show(2);
  RecordingConnector r;
  WireRaceControls(*rig.w, rig.Pointers(), r);
  EXPECT_EQ(r.keys.size(), 11u);     // the race selection and ten time boxes
  EXPECT_EQ(r.changes.size(), 21u);  // two rows of lane identifiers and the status
  EXPECT_EQ(r.clicks.size(), 3u);

  r.keys.at (&rig.txtBiko)(kKeyDown, 0);
  EXPECT_EQ(rig.w->Book().RaceNo, 3);
  ClearFocus();
  r.keys.at (&rig.txtKiro[3])(kKeyDown, 0);
  EXPECT_TRUE(rig.txtKiro[4].HasFocus());

  rig.txtSingo[2].text = "A";  // the text alone, the handler by hand
  r.changes.at (&rig.txtSingo[2])();
  EXPECT_EQ(rig.w->LaneMap()[2], 'A');
  rig.txtTSingo[6].text = "B";
  r.changes.at (&rig.txtTSingo[6])();
  EXPECT_EQ(rig.w->SpareLaneMap()[6], 'B');
  EXPECT_EQ(rig.w->LaneMap()[6], '7');

  r.clicks.at (&rig.cmdZushin)();
  EXPECT_TRUE(rig.w->Receiving());
  r.clicks.at (&rig.cmdZushin)();
  EXPECT_FALSE(rig.w->Receiving());
}

// The rig's own wiring is the same list: typing into a box runs its handler.
TEST(RaceWiring, AControlSetRunsTheChangeHandlersOfItsBoxes) {
  RaceRig rig;
  rig.WriteBook("11111");
  rig.Show(1);
  rig.txtTSingo[0].Type("Z");
  EXPECT_EQ(rig.w->SpareLaneMap()[0], 'Z');
  rig.txtSingo[9].Type("QR");
  EXPECT_EQ(rig.txtSingo[9].text, "Q");  // the first character stays
  EXPECT_EQ(rig.w->LaneMap()[9], 'Q');
}

}  // namespace
}  // namespace poolside::testing
