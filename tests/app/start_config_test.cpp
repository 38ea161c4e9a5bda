// How a start uses the user's configuration: which folder it runs in, which
// mappings it takes, and when it asks for the set-up.

#include "app/start_config.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/display_check.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

namespace fs = std::filesystem;

class StartConfigTest : public ::testing::Test {
 protected:
  StartConfigTest() : before_(fs::current_path()) {
    dir.MakeDir("cfg");
    dir.MakeDir("cfg/poolside");
    dir.MakeDir("home");
    // A configured desk: its working folder reaches its control file.
    dir.MakeDir("desk");
    dir.MakeDir("desk/ctl");
    dir.MakeDir("desk/prog");
    dir.Write("desk/ctl/dr_kyo.ctl", "t\r\n/meet\r\n1\r\n");
    // A meet folder of the office's layout, started in from a terminal.
    dir.MakeDir("office");
    dir.MakeDir("office/ctl");
    dir.MakeDir("office/prog");
    dir.Write("office/ctl/dr_kyo.ctl", "t\r\nc:\\meet\r\n1\r\n");
  }
  ~StartConfigTest() override { fs::current_path(before_); }
  void Configure() {
    dir.Write("cfg/poolside/poolside.conf", "drive c=" + dir.File("desk") +
                                                "\ncom 1=/dev/ttyUSB0\n" + "workdir " +
                                                dir.File("desk/prog") + "\n");
  }
  StartConfig Start(Options& o, bool interactive = true) {
    return PrepareStart(o, interactive, dir.File("cfg").c_str(), dir.File("home").c_str());
  }
  std::string Here() const { return fs::current_path().string(); }

  testing::TempDir dir;

 private:
  fs::path before_;
};

TEST_F(StartConfigTest, FromTheMenuAConfiguredDeskMovesToItsFolderAndTakesItsMappings) {
  Configure();
  fs::current_path(dir.File("home"));
  Options o;
  o.coms[1] = "/dev/pts/7";  // the command line wins
  const StartConfig s = Start(o);
  EXPECT_FALSE(s.askSetup);
  EXPECT_TRUE(s.notes.empty());
  EXPECT_EQ(Here(), fs::canonical(dir.File("desk/prog")).string());
  EXPECT_EQ(o.drives.at('c'), dir.File("desk"));
  EXPECT_EQ(o.coms.at(1), "/dev/pts/7");
  EXPECT_EQ(s.folder, dir.File("cfg/poolside"));
}

TEST_F(StartConfigTest, AFolderThatReachesAControlFileIsKeptAndOnlyAScriptRunIgnoresTheFile) {
  Configure();
  fs::current_path(dir.File("office/prog"));
  Options o;
  o.drives['c'] = dir.File("office");
  Start(o);
  EXPECT_EQ(Here(), fs::canonical(dir.File("office/prog")).string());
  EXPECT_EQ(o.drives.at('c'), dir.File("office"));
  EXPECT_EQ(o.coms.at(1), "/dev/ttyUSB0");

  Options script;
  script.script = "race.txt";
  Start(script, /*interactive=*/false);
  EXPECT_EQ(Here(), fs::canonical(dir.File("office/prog")).string());
  EXPECT_TRUE(script.coms.empty());  // its unmapped ports stay scripted
  EXPECT_TRUE(script.drives.empty());
}

TEST_F(StartConfigTest, NothingConfiguredAsksOnlyAnInteractiveStartWithoutDrives) {
  fs::current_path(dir.File("home"));
  Options menu;
  EXPECT_TRUE(Start(menu).askSetup);
  Options offscreen;
  EXPECT_FALSE(Start(offscreen, /*interactive=*/false).askSetup);
  Options drives;
  drives.drives['c'] = dir.File("office");
  EXPECT_FALSE(Start(drives).askSetup);  // today's message about the control file
  EXPECT_EQ(Here(), fs::canonical(dir.File("home")).string());
}

TEST_F(StartConfigTest, ADriveOnTheCommandLineKeepsTheFolderEvenWhenConfigured) {
  Configure();
  fs::current_path(dir.File("home"));
  Options o;
  o.drives['c'] = dir.File("elsewhere");
  o.script = "x";
  const StartConfig s = Start(o, false);
  EXPECT_FALSE(s.askSetup);
  EXPECT_EQ(Here(), fs::canonical(dir.File("home")).string());
}

