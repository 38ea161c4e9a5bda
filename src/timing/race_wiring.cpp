#include "timing/race_wiring.h"

namespace poolside {

void WireRaceControls(RaceWindow& race, const RaceControls& c, RaceEventConnector& connector) {
  connector.OnKeyDown(*c.txtBiko, [&race](int key, int) { race.OnRaceSelectKeyDown(key); });
  for (int i = 0; i < kLanes; ++i) {
    connector.OnKeyDown(*c.txtKiro[i],
                        [&race, i](int key, int) { race.OnTimeBoxKeyDown(i + 1, key); });
    connector.OnChange(*c.txtSingo[i], [&race, i] { race.OnLaneBoxChange(0, i); });
    connector.OnChange(*c.txtTSingo[i], [&race, i] { race.OnLaneBoxChange(1, i); });
  }
  connector.OnChange(*c.txtKetugo, [&race] { race.OnStatusBoxChange(); });
  connector.OnClick(*c.cmdZushin, [&race] { race.OnStartStopClick(); });
  connector.OnClick(*c.cmdShoki, [&race] { race.OnShokiClick(); });
  connector.OnClick(*c.cmdKakutei, [&race] { race.OnKakuteiClick(); });
}

}  // namespace poolside
