#pragma once
// The program's options, one entry each in the order --help lists them:
// the name the parser matches, whether a value follows, what the value sets
// in Options, and the option's lines of the help.

#include <span>
#include <string>

#include "app/options.h"

namespace poolside {

// What follows an option's name on the command line.
enum class OptionValue {
  None,         // --competition
  Word,         // --script FILE: the next word, whatever it looks like
  WordAndMore,  // --insert-after K [TIME]: the next word, and the one after
                // it unless that starts with "--"
  Words,        // --watch T [T [T]]: the next word, and up to two more that
                // do not start with "--" (`more` holds them, blank-separated)
};

// An option as given: its name as written ("-h"), its value and, for
// WordAndMore, the optional word (null when there was none).
struct GivenOption {
  const std::string& name;
  const std::string& value;
  const std::string* more;
};

struct OptionEntry {
  // Null for a line of the help alone (Qt's -platform, a second form of an
  // option, an option listed again).
  const char* name;
  const char* alias;  // a second name ("-h"), or null
  OptionValue value;
  // Sets the option's field of Options; returns the message of a wrong
  // value ("" when it is right).
  std::string (*apply)(Options& o, const GivenOption& given);
  // The help's left column ("--drive X=DIR", sub-options indented by two);
  // null when the option is listed with another one's line.
  const char* usage;
  // The help's right column; "\n" starts a continuation line.
  const char* help;
};

std::span<const OptionEntry> OptionTable();
// The entry that parses `name` (its name or its alias); null when none does.
const OptionEntry* FindOption(const std::string& name);
// The table's lines of the help: usage and help in two columns.
std::string OptionHelpLines();

}  // namespace poolside
