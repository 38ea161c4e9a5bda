#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/numbers.h"

namespace poolside {
namespace {

// The window system sets the program's locale from the environment; a locale
// with a decimal comma must not change how numbers are read or written.
class CommaLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name)) {
        if (std::string(std::localeconv()->decimal_point) == ",") return;
      }
    }
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CommaLocaleTest, NumbersAreReadAndWrittenWithAPoint) {
  EXPECT_DOUBLE_EQ(LeadingValue("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(LeadingValue("1.5E2"), 150);
  EXPECT_DOUBLE_EQ(LeadingValue("3,5"), 3);
  EXPECT_EQ(ShortestGeneral(1.5), "1.5");
  EXPECT_EQ(ShortestGeneral(-0.25), "-0.25");
  EXPECT_EQ(ShortestGeneral(1.5e20), "1.5E+20");
  try {
    RoundToInt16OrThrow(40000.5, "組");
    FAIL() << "no exception";
  } catch (const OverflowError& e) {
    EXPECT_NE(std::string(e.what()).find("40000.5"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace poolside
