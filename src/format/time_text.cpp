#include "format/time_text.h"

#include <string>

namespace poolside {

namespace {

struct StatusWord {
  const char* digits;
  const char* word;
};
const StatusWord kStatusWords[] = {
    {"666666", "参加"}, {"700001", "ｽﾀｰﾄ"}, {"700002", "泳法"},
    {"700003", "折返"}, {"700004", "ｺﾞｰﾙ"}, {"700005", "引継"},
    {"700006", "逸脱"}, {"700007", "途中"}, {"888888", "棄権"},
};

}  // namespace

std::string TimeText(std::int32_t value) {
  // Digits without the sign; widened so that the most negative value works.
  long long magnitude = value;
  if (magnitude < 0) magnitude = -magnitude;
  const std::string d = std::to_string(magnitude);
  if (d.size() == 1) return "";
  const std::string padded = std::string(6, ' ') + d;
  const std::string s = padded.substr(padded.size() - 6);
  for (const auto& status : kStatusWords) {
    if (s == status.digits) return status.word;
  }
  if (d.size() >= 5) return s.substr(0, 2) + ":" + s.substr(2, 2) + "." + s.substr(4, 2);
  return "   " + s.substr(2, 2) + "." + s.substr(4, 2);
}

}  // namespace poolside
