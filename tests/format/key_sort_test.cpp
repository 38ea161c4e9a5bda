#include "format/key_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace poolside {
namespace {

TEST(SortStrings, SmallCountsLeaveTheArrayAlone) {
  std::vector<std::string> one = {"z", "b"};
  SortStrings(one, 1);
  EXPECT_EQ(one, (std::vector<std::string>{"z", "b"}));
  std::vector<std::string> none = {"z", "b", "a"};
  SortStrings(none, 0);
  SortStrings(none, -4);
  EXPECT_EQ(none, (std::vector<std::string>{"z", "b", "a"}));
}

TEST(SortStrings, RankingKeysSortByTimeThenLaneAndElementZeroStays) {
  std::vector<std::string> keys = {"zero",     "01023404", "00598707",
                                   "01023402", "88888801", "00598709"};
  SortStrings(keys, 5);
  EXPECT_EQ(keys, (std::vector<std::string>{"zero", "00598707", "00598709", "01023402", "01023404",
                                            "88888801"}));
}

TEST(SortStrings, OrdersByCharacterCodeNotNumberOrLocale) {
  std::vector<std::string> v = {"", "9", "10", "a", "B", "ab", "\xef\xbd\xb1", " "};
  SortStrings(v, 7);
  EXPECT_EQ(v, (std::vector<std::string>{"", " ", "10", "9", "B", "a", "ab", "\xef\xbd\xb1"}));
}

TEST(SortStrings, AgreesWithAReferenceSortForManySizes) {
  std::mt19937 rng(7);
  for (int n = 2; n <= 40; ++n) {
    std::vector<std::string> v(static_cast<std::size_t>(n) + 1);
    for (auto& s : v) s = std::to_string(rng() % 50);
    std::vector<std::string> expected = v;
    std::sort(expected.begin() + 1, expected.end());
    SortStrings(v, n);
    EXPECT_EQ(v, expected) << "n = " << n;
  }
}

TEST(SortStrings, ACountBeyondTheArrayNeverReadsPastIt) {
  std::vector<std::string> v = {"x", "c", "a", "b"};
  SortStrings(v, 100);
  EXPECT_EQ(v, (std::vector<std::string>{"x", "a", "b", "c"}));
  std::vector<std::string> empty;
  SortStrings(empty, 3);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace poolside
