#include "app/options.h"

#include <regex>
#include <sstream>

#include "app/early_commands.h"
#include "app/option_table.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

TEST(ParseOptions, TakesEveryOptionAndRepeatsDrivesAndPorts) {
  Options o = ParseOptions({"--drive", "C=/tmp/c", "--drive", "d=/data", "--com", "1=/dev/pts/3",
                            "--com", "2=/dev/ttyS1", "--script", "run.txt", "--competition",
                            "--print-to-pdf", "out.pdf", "--screenshot", "shot.png"});
  ASSERT_EQ(o.error, "");
  ASSERT_EQ(o.drives.size(), 2u);
  EXPECT_EQ(o.drives['c'], "/tmp/c");  // letters are lower-cased
  EXPECT_EQ(o.drives['d'], "/data");
  EXPECT_EQ(o.coms[1], "/dev/pts/3");
  EXPECT_EQ(o.coms[2], "/dev/ttyS1");
  EXPECT_EQ(o.script, "run.txt");
  EXPECT_TRUE(o.competition);
  EXPECT_EQ(o.printToPdf, "out.pdf");
  EXPECT_EQ(o.screenshot, "shot.png");
}

TEST(ParseOptions, NoArgumentsIsANormalRun) {
  Options o = ParseOptions({});
  EXPECT_EQ(o.error, "");
  EXPECT_TRUE(o.script.empty());
  EXPECT_FALSE(o.competition);
}

