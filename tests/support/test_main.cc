// Test entry point shared by every suite. Qt suites need a platform even when
// the tests are only listed, so the offscreen one is chosen when none is set.
#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifndef _WIN32  // the Windows build has no Qt
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
