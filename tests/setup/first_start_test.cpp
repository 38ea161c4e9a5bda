#include "setup/first_start.h"

#include <gtest/gtest.h>

#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

class FirstStartTest : public ::testing::Test {
 protected:
  std::string Config() const { return dir.File("home/.config/poolside"); }
  // Reads the control file the set-up wrote, as the timing window would
  // with the configuration's drives.
  std::string DataFolderSeen(const UserConfig& config) {
    PathMapper paths;
    for (const auto& [letter, folder] : config.drives) paths.MapDrive(letter, folder);
    MeetData meet(paths);
    meet.ReadControlFile("c:\\ctl\\dr_kyo.ctl");  // the competition screen's path
    return meet.DataPath("taikai.dat");
  }
  testing::TempDir dir;
};

TEST_F(FirstStartTest, NewDataFolderGetsLapAndGoalAndTheControlFileNamesIt) {
  const std::string data = dir.File("home/大会 2026");
  const UserConfig c = ApplySetup({data, "/dev/ttyUSB0"}, Config());
  EXPECT_TRUE(dir.Exists("home/大会 2026/lap"));
  EXPECT_TRUE(dir.Exists("home/大会 2026/goal"));
  EXPECT_TRUE(dir.Exists("home/.config/poolside/prog"));
  EXPECT_EQ(c.drives.at('c'), Config());
  EXPECT_EQ(c.coms.at(1), "/dev/ttyUSB0");
  EXPECT_EQ(c.workdir, Config() + "/prog");
  // The control file is Shift-JIS: 大会 is 91 E5 89 EF.
  EXPECT_NE(dir.Read("home/.config/poolside/ctl/dr_kyo.ctl").find("\x91\xe5\x89\xef 2026\r\n"),
            std::string::npos);
  EXPECT_EQ(DataFolderSeen(c), data + "/taikai.dat");
  // What the next start reads is what was returned.
  const UserConfig back = ReadUserConfig(Config() + "/poolside.conf");
  EXPECT_EQ(back.drives, c.drives);
  EXPECT_EQ(back.coms, c.coms);
  EXPECT_EQ(back.workdir, c.workdir);
}

TEST_F(FirstStartTest, ExistingDataFolderKeepsItsFilesAndOtherSettingsStay) {
  dir.MakeDir("meet");
  dir.Write("meet/taikai.dat", "MEET");
  dir.Write("home/.config/poolside/poolside.conf",
            "drive a=/media/usb\ncom 1=/dev/old\ncom 2=/dev/ttyS1\n");
  const UserConfig c = ApplySetup({dir.File("meet"), "/dev/serial/by-id/usb-X-port0"}, Config());
  EXPECT_EQ(dir.Read("meet/taikai.dat"), "MEET");
  EXPECT_EQ(c.drives.at('a'), "/media/usb");
  EXPECT_EQ(c.coms.at(1), "/dev/serial/by-id/usb-X-port0");
  EXPECT_EQ(c.coms.at(2), "/dev/ttyS1");
}

TEST_F(FirstStartTest, FolderWithACommaIsQuotedInTheControlFile) {
  const std::string data = dir.File("a,b");
  const UserConfig c = ApplySetup({data, "/dev/ttyS0"}, Config());
  EXPECT_EQ(DataFolderSeen(c), data + "/taikai.dat");
}

TEST_F(FirstStartTest, RefusesWhatAControlFileCannotHoldAndWritesNothing) {
  for (const std::string bad : {std::string("relative/meet"), std::string(""), dir.File("a\"b"),
                                dir.File("a\\b"), dir.File("emoji-\xF0\x9F\x8F\x8A")}) {
    EXPECT_THROW(ApplySetup({bad, "/dev/ttyS0"}, Config()), RuntimeError) << bad;
  }
  EXPECT_THROW(ApplySetup({dir.File("m"), ""}, Config()), RuntimeError);
  EXPECT_FALSE(dir.Exists("home/.config/poolside/poolside.conf"));
  EXPECT_FALSE(dir.Exists("home/.config/poolside/ctl/dr_kyo.ctl"));
  EXPECT_THROW(ApplySetup({dir.File("m"), "/dev/ttyS0"}, ""), RuntimeError);
}

TEST_F(FirstStartTest, DataFolderThatIsAFileIsNamedInTheFailure) {
  dir.Write("file", "x");
  try {
    ApplySetup({dir.File("file"), "/dev/ttyS0"}, Config());
    FAIL() << "a file was taken for the data folder";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("file")), std::string::npos) << e.what();
  }
  EXPECT_FALSE(dir.Exists("home/.config/poolside/poolside.conf"));
}

TEST(FirstStart, HomeIsExpandedOnlyAtTheStart) {
  EXPECT_EQ(ExpandHome("~/meet", "/home/u"), "/home/u/meet");
  EXPECT_EQ(ExpandHome("~", "/home/u"), "/home/u");
  EXPECT_EQ(ExpandHome("/x/~/y", "/home/u"), "/x/~/y");
  EXPECT_EQ(ExpandHome("~other/x", "/home/u"), "~other/x");
  EXPECT_EQ(ExpandHome("~/meet", nullptr), "~/meet");
}

}  // namespace
}  // namespace poolside
