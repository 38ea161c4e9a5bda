#pragma once
// How a start uses the user's configuration (setup/user_config.h):
//  - a start whose current folder reaches the control file keeps its folder;
//    the file's drives and ports apply under the command line's, except in a
//    script run, whose command line alone says what it does (so rehearsal
//    scripts and tests run the same on every desk);
//  - a start whose current folder reaches no control file and whose command
//    line maps no drive moves to the file's working folder and takes its
//    drives and ports (as from the desktop menu, started in $HOME);
//  - when that still reaches no control file, an interactive start (a
//    display, no --script, no --screenshot) asks for the set-up; any other
//    start goes on to today's message about the missing control file.

#include <string>
#include <vector>

#include "app/options.h"
#include "setup/user_config.h"

namespace poolside {

struct StartConfig {
  std::string folder;              // the configuration folder ("" when unknown)
  bool askSetup = false;           // the set-up dialog should open
  std::vector<std::string> notes;  // for standard error: lines not understood, a failed move
};

// The user's configuration as a start reads it
// ($XDG_CONFIG_HOME/poolside/poolside.conf); empty when there is no folder.
UserConfig StartUserConfig(const char* xdgConfigHome, const char* home);

// `interactive`: a display, no --script and no --screenshot.
StartConfig PrepareStart(Options& options, bool interactive, const char* xdgConfigHome,
                         const char* home);

// Takes the settings of `config` that the command line did not give: drives
// and ports it did not map, the mirror, the live pages' address, the broker
// and its prefix, credentials and CA file, the names, the qualifiers and the
// fastest lengths. A value the command line's own check refuses is skipped
// with a line in `notes`.
void MergeUserConfig(Options& options, const UserConfig& config,
                     std::vector<std::string>* notes = nullptr);

// Changes the process's working folder; false with a note when it fails.
bool EnterWorkdir(const std::string& folder, std::vector<std::string>& notes);

}  // namespace poolside
