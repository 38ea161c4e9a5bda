// The second desk's folder: the first start copies the meet's files (not
// its capture) and marks the folder; a later start copies nothing again;
// the meet's own folder is never taken for the second desk's.
#include <gtest/gtest.h>

#include "meetdata/shadow_folder.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

struct Meet {
  TempDir dir;
  Meet() {
    dir.MakeDir("meet");
    dir.MakeDir("meet/lap");
    dir.MakeDir("meet/goal");
    dir.MakeDir("meet/capture");
    dir.Write("meet/Race.dat", std::string(1024, '0'));
    dir.Write("meet/taikai.dat", "heats");
    dir.Write("meet/lap/r0001", " 1 ,   30.00,L,");
    dir.Write("meet/capture/20261209-100203.cap", "the desk's capture");
  }
};

TEST(ShadowFolder, TheFirstStartCopiesTheMeetButNotItsCaptureAndMarksTheFolder) {
  Meet m;
  const ShadowPrepared first = PrepareShadowFolder(m.dir.File("meet"), m.dir.File("shadow"), 100);
  ASSERT_TRUE(first.ok) << first.problem;
  EXPECT_TRUE(first.copied);
  EXPECT_EQ(m.dir.Read("shadow/taikai.dat"), "heats");
  EXPECT_EQ(m.dir.Read("shadow/lap/r0001"), " 1 ,   30.00,L,");
  EXPECT_TRUE(m.dir.Exists("shadow/goal"));  // made although the meet's is empty
  EXPECT_FALSE(m.dir.Exists("shadow/capture"));
  EXPECT_EQ(ParseShadowMarker(m.dir.Read("shadow/poolside.shadow")), m.dir.File("meet"));
  EXPECT_FALSE(m.dir.Exists("meet/poolside.shadow"));

  // What the second desk wrote since stays: a later start copies nothing.
  m.dir.Write("shadow/lap/r0001", " 1 ,   30.00,L, 1 ,   61.00,G,");
  m.dir.Write("meet/taikai.dat", "changed");
  const ShadowPrepared again = PrepareShadowFolder(m.dir.File("meet"), m.dir.File("shadow"), 200);
  ASSERT_TRUE(again.ok) << again.problem;
  EXPECT_FALSE(again.copied);
  EXPECT_EQ(m.dir.Read("shadow/lap/r0001"), " 1 ,   30.00,L, 1 ,   61.00,G,");
  EXPECT_EQ(m.dir.Read("shadow/taikai.dat"), "heats");
}

TEST(ShadowFolder, TheMeetsOwnFolderOrABrokenMarkerIsRefused) {
  Meet m;
  const ShadowPrepared same = PrepareShadowFolder(m.dir.File("meet"), m.dir.File("meet") + "/", 1);
  EXPECT_FALSE(same.ok);
  // The same folder by another way there.
  const ShadowPrepared around =
      PrepareShadowFolder(m.dir.File("meet"), m.dir.File("meet/lap/.."), 1);
  EXPECT_FALSE(around.ok);
  EXPECT_FALSE(m.dir.Exists("meet/poolside.shadow"));
  m.dir.MakeDir("other");
  m.dir.Write("other/poolside.shadow", "not a marker\n");
  const ShadowPrepared broken = PrepareShadowFolder(m.dir.File("meet"), m.dir.File("other"), 1);
  EXPECT_FALSE(broken.ok);
  EXPECT_NE(broken.problem.find("poolside.shadow"), std::string::npos) << broken.problem;
  EXPECT_FALSE(m.dir.Exists("other/taikai.dat"));
  EXPECT_EQ(ParseShadowMarker("poolside-shadow 1\nsince=5\n"), std::nullopt);
}

}  // namespace
}  // namespace poolside
