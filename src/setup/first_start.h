#pragma once
// The first start from the desktop menu: when the program is started in a
// folder that reaches no control file, the set-up asks for the meet's data
// folder and the console's serial device, and writes what a start needs:
//
//   CONFIG/poolside.conf     drive c=CONFIG, com 1=DEVICE, workdir CONFIG/prog
//   CONFIG/ctl/dr_kyo.ctl    the control file; item 2 is the data folder
//   CONFIG/prog/             the working folder (..\ctl\dr_kyo.ctl from it)
//   DATA/, DATA/lap, DATA/goal   created when missing; nothing in them changes
//
// CONFIG is the user's configuration folder (UserConfigFolder). With drive
// c: mapped to CONFIG the competition screen's c:\ctl\dr_kyo.ctl is the same
// control file as the timing window's.

#include <string>

#include "platform/paths.h"
#include "setup/user_config.h"

namespace poolside {

struct SetupChoice {
  std::string dataFolder;  // native absolute path ("~/" expanded by ExpandHome)
  std::string device;      // the console's port, COM1
};

// True when `controlPath` (a path of the meet office's form, resolved as the
// program resolves it) names an existing file.
[[nodiscard]] bool ControlFileReachable(const PathMapper& paths, const std::string& controlPath);

// "~" or "~/x" with HOME in front; anything else unchanged.
std::string ExpandHome(const std::string& path, const char* home);

// Empty when the choice can be applied, else a message saying what is wrong
// (the folder must be absolute and writable in a control file, a device
// must be given).
std::string CheckSetupChoice(const SetupChoice& choice);

// A suggestion for the data folder when nothing is configured yet.
std::string SuggestedDataFolder(const char* home);

// Applies the choice into the configuration folder `configFolder`: creates
// the folders, writes the control file and the configuration (other lines of
// an existing configuration are kept) and returns the configuration
// written. Throws RuntimeError or IoError naming the folder or file; what
// was written before the failure stays (each file is written atomically).
UserConfig ApplySetup(const SetupChoice& choice, const std::string& configFolder);

// The working folder of a configuration folder: CONFIG/prog.
std::string SetupWorkdir(const std::string& configFolder);

}  // namespace poolside
