#pragma once
// Command-line options of the program (Qt's own, such as -platform, are
// taken by QApplication first).

#include <map>
#include <string>
#include <vector>

namespace poolside {

struct Options {
  std::map<char, std::string> drives;  // --drive X=DIR (letter lower-cased)
  std::map<int, std::string> coms;     // --com N=DEVICE
  std::string script;                  // --script FILE
  bool competition = false;            // --competition: open frmKyogi at start
  std::string printToPdf;              // --print-to-pdf FILE: ranking print into a PDF
  std::string screenshot;              // --screenshot FILE: grab the windows as PNG, exit
  std::string capture;                 // --capture DIR: the capture journal's folder
  bool noCapture = false;              // --no-capture: no journal
  std::vector<std::string> recover;    // --recover FILE|DIR (repeatable): captured races
  int take = 0;                        // --take K: the captured race to re-time
  int as = 0;                          // --as N: the race it is re-timed into
  bool apply = false;                  // --apply: write what --take/--as would
  bool takeOver = false;               // --take-over: take a lease not renewed for a minute
  std::string mirror;                  // --mirror DIR: a copy of the data folder kept in DIR
  std::string verifyMirror;            // --verify-mirror DIR: compare the folder with DIR, exit
  std::string compareLeft;             // --compare DIR_A DIR_B: two recordings race by race, exit
  std::string compareRight;
  std::string shadow;   // --shadow FOLDER: a second desk on the same line
  std::string promote;  // --promote FOLDER: the second desk's folder becomes the desk's
  std::string exportEncoding = "utf8";  // --export-encoding utf8|cp932: the export's CSV
  bool exportAll = false;               // --export-all: write every finished race's export, exit
  bool version = false;                 // --version
  bool help = false;                    // --help, -h
  std::string httpAddress;              // --http [ADDR:]PORT: the live pages' address
  int httpPort = -1;                    // its port; -1: no server, no socket
  int touches = 0;                      // --touches N: race N's touches (no window)
  int lane = 0;                         // --lane L: the lane a repair is for
  std::string repair;                   // --drop K, --insert-after K [TIME], --as-finish K,
                       // --as-lap K, as the words "drop K" ... (TIME "?" = unknown)
  int backups = 0;                        // --backups N: race N's watches and official times
  std::vector<std::string> watches;       // --watch T [T [T]]: a lane's watches as typed
  bool watchGiven = false;                // --watch was given
  std::string use;                        // --use console|backup|T: the lane's official time
  std::string reason;                     // --reason TEXT: why it is not the console's
  bool reasonGiven = false;               // --reason was given
  int official = 0;                       // --official N: sign race N off
  std::string backupThreshold;            // --backup-threshold SECONDS ("" not given)
  std::string mqttHost;                   // --mqtt HOST[:PORT]: publish the race to a broker
  int mqttPort = -1;                      // its port (1883); -1: no connection at all
  std::string mqttPrefix = "poolside";    // --mqtt-prefix PREFIX: the topics' first level
  bool mqttPrefixGiven = false;           // --mqtt-prefix was given (a second desk's own)
  std::string followPrefix = "poolside";  // --follow-prefix PREFIX: the desk a --shadow follows
  std::string mqttAuth;                   // --mqtt-auth FILE: user and password (mode 0600)
  std::string mqttCaFile;                 // --mqtt-cafile FILE: TLS to the broker
  std::string relayHost;                  // --relay HOST[:PORT]: serve the pages from a broker
  int relayPort = -1;                     // its port (1883); -1: not a relay
  std::string publicNames;                // --public-names full|initials|none ("" not given: full)
  std::vector<std::string> qualifiers;    // --qualifiers ROUND=N (repeatable; later ones win)
  double minSplit25 = 9.0;   // poolside.conf min-split-25: the fastest 25 m length, seconds
  double minSplit50 = 19.0;  // min-split-50: the fastest 50 m length
  std::string error;         // non-empty: the options are wrong
};

// Each word through its entry of the option table (option_table.h), then the
// broker options checked together; the first wrong word ends the parsing
// with Options::error set.
Options ParseOptions(const std::vector<std::string>& args);

// "[ADDR:]PORT" of --http: PORT alone listens on every IPv4 address
// (0.0.0.0); an IPv6 address goes in brackets ("[::1]:8080"). Port 0 takes
// any free port.
bool ParseHttpAddress(const std::string& value, std::string& address, int& port);

// "HOST[:PORT]" of --mqtt and --relay: the port is 1883 when left out; an
// IPv6 address goes in brackets ("[::1]:1883").
bool ParseBrokerAddress(const std::string& value, std::string& host, int& port);

}  // namespace poolside
