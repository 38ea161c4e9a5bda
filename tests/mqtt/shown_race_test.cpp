// The race a second desk takes from the desk's feed: only a race_shown
// message with a race number it can show.
#include <gtest/gtest.h>

#include "mqtt/shown_race.h"

namespace poolside {
namespace {

TEST(ShownRaceOf, OnlyARaceShownMessageNamesARace) {
  EXPECT_EQ(ShownRaceOf(R"({"type":"race_shown","seq":4,"race":{"race":12,"status":"1"}})"), 12);
  EXPECT_EQ(ShownRaceOf(R"({"type":"clock","seq":5,"race":{"race":12}})"), std::nullopt);
  EXPECT_EQ(ShownRaceOf(R"({"type":"race_shown","seq":6,"race":null})"), std::nullopt);
  EXPECT_EQ(ShownRaceOf(R"({"type":"race_shown","seq":7,"race":{"race":0}})"), std::nullopt);
  EXPECT_EQ(ShownRaceOf(R"({"type":"race_shown","seq":8,"race":{"race":99999}})"), std::nullopt);
  EXPECT_EQ(ShownRaceOf(R"({"type":"race_shown","race":{"race":"3"}})"), std::nullopt);
  EXPECT_EQ(ShownRaceOf("{\"type\":\"race_shown\",\"race\":{\"race\":3}"), std::nullopt);  // cut
  EXPECT_EQ(ShownRaceOf(""), std::nullopt);
}

}  // namespace
}  // namespace poolside
