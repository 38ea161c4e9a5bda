#pragma once
// What the end-to-end tests of the desk's files share: the demo meet, a
// desk run under a script and killed once its race is on screen, and the
// program's window-less commands, each started in the meet's prog folder.
// The including test defines POOLSIDE_BIN and DEMO_BIN.
#include <gtest/gtest.h>

#include "child_process.h"
#include "support/wait_for.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace e2e {

// Race 3 of the demo meet with two races done: lanes 1 and 2 swim two
// lengths (30.00 and 31.00, then 1:01.00 and 1:02.00) over the scripted
// port; the race label is shown once every line before it was taken.
inline constexpr const char* kTwoLanesTwoLengths =
    "click frmRace.cmdZushin\n"
    "port \" A       10.00 \\r\"\n"
    "port \" A 11    30.00L\\r\"\n"
    "port \" A 22    31.00L\\r\"\n"
    "port \" A 11  1:01.00G\\r\"\n"
    "port \" A 22  1:02.00G\\r\"\n"
    "port \" A        0.00 \\r\"\n"
    "show frmRace.lblRace\n"
    "wait 60000\n";

// The demo meet in `meet`, its first `done` races done.
inline ::testing::AssertionResult MakeDemoMeet(const std::filesystem::path& meet, int done = 2) {
  std::string command = "'" + std::string(DEMO_BIN) + "' '" + meet.string() + "'";
  if (done > 0) command += " --done " + std::to_string(done);
  if (std::system((command + " >/dev/null").c_str()) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the demo meet was not made: " << command;
}

// The desk on `meet` under `script` (written to scratch/race.script, its
// output in scratch/out and scratch/err) until it shows its race label;
// then killed (SIGKILL), as by a power cut once the race is over.
inline ::testing::AssertionResult RunDeskUntilShownThenKill(const std::filesystem::path& meet,
                                                            const std::filesystem::path& scratch,
                                                            const std::string& script) {
  std::ofstream(scratch / "race.script") << script;
  Child desk({POOLSIDE_BIN, "-platform", "offscreen", "--drive", "c=" + meet.string(), "--script",
              (scratch / "race.script").string()},
             meet / "prog", scratch / "out", scratch / "err");
  const bool shown = poolside::testing::WaitFor(
      [&] { return ReadAll(scratch / "out").find("lblRace") != std::string::npos; },
      std::chrono::seconds(30));
  desk.Kill();
  if (shown) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the desk never showed its race: " << ReadAll(scratch / "err");
}

// A window-less command of the program on `meet` (`more` after its
// --drive); its standard output, then its standard error, in `said`.
// Returns its exit status.
inline int RunCommand(const std::filesystem::path& meet, const std::filesystem::path& scratch,
                      const std::vector<std::string>& more, std::string& said) {
  std::vector<std::string> args = {POOLSIDE_BIN, "--drive", "c=" + meet.string()};
  args.insert(args.end(), more.begin(), more.end());
  Child command(args, meet / "prog", scratch / "tout", scratch / "terr");
  const int status = command.Wait(60);
  said = ReadAll(scratch / "tout") + ReadAll(scratch / "terr");
  return status;
}

}  // namespace e2e