TEST(ParseOptions, HttpIsOffUnlessGivenAndTakesAnAddressAndPort) {
  EXPECT_EQ(ParseOptions({}).httpPort, -1);
  Options o = ParseOptions({"--http", "127.0.0.1:8080"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.httpAddress, "127.0.0.1");
  EXPECT_EQ(o.httpPort, 8080);
  o = ParseOptions({"--http", "9000"});
  EXPECT_EQ(o.httpAddress, "0.0.0.0");
  EXPECT_EQ(o.httpPort, 9000);
  o = ParseOptions({"--http", "[::1]:0"});
  EXPECT_EQ(o.httpAddress, "::1");
  EXPECT_EQ(o.httpPort, 0);
  for (const char* bad : {"", "x", ":80", "1.2.3.4:", "1.2.3.4:65536", "80a", "1.2.3.4:-1"}) {
    o = ParseOptions({"--http", bad});
    EXPECT_NE(o.error.find("--http"), std::string::npos) << bad;
  }
  EXPECT_NE(ParseOptions({"--http"}).error, "");
}

TEST(ParseOptions, BrokerOptionsAreOffUnlessGivenAndBelongTogether) {
  const Options none = ParseOptions({});
  EXPECT_EQ(none.mqttPort, -1);
  EXPECT_EQ(none.relayPort, -1);
  Options o = ParseOptions({"--mqtt", "broker.local", "--mqtt-prefix", "meet/hall-2", "--mqtt-auth",
                            "auth", "--mqtt-cafile", "ca.pem"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.mqttHost, "broker.local");
  EXPECT_EQ(o.mqttPort, 1883);
  EXPECT_EQ(o.mqttPrefix, "meet/hall-2");
  EXPECT_EQ(o.mqttAuth, "auth");
  EXPECT_EQ(o.mqttCaFile, "ca.pem");
  o = ParseOptions({"--relay", "[::1]:8883", "--http", "8080"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.relayHost, "::1");
  EXPECT_EQ(o.relayPort, 8883);
  EXPECT_EQ(ParseOptions({"--mqtt", "10.0.0.2:1884"}).mqttPort, 1884);
  for (const char* bad :
       {"", ":1883", "host:", "host:0", "host:65536", "::1", "[::1", "a b", "host:12x"}) {
    EXPECT_NE(ParseOptions({"--mqtt", bad}).error.find("--mqtt"), std::string::npos) << bad;
  }
  EXPECT_NE(ParseOptions({"--mqtt", "h", "--mqtt-prefix", "a/#"}).error, "");
  EXPECT_NE(ParseOptions({"--mqtt-auth", "auth"}).error.find("--mqtt-auth"), std::string::npos);
  EXPECT_NE(ParseOptions({"--relay", "h"}).error.find("--http"), std::string::npos);
  EXPECT_NE(ParseOptions({"--relay", "h", "--mqtt", "h", "--http", "1"}).error, "");
}

TEST(ParseOptions, DirectoryMayContainAnEqualsSign) {
  Options o = ParseOptions({"--drive", "c=/tmp/a=b"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.drives['c'], "/tmp/a=b");
}

TEST(ParseOptions, RejectsWrongInputWithAMessageNamingIt) {
  struct Case {
    std::vector<std::string> args;
    std::string named;
  };
  const Case cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"--drive"}, "--drive"},
      {{"--drive", "cd=/x"}, "cd=/x"},
      {{"--drive", "=/x"}, "=/x"},
      {{"--drive", "c="}, "c="},
      {{"--drive", "1=/x"}, "1=/x"},
      {{"--com", "x=/dev/tty"}, "x=/dev/tty"},
      {{"--com", "0=/dev/tty"}, "0=/dev/tty"},
      {{"--com", "1"}, "--com"},
      {{"--com", "1x=/dev/tty"}, "1x=/dev/tty"},
      {{"--script"}, "--script"},
      {{"--print-to-pdf"}, "--print-to-pdf"},
  };
  for (const Case& c : cases) {
    Options o = ParseOptions(c.args);
    EXPECT_NE(o.error, "") << c.args[0];
    EXPECT_NE(o.error.find(c.named), std::string::npos) << o.error;
  }
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

TEST(ParseOptions, ExportOptions) {
  Options o = ParseOptions({"--export-encoding", "cp932", "--export-all"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.exportEncoding, "cp932");
  EXPECT_TRUE(o.exportAll);
  EXPECT_EQ(ParseOptions({}).exportEncoding, "utf8");
  o = ParseOptions({"--export-encoding", "sjis"});
  EXPECT_NE(o.error.find("sjis"), std::string::npos);
}

TEST(EarlyCommands, AnswerWithoutAWindowAndLeaveQtOptionsAlone) {
  const char* argv[] = {"poolside", "-platform", "offscreen", "--drive", "c=/x", "--version"};
  const auto args = ProgramArguments(6, const_cast<char**>(argv));
  EXPECT_EQ(args, (std::vector<std::string>{"--drive", "c=/x", "--version"}));
  std::ostringstream out;
  EXPECT_EQ(RunEarlyCommand(args, out), 0);
  EXPECT_EQ(out.str().rfind("poolside ", 0), 0u);
  std::ostringstream help;
  EXPECT_EQ(RunEarlyCommand({"-h"}, help), 0);
  EXPECT_NE(help.str().find("--export-all"), std::string::npos);
  // Anything else starts the windows (bad options are reported there).
  std::ostringstream none;
  EXPECT_FALSE(RunEarlyCommand({"--competition"}, none));
  EXPECT_FALSE(RunEarlyCommand({"--bogus", "--version"}, none));
  EXPECT_EQ(none.str(), "");
}

// Which window-less commands take the user's configuration, and what of it.
TEST(EarlyCommands, CommandsThatWriteAResultTakeTheConfigurationUnderTheirOwnOptions) {
  UserConfig config;
  config.backupThreshold = "0.10";
  config.mirror = "/media/copy";
  config.qualifiers = {"1=16"};
  config.drives = {{'c', "/conf/c"}, {'d', "/conf/d"}};
  config.problems = {"poolside.conf:3: ?"};
  std::ostringstream err;
  Options o = WindowlessOptions(
      {"--drive", "c=/x", "--touches", "3"}, [&] { return config; }, err);
  EXPECT_EQ(o.backupThreshold, "0.10");
  EXPECT_EQ(o.mirror, "/media/copy");
  EXPECT_EQ(o.qualifiers, std::vector<std::string>{"1=16"});
  EXPECT_EQ(o.drives, (std::map<char, std::string>{{'c', "/x"}, {'d', "/conf/d"}}));
  EXPECT_EQ(err.str(), "poolside.conf:3: ?\n");
  o = WindowlessOptions(
      {"--export-all", "--backup-threshold", "0.5", "--mirror", "/m"}, [&] { return config; }, err);
  EXPECT_EQ(o.backupThreshold, "0.5");
  EXPECT_EQ(o.mirror, "/m");
  EXPECT_EQ(o.qualifiers, (std::vector<std::string>{"1=16"}));
  // A promotion's mirror is the copy it promotes into: only its own.
  o = WindowlessOptions(
      {"--promote", "/shadow"}, [&] { return config; }, err);
  EXPECT_EQ(o.backupThreshold, "0.10");
  EXPECT_EQ(o.mirror, "");
  // Comparing folders, the version, a bad option: the command line alone,
  // the file not even read, and nothing said.
  err.str("");
  int reads = 0;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--compare", "/a", "/b"},
                                               {"--version"},
                                               {"--backups", "1", "--bogus"}}) {
    o = WindowlessOptions(
        args,
        [&] {
          ++reads;
          return config;
        },
        err);
    EXPECT_EQ(o.backupThreshold, "") << args[0];
    EXPECT_EQ(o.mirror, "") << args[0];
  }
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// What one accepted command line sets, written as text so that a table can
// hold the expectation.
struct Accepted {
  std::vector<std::string> args;
  std::string (*field)(const Options&);
  std::string expected;
};

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out += (out.empty() ? "" : ",") + s;
  return out;
}

TEST(ParseOptions, EveryOptionSetsItsField) {
  const Accepted cases[] = {
      {{"--com", "2=replay:race.cap@4"},
       [](const Options& o) { return o.coms.at(2); },
       "replay:race.cap@4"},
      {{"--capture", "cap"}, [](const Options& o) { return o.capture; }, "cap"},
      {{"--no-capture"}, [](const Options& o) { return std::to_string(o.noCapture); }, "1"},
      {{"--recover", "a", "--recover", "b"},
       [](const Options& o) { return Join(o.recover); },
       "a,b"},
      {{"--take", "7", "--as", "32767"},
       [](const Options& o) { return std::to_string(o.take) + " " + std::to_string(o.as); },
       "7 32767"},
      {{"--apply"}, [](const Options& o) { return std::to_string(o.apply); }, "1"},
      {{"--touches", "1024", "--lane", "10"},
       [](const Options& o) { return std::to_string(o.touches) + " " + std::to_string(o.lane); },
       "1024 10"},
      {{"--drop", "3"}, [](const Options& o) { return o.repair; }, "drop 3"},
      {{"--as-finish", "2"}, [](const Options& o) { return o.repair; }, "as-finish 2"},
      {{"--as-lap", "0"}, [](const Options& o) { return o.repair; }, "as-lap 0"},
      // The time of an inserted touch is the next word unless that is an
      // option; without it the time is unknown.
      {{"--insert-after", "2", "1:02.34"},
       [](const Options& o) { return o.repair; },
       "insert-after 2 1:02.34"},
      {{"--insert-after", "0"}, [](const Options& o) { return o.repair; }, "insert-after 0 ?"},
      {{"--insert-after", "1", "--apply"},
       [](const Options& o) { return o.repair + " " + std::to_string(o.apply); },
       "insert-after 1 ? 1"},
      {{"--export-encoding", "utf8"}, [](const Options& o) { return o.exportEncoding; }, "utf8"},
      {{"--version"}, [](const Options& o) { return std::to_string(o.version); }, "1"},
      {{"--help"}, [](const Options& o) { return std::to_string(o.help); }, "1"},
      {{"-h"}, [](const Options& o) { return std::to_string(o.help); }, "1"},
      {{"--mqtt", "h", "--mqtt-prefix", "a/b"},
       [](const Options& o) { return o.mqttPrefix; },
       "a/b"},
      // A value is the next word whatever it looks like.
      {{"--script", "--competition"},
       [](const Options& o) { return o.script + " " + std::to_string(o.competition); },
       "--competition 0"},
      {{"--public-names", "initials"}, [](const Options& o) { return o.publicNames; }, "initials"},
      {{"--qualifiers", "1=4", "--qualifiers", "3=0"},
       [](const Options& o) { return Join(o.qualifiers); },
       "1=4,3=0"},
      // Two folders follow --compare.
      {{"--compare", "a", "b"},
       [](const Options& o) { return o.compareLeft + " " + o.compareRight; },
       "a b"},
      {{"--shadow", "s", "--mqtt", "h", "--follow-prefix", "meet", "--mqtt-prefix", "second"},
       [](const Options& o) {
         return o.shadow + " " + o.followPrefix + " " + o.mqttPrefix +
                std::to_string(o.mqttPrefixGiven);
       },
       "s meet second1"},
      {{"--promote", "s", "--mirror", "m"},
       [](const Options& o) { return o.promote + " " + o.mirror; },
       "s m"},
      // A later mapping of the same drive or port wins.
      {{"--drive", "c=/a", "--drive", "C=/b"},
       [](const Options& o) { return o.drives.at('c'); },
       "/b"},
  };
  for (const Accepted& c : cases) {
    const Options o = ParseOptions(c.args);
    EXPECT_EQ(o.error, "") << Join(c.args);
    EXPECT_EQ(c.field(o), c.expected) << Join(c.args);
  }
}

TEST(ParseOptions, EachRefusalWithItsExactMessage) {
  struct Refused {
    std::vector<std::string> args;
    std::string error;
  };
  const Refused cases[] = {
      {{"--bogus"}, "不明なオプションです: --bogus (unknown option)"},
      {{"-x"}, "不明なオプションです: -x (unknown option)"},
      {{"--drive", "cd=/x"}, "--drive の値が正しくありません: cd=/x (expected X=DIR)"},
      {{"--com", "1"}, "--com の値が正しくありません: 1 (expected N=DEVICE)"},
      {{"--http", "x"}, "--http の値が正しくありません: x (expected [ADDR:]PORT)"},
      {{"--mqtt", "host:0"}, "--mqtt の値が正しくありません: host:0 (expected HOST[:PORT])"},
      {{"--relay", ""}, "--relay の値が正しくありません:  (expected HOST[:PORT])"},
      {{"--mqtt", "h", "--mqtt-prefix", "a/+"},
       "--mqtt-prefix の値が正しくありません: a/+ (no '+', '#' or empty level)"},
      {{"--take", "0"}, "--take の値が正しくありません: 0 (expected a number from 1)"},
      {{"--as", "32768"}, "--as の値が正しくありません: 32768 (expected a number from 1)"},
      {{"--take", "1x"}, "--take の値が正しくありません: 1x (expected a number from 1)"},
      {{"--as", ""}, "--as の値が正しくありません:  (expected a number from 1)"},
      {{"--touches", "1025"},
       "--touches の値が正しくありません: 1025 (expected a number from 1 to 1024)"},
      {{"--lane", "0"}, "--lane の値が正しくありません: 0 (expected a number from 1 to 10)"},
      {{"--lane", "11"}, "--lane の値が正しくありません: 11 (expected a number from 1 to 10)"},
      {{"--drop", "1", "--as-lap", "2"}, "修正は一度に一つです: --as-lap (one repair at a time)"},
      {{"--insert-after", "1", "x", "--drop", "2"},
       "修正は一度に一つです: --drop (one repair at a time)"},
      {{"--export-encoding", "sjis"},
       "--export-encoding の値が正しくありません: sjis (expected utf8 or cp932)"},
      {{"--mqtt-auth", "f"},
       "--mqtt-auth は --mqtt か --relay と一緒に使います (--mqtt-auth needs --mqtt or --relay)"},
      // The broker options are checked in a fixed order, not in the order given.
      {{"--mqtt-cafile", "ca", "--mqtt-prefix", "p"},
       "--mqtt-prefix は --mqtt か --relay と一緒に使います (--mqtt-prefix needs --mqtt or "
       "--relay)"},
      {{"--mqtt", "h", "--relay", "h", "--http", "1"},
       "--mqtt と --relay は同時に使えません (--mqtt and --relay exclude each other)"},
      {{"--relay", "h"}, "--relay には --http [ADDR:]PORT が必要です (--relay needs --http)"},
      {{"--public-names", "Full"},
       "--public-names の値が正しくありません: Full (expected full, initials or none)"},
      {{"--qualifiers", "1:8"},
       "--qualifiers の値が正しくありません: 1:8 (expected ROUND=N, N from 0 to 99)"},
      {{"--compare", "a"}, "--compare にはフォルダが二つ必要です (--compare needs DIR_A DIR_B)"},
      {{"--compare", "a", "--apply"},
       "--compare にはフォルダが二つ必要です (--compare needs DIR_A DIR_B)"},
      // A second desk never publishes under the prefix of the desk it follows.
      {{"--shadow", "s", "--mqtt", "h", "--mqtt-prefix", "poolside"},
       "控えは計時席と同じ接頭辞では配信しません: --mqtt-prefix poolside (a second desk "
       "publishes only under a prefix of its own)"},
      {{"--follow-prefix", "meet"},
       "--follow-prefix は --mqtt か --relay と一緒に使います (--follow-prefix needs --mqtt or "
       "--relay)"},
      // The first wrong word ends the parsing.
      {{"--take", "0", "--bogus"}, "--take の値が正しくありません: 0 (expected a number from 1)"},
      {{"--bogus", "--take", "0"}, "不明なオプションです: --bogus (unknown option)"},
  };
  for (const Refused& c : cases) EXPECT_EQ(ParseOptions(c.args).error, c.error) << Join(c.args);
  for (const char* name : {"--drive",          "--com",         "--script",
                           "--print-to-pdf",   "--screenshot",  "--http",
                           "--mqtt",           "--relay",       "--mqtt-prefix",
                           "--mqtt-auth",      "--mqtt-cafile", "--capture",
                           "--recover",        "--take",        "--as",
                           "--touches",        "--lane",        "--drop",
                           "--insert-after",   "--as-finish",   "--as-lap",
                           "--export-encoding"}) {
    EXPECT_EQ(ParseOptions({"--competition", name}).error,
              std::string(name) + " には値が必要です (" + name + " needs a value)");
  }
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// The options as the man page check reads them from --help: every one of
// them must be an option the parser knows (Qt's -platform aside).
TEST(ParseOptions, EveryOptionTheHelpListsIsKnown) {
  const std::regex option(R"((^|[\][ (,|])(--?[a-z][a-z0-9-]*))");
  const std::string help = HelpText();
  int listed = 0;
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
       it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    if (name == "-platform") continue;
    ++listed;
    const std::string error = ParseOptions({name, "1"}).error;
    EXPECT_EQ(error.find("不明なオプションです: " + name + " "), std::string::npos) << error;
  }
  EXPECT_GE(listed, 30);
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// The other direction: every option of the table is named in the help (an
// entry without a line of its own is named on a neighbour's), and no name
// is parsed by two entries.
TEST(OptionTable, EveryEntryIsInTheHelpAndOwnsItsName) {
  const std::string help = HelpText();
  for (const OptionEntry& e : OptionTable()) {
    if (!e.name) {
      EXPECT_NE(e.usage, nullptr) << "an entry with neither a name nor a help line";
      continue;
    }
    EXPECT_NE(help.find(std::string(" ") + e.name + " "), std::string::npos) << e.name;
    EXPECT_EQ(FindOption(e.name), &e) << e.name;
    EXPECT_NE(e.apply, nullptr) << e.name;
    if (e.alias) {
      EXPECT_EQ(FindOption(e.alias), &e) << e.alias;
    }
  }
}

}  // namespace
}  // namespace poolside
