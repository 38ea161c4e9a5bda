#pragma once
// What the program answers before any window exists (no display needed):
// --version, --help, --export-all, --recover, --touches, --backups,
// --official, --promote, --compare and --verify-mirror. poolside and the
// window-less poolside-cli both run them through RunWindowlessCommand.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/options.h"
#include "setup/user_config.h"

namespace poolside {

// The program's arguments (UTF-8 on every system) without Qt's own options
// (-platform NAME, -display NAME, -style NAME and other single-dash options).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The options of a window-less command. Those that write or list a result
// (--touches, --backups, --official, --recover, --export-all, --promote)
// take the settings of the user's configuration that the command line did
// not give (read by `readConfig` then, and only then; none when it is
// empty), as the desk does (start_config.h: the backup
// threshold, the qualifiers, the mirror, ...), so what they write agrees
// with the desk's files; a promotion keeps its own --mirror (the copy that
// becomes the data folder). The configuration's problems go to `err`. The
// working folder stays: the paths of the command line are relative to it.
Options WindowlessOptions(const std::vector<std::string>& args,
                          const std::function<UserConfig()>& readConfig, std::ostream& err);

// Runs --recover, --touches, --backups, --official, --promote, --version,
// --help or --export-all when the arguments ask for one and returns its
// exit status, with the options of WindowlessOptions; none when the
// windows should start (bad options too: the normal start reports them).
std::optional<int> RunWindowlessCommand(const std::vector<std::string>& args, std::ostream& out,
                                        std::ostream& err,
                                        const std::function<UserConfig()>& readConfig);

// Runs --version, --help or --export-all when one of them is given and
// returns the exit status; none when the windows should start. Bad options
// give none too: the normal start reports them.
std::optional<int> RunEarlyCommand(const std::vector<std::string>& args, std::ostream& out);

std::string VersionText();
std::string HelpText();
// The synopsis printed with a refused option (standard error, status 2).
std::string UsageText();

}  // namespace poolside
