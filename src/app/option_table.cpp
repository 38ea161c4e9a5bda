#include "app/option_table.h"

#include <cstdlib>

#include "mqtt/topics.h"
#include "results/backup_times.h"
#include "results/entry_list.h"
#include "results/standings.h"
#include "setup/mappings.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lanes.h"

namespace poolside {

namespace {

std::string Wrong(const GivenOption& g, const std::string& expected) {
  return g.name + " の値が正しくありません: " + g.value + " (" + expected + ")";
}

template <bool Options::*Field>
std::string SetFlag(Options& o, const GivenOption&) {
  o.*Field = true;
  return {};
}

template <std::string Options::*Field>
std::string SetText(Options& o, const GivenOption& g) {
  o.*Field = g.value;
  return {};
}

// A whole number from 1 to `high` (as strtol reads it).
bool ParseCount(const std::string& v, long high, int& out) {
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (v.empty() || *end != '\0' || n < 1 || n > high) return false;
  out = static_cast<int>(n);
  return true;
}

std::string SetDrive(Options& o, const GivenOption& g) {
  char letter = 0;
  std::string dir;
  if (!ParseDriveMapping(g.value, letter, dir)) return Wrong(g, "expected X=DIR");
  o.drives[letter] = dir;
  return {};
}

std::string SetCom(Options& o, const GivenOption& g) {
  int port = 0;
  std::string device;
  if (!ParseComMapping(g.value, port, device)) return Wrong(g, "expected N=DEVICE");
  o.coms[port] = device;
  return {};
}

std::string SetHttp(Options& o, const GivenOption& g) {
  if (!ParseHttpAddress(g.value, o.httpAddress, o.httpPort))
    return Wrong(g, "expected [ADDR:]PORT");
  return {};
}

std::string SetMqtt(Options& o, const GivenOption& g) {
  if (!ParseBrokerAddress(g.value, o.mqttHost, o.mqttPort)) return Wrong(g, "expected HOST[:PORT]");
  return {};
}

std::string SetRelay(Options& o, const GivenOption& g) {
  if (!ParseBrokerAddress(g.value, o.relayHost, o.relayPort))
    return Wrong(g, "expected HOST[:PORT]");
  return {};
}

std::string SetPrefix(Options& o, const GivenOption& g) {
  o.mqttPrefix = g.value;
  o.mqttPrefixGiven = true;
  if (!ValidTopicPrefix(o.mqttPrefix)) return Wrong(g, "no '+', '#' or empty level");
  return {};
}

std::string SetFollowPrefix(Options& o, const GivenOption& g) {
  o.followPrefix = g.value;
  if (!ValidTopicPrefix(o.followPrefix)) return Wrong(g, "no '+', '#' or empty level");
  return {};
}

std::string AddRecover(Options& o, const GivenOption& g) {
  o.recover.push_back(g.value);
  return {};
}

// --take and --as: a race number of the capture and of the book.
template <int Options::*Field>
std::string SetRace(Options& o, const GivenOption& g) {
  if (!ParseCount(g.value, 32767, o.*Field)) return Wrong(g, "expected a number from 1");
  return {};
}

template <int Options::*Field, long High>
std::string SetBounded(Options& o, const GivenOption& g) {
  if (!ParseCount(g.value, High, o.*Field))
    return Wrong(g, "expected a number from 1 to " + std::to_string(High));
  return {};
}

// The repair as the words "drop K", "as-finish K" ...
std::string SetRepair(Options& o, const GivenOption& g) {
  if (!o.repair.empty()) return "修正は一度に一つです: " + g.name + " (one repair at a time)";
  o.repair = g.name.substr(2) + " " + g.value;
  return {};
}

// "insert-after K TIME", with TIME "?" (unknown) when none was given.
std::string SetInsertRepair(Options& o, const GivenOption& g) {
  std::string error = SetRepair(o, g);
  if (error.empty()) o.repair += " " + (g.more ? *g.more : std::string("?"));
  return error;
}

std::string SetWatches(Options& o, const GivenOption& g) {
  o.watches = {g.value};
  o.watchGiven = true;
  if (g.more) {
    std::string rest = *g.more;
    for (std::size_t at; !rest.empty(); rest = at == std::string::npos ? "" : rest.substr(at + 1)) {
      at = rest.find(' ');
      o.watches.push_back(rest.substr(0, at));
    }
  }
  for (const std::string& w : o.watches) {
    if (!TypedHundredths(w)) return Wrong(g, "expected times such as 10456 or 1:04.56");
  }
  return {};
}

std::string SetUse(Options& o, const GivenOption& g) {
  TimeUse use;
  if (!ParseTimeUse(g.value, use) && !TypedHundredths(g.value)) {
    return Wrong(g, "expected console, backup or a time such as 10456");
  }
  o.use = g.value;
  return {};
}

std::string SetReason(Options& o, const GivenOption& g) {
  o.reason = g.value;
  o.reasonGiven = true;
  return {};
}

std::string SetThreshold(Options& o, const GivenOption& g) {
  if (!ParseThresholdSeconds(g.value)) return Wrong(g, "expected seconds from 0 to 10, e.g. 0.30");
  o.backupThreshold = g.value;
  return {};
}

std::string SetPublicNames(Options& o, const GivenOption& g) {
  PublicNames mode;
  if (!ParsePublicNames(g.value, mode)) return Wrong(g, "expected full, initials or none");
  o.publicNames = g.value;
  return {};
}

std::string AddQualifiers(Options& o, const GivenOption& g) {
  QualifierRule rule;
  if (!ParseQualifierSetting(g.value, rule)) return Wrong(g, "expected ROUND=N, N from 0 to 99");
  o.qualifiers.push_back(g.value);
  return {};
}

// Two folders: the value and the word after it.
std::string SetCompare(Options& o, const GivenOption& g) {
  if (!g.more) return g.name + " にはフォルダが二つ必要です (" + g.name + " needs DIR_A DIR_B)";
  o.compareLeft = g.value;
  o.compareRight = *g.more;
  return {};
}

std::string SetEncoding(Options& o, const GivenOption& g) {
  o.exportEncoding = g.value;
  if (o.exportEncoding != "utf8" && o.exportEncoding != "cp932")
    return Wrong(g, "expected utf8 or cp932");
  return {};
}

using V = OptionValue;

constexpr OptionEntry kOptions[] = {
    {nullptr, nullptr, V::None, nullptr, "-platform offscreen",
     "run without a display (Qt's own option)"},
    {"--drive", nullptr, V::Word, SetDrive, "--drive X=DIR",
     "drive X: of the meet office's paths is folder DIR\n(default /mnt/x)"},
    {"--com", nullptr, V::Word, SetCom, "--com N=DEVICE",
     "serial port N is DEVICE (default /dev/ttyS{N-1})"},
    {"--competition", nullptr, V::None, SetFlag<&Options::competition>, "--competition",
     "also open the competition screen"},
    {"--script", nullptr, V::Word, SetText<&Options::script>, "--script FILE",
     "run an automation script against the windows"},
    {"--print-to-pdf", nullptr, V::Word, SetText<&Options::printToPdf>, "--print-to-pdf FILE",
     "print into a PDF file instead of the printer"},
    {"--screenshot", nullptr, V::Word, SetText<&Options::screenshot>, "--screenshot FILE",
     "save the windows as PNG images and exit"},
    {"--export-encoding", nullptr, V::Word, SetEncoding, "--export-encoding ENC",
     "CSV of the per-race export: utf8 (with BOM,\nthe default) or cp932"},
    {"--export-all", nullptr, V::None, SetFlag<&Options::exportAll>, "--export-all",
     "write export\\rNNNN.json and .csv for every race\nmarked 6 in Race.dat, then exit (no "
     "window)"},
    {"--capture", nullptr, V::Word, SetText<&Options::capture>, "--capture DIR",
     "keep the capture journal in DIR (default: the\nfolder capture in the data folder)"},
    {"--no-capture", nullptr, V::None, SetFlag<&Options::noCapture>, "--no-capture",
     "keep no capture journal"},
    {nullptr, nullptr, V::None, nullptr, "--com N=replay:FILE[@S]",
     "port N plays a capture file (S times faster; @0 at once)"},
    {"--recover", nullptr, V::Word, AddRecover, "--recover FILE|DIR",
     "list the races of a capture and exit (no window);"},
    {"--take", nullptr, V::Word, SetRace<&Options::take>, "  --take K --as N",
     "print what re-timing captured race K as race N writes"},
    {"--as", nullptr, V::Word, SetRace<&Options::as>, nullptr, nullptr},
    {"--apply", nullptr, V::None, SetFlag<&Options::apply>, "  --apply", "and write it"},
    {"--touches", nullptr, V::Word, SetBounded<&Options::touches, kBookRaces>, "--touches N",
     "list race N's touches per lane and exit (no window);"},
    {"--lane", nullptr, V::Word, SetBounded<&Options::lane, kLanes>, "  --lane L --drop K",
     "print what removing lane L's touch K writes,"},
    {"--drop", nullptr, V::Word, SetRepair, nullptr, nullptr},
    {"--insert-after", nullptr, V::WordAndMore, SetInsertRepair,
     "  --lane L --insert-after K [TIME]",
     "inserting one after touch K (0: before\nthe first; no TIME: time unknown),"},
    {"--as-finish", nullptr, V::Word, SetRepair, "  --lane L --as-finish K | --as-lap K",
     "making touch K the finish or a lap"},
    {"--as-lap", nullptr, V::Word, SetRepair, nullptr, nullptr},
    {nullptr, nullptr, V::None, nullptr, "  --apply", "and write it"},
    {"--backups", nullptr, V::Word, SetBounded<&Options::backups, kBookRaces>, "--backups N",
     "list race N's watches and official times per lane\nand exit (no window);"},
    {"--watch", nullptr, V::Words, SetWatches, "  --lane L --watch T [T [T]]",
     "print what recording lane L's watches writes,"},
    {"--use", nullptr, V::Word, SetUse, "  --lane L --use WHICH",
     "deciding its time (console, backup or a time),"},
    {"--reason", nullptr, V::Word, SetReason, "  --reason TEXT",
     "why it is not the console's (needed then)"},
    {nullptr, nullptr, V::None, nullptr, "  --apply", "and write it"},
    {"--official", nullptr, V::Word, SetBounded<&Options::official, kBookRaces>, "--official N",
     "list race N's undecided flagged lanes and exit;"},
    {nullptr, nullptr, V::None, nullptr, "  --apply", "sign race N off (公式) all the same"},
    {"--backup-threshold", nullptr, V::Word, SetThreshold, "--backup-threshold SECONDS",
     "flag a lane whose watches and console time differ\nby more (default 0.30)"},
    {"--mirror", nullptr, V::Word, SetText<&Options::mirror>, "--mirror DIR",
     "keep a copy of the data folder in DIR (a disk or\nshare off this machine), renewed after "
     "every change"},
    {"--verify-mirror", nullptr, V::Word, SetText<&Options::verifyMirror>, "--verify-mirror DIR",
     "list what differs between the data folder and\nits copy in DIR, and exit (no window)"},
    {"--compare", nullptr, V::WordAndMore, SetCompare, "--compare DIR_A DIR_B",
     "compare two recordings race by race, exit (no window)"},
    {"--shadow", nullptr, V::Word, SetText<&Options::shadow>, "--shadow FOLDER",
     "a second desk on the same line, writing FOLDER only"},
    {"--promote", nullptr, V::Word, SetText<&Options::promote>, "--promote FOLDER",
     "the second desk's FOLDER takes over the desk, exit"},
    {"--take-over", nullptr, V::None, SetFlag<&Options::takeOver>, "--take-over",
     "take the data folder from a writer that has not\nrenewed its lease for a minute"},
    {"--http", nullptr, V::Word, SetHttp, "--http [ADDR:]PORT",
     "serve the live pages (scoreboard, results, WebSocket\nfeed) on ADDR:PORT; off by default"},
    {"--mqtt", nullptr, V::Word, SetMqtt, "--mqtt HOST[:PORT]",
     "publish the race to an MQTT broker (port 1883);\noff by default: no connection is made"},
    {"--mqtt-prefix", nullptr, V::Word, SetPrefix, "--mqtt-prefix PREFIX",
     "first level of the topics (default poolside)"},
    {"--follow-prefix", nullptr, V::Word, SetFollowPrefix, "--follow-prefix PREFIX",
     "the prefix of the desk a --shadow follows"},
    {"--mqtt-auth", nullptr, V::Word, SetText<&Options::mqttAuth>, "--mqtt-auth FILE",
     "broker user (line 1) and password (line 2) from\nFILE, which only its owner may read"},
    {"--mqtt-cafile", nullptr, V::Word, SetText<&Options::mqttCaFile>, "--mqtt-cafile FILE",
     "TLS to the broker, its certificate checked with FILE"},
    {"--relay", nullptr, V::Word, SetRelay, "--relay HOST[:PORT]",
     "no window, no port: serve the live pages of --http\nfrom the broker's race (with "
     "--mqtt-prefix)"},
    {"--public-names", nullptr, V::Word, SetPublicNames, "--public-names MODE",
     "swimmers' names on the pages, the broker and the\noverlays: full (the default), initials "
     "or none"},
    {"--qualifiers", nullptr, V::Word, AddQualifiers, "--qualifiers ROUND=N",
     "N of round code ROUND go on (default 1=8 and 3=8)"},
    {"--version", nullptr, V::None, SetFlag<&Options::version>, "--version",
     "print the version and exit"},
    {"--help", "-h", V::None, SetFlag<&Options::help>, "-h, --help", "print this help and exit"},
};

// Width of the usage column, after the two blanks of indent.
constexpr std::size_t kUsageWidth = 25;

}  // namespace

std::span<const OptionEntry> OptionTable() { return kOptions; }

const OptionEntry* FindOption(const std::string& name) {
  for (const OptionEntry& e : kOptions) {
    if ((e.name && name == e.name) || (e.alias && name == e.alias)) return &e;
  }
  return nullptr;
}

std::string OptionHelpLines() {
  const std::string indent(2 + kUsageWidth, ' ');
  std::string out;
  for (const OptionEntry& e : kOptions) {
    if (!e.usage) continue;
    const std::string usage = e.usage;
    out += "  " + usage;
    // At least two blanks between the columns.
    out += std::string(usage.size() + 2 <= kUsageWidth ? kUsageWidth - usage.size() : 2, ' ');
    const std::string help = e.help;
    std::size_t start = 0;
    for (std::size_t nl; (nl = help.find('\n', start)) != std::string::npos; start = nl + 1) {
      out += help.substr(start, nl - start) + "\n" + indent;
    }
    out += help.substr(start) + "\n";
  }
  return out;
}

}  // namespace poolside
