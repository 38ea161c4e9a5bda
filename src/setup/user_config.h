#pragma once
// The user's configuration: $XDG_CONFIG_HOME/poolside/poolside.conf
// (~/.config/poolside/poolside.conf when XDG_CONFIG_HOME is unset or not an
// absolute path). A UTF-8 text file, one setting a line:
//
//   # a comment; blank lines are skipped
//   drive c=/home/desk/.config/poolside     as --drive c=DIR
//   com 1=/dev/serial/by-id/usb-...-port0   as --com 1=DEVICE
//   workdir /home/desk/.config/poolside/prog
//   public-names initials                   as --public-names
//   qualifiers 1=8                          as --qualifiers (one a line)
//   backup-threshold 0.30                   as --backup-threshold
//   mirror /media/usb/meet-copy             as --mirror
//   http 8080                               as --http [ADDR:]PORT
//   mqtt broker.local                       as --mqtt HOST[:PORT]
//   mqtt-prefix pool1                       as --mqtt-prefix
//   mqtt-auth /home/desk/.config/poolside/broker.auth    as --mqtt-auth
//   mqtt-cafile /home/desk/.config/poolside/ca.pem       as --mqtt-cafile
//   min-split-25 9.0                        the fastest 25 m length (seconds)
//   min-split-50 19.0                       the fastest 50 m length (seconds)
//
// "workdir" is the folder the program starts in when the current folder
// reaches no control file (..\ctl\dr_kyo.ctl), as from the desktop menu.
// The set-up dialog writes the file; it may be edited by hand.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace poolside {

struct UserConfig {
  std::map<char, std::string> drives;   // drive X=DIR (letter lower-cased)
  std::map<int, std::string> coms;      // com N=DEVICE
  std::string workdir;                  // empty: none
  std::string publicNames;              // full, initials, none; empty: not set
  std::vector<std::string> qualifiers;  // ROUND=N
  std::string mirror;                   // mirror /FOLDER: the copy off the machine
  std::string backupThreshold;          // seconds ("0.30"); empty: not set
  std::string http;                     // [ADDR:]PORT of the live pages
  std::string mqtt;                     // HOST[:PORT] of the broker
  std::string mqttPrefix;               // the topics' first level
  std::string mqttAuth;                 // /FILE: user and password
  std::string mqttCaFile;               // /FILE: TLS to the broker
  double minSplit25 = 0;                // seconds; 0: not set
  double minSplit50 = 0;
  // One message per line that was not understood, naming the file and the
  // line; such a line is skipped and the rest still counts.
  std::vector<std::string> problems;
};

// The configuration folder from XDG_CONFIG_HOME and HOME (either may be
// null): "$XDG_CONFIG_HOME/poolside" or "$HOME/.config/poolside"; empty when
// neither gives an absolute path.
std::string UserConfigFolder(const char* xdgConfigHome, const char* home);
inline constexpr const char* kUserConfigName = "poolside.conf";

// A file larger than this is not read (one problem says so).
inline constexpr std::size_t kMaxUserConfigBytes = 64 * 1024;
// A line not understood is shown up to this many bytes (at a whole
// character, "..." after a cut), and at most this many such lines are
// named; one more problem counts the rest.
inline constexpr std::size_t kMaxShownLineBytes = 80;
inline constexpr std::size_t kMaxNamedProblems = 20;

// Parses the text of a configuration file; `name` names it in the problems.
UserConfig ParseUserConfig(const std::string& text, const std::string& name);
// Reads the file: a missing file is an empty configuration without
// problems; an unreadable one, or one over kMaxUserConfigBytes, gives one
// problem and an empty configuration.
UserConfig ReadUserConfig(const std::string& path);

// The file's text, with a header that says what the lines mean.
std::string UserConfigText(const UserConfig& config);
// Writes it atomically (beside the file, then renamed over it), creating the
// folder when missing. Throws IoError naming the file.
void WriteUserConfig(const std::string& path, const UserConfig& config);

}  // namespace poolside
