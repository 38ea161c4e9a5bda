// The command lines without a window, as poolside and poolside-cli run them.
#include "app/early_commands.h"

#include <gtest/gtest.h>

#include <sstream>

namespace poolside {
namespace {

TEST(WindowlessCommands, VersionAnswersWithoutAWindow) {
  std::ostringstream out, err;
  EXPECT_EQ(RunWindowlessCommand({"--version"}, out, err), 0);
  EXPECT_EQ(out.str().rfind("poolside ", 0), 0u);
}

}  // namespace
}  // namespace poolside