TEST_F(StartConfigTest, AScriptRunFromTheHomeFolderUsesTheConfiguredDesk) {
  Configure();
  fs::current_path(dir.File("home"));
  Options o;
  o.script = "race.txt";
  Start(o, false);
  EXPECT_EQ(Here(), fs::canonical(dir.File("desk/prog")).string());
  EXPECT_EQ(o.coms.at(1), "/dev/ttyUSB0");
}

TEST_F(StartConfigTest, AVanishedWorkingFolderOrABadLineIsNotedAndTheSetUpAsked) {
  dir.Write("cfg/poolside/poolside.conf", "workdir " + dir.File("gone") + "\ncom x\n");
  fs::current_path(dir.File("home"));
  Options o;
  const StartConfig s = Start(o);
  EXPECT_TRUE(s.askSetup);
  ASSERT_EQ(s.notes.size(), 2u);
  EXPECT_NE(s.notes[0].find("poolside.conf:2"), std::string::npos) << s.notes[0];
  EXPECT_NE(s.notes[1].find(dir.File("gone")), std::string::npos) << s.notes[1];
}

// The command line wins over the file; the broker's prefix, credentials
// and CA file go with the broker they belong to.
TEST(MergeUserConfig, TheCommandLineWinsAndTheBrokersSettingsGoWithItsAddress) {
  UserConfig file;
  file.http = "8080";
  file.mqtt = "broker.local";
  file.mqttPrefix = "pool1";
  file.mqttAuth = "/etc/poolside/broker.auth";
  file.minSplit25 = 8.0;
  Options fromMenu;
  std::vector<std::string> notes;
  MergeUserConfig(fromMenu, file, &notes);
  EXPECT_EQ(fromMenu.httpPort, 8080);
  EXPECT_EQ(fromMenu.httpAddress, "0.0.0.0");
  EXPECT_EQ(fromMenu.mqttHost, "broker.local");
  EXPECT_EQ(fromMenu.mqttPort, 1883);
  EXPECT_EQ(fromMenu.mqttPrefix, "pool1");
  EXPECT_EQ(fromMenu.mqttAuth, "/etc/poolside/broker.auth");
  EXPECT_DOUBLE_EQ(fromMenu.minSplit25, 8.0);
  EXPECT_DOUBLE_EQ(fromMenu.minSplit50, 19.0);
  EXPECT_TRUE(notes.empty());

  Options typed = ParseOptions({"--http", "9090", "--mqtt", "other:1884"});
  ASSERT_EQ(typed.error, "");
  MergeUserConfig(typed, file, &notes);
  EXPECT_EQ(typed.httpPort, 9090);
  EXPECT_EQ(typed.mqttHost, "other");
  EXPECT_EQ(typed.mqttPrefix, "poolside");  // not the file's broker's prefix
  EXPECT_EQ(typed.mqttAuth, "");

  file.http = ":80";  // passes the file's check, not the option's
  Options wrong;
  MergeUserConfig(wrong, file, &notes);
  EXPECT_EQ(wrong.httpPort, -1);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("http :80"), std::string::npos) << notes[0];
}

TEST(DisplayCheck, APlatformOrADisplayIsNeeded) {
  const auto env = [](std::map<std::string, const char*> values) {
    return [values](const char* n) -> const char* {
      const auto it = values.find(n);
      return it == values.end() ? nullptr : it->second;
    };
  };
  EXPECT_FALSE(DisplayExpected({"poolside"}, env({})));
  EXPECT_FALSE(DisplayExpected({"poolside"}, env({{"DISPLAY", ""}})));
  EXPECT_FALSE(DisplayExpected({"poolside", "-platform"}, env({})));
  EXPECT_TRUE(DisplayExpected({"poolside", "-platform", "offscreen"}, env({})));
  EXPECT_TRUE(DisplayExpected({"poolside"}, env({{"DISPLAY", ":0"}})));
  EXPECT_TRUE(DisplayExpected({"poolside"}, env({{"WAYLAND_DISPLAY", "wayland-0"}})));
  EXPECT_TRUE(DisplayExpected({"poolside"}, env({{"QT_QPA_PLATFORM", "offscreen"}})));
  const std::string line = NoDisplayText("DISPLAY is not set");
  EXPECT_EQ(line.find('\n'), line.size() - 1);  // one line
  EXPECT_NE(line.find("-platform offscreen"), std::string::npos);
}

}  // namespace
}  // namespace poolside
