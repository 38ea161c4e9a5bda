#pragma once
// The shapes of the lap and goal files as the race finish writes them, for
// checks that must hold whatever the input was (fuzz targets, the kill
// soak). No GoogleTest: the fuzz targets and tools include it too.

#include <string>
#include <string_view>
#include <vector>

namespace poolside::testing {

// A whole number as the lap and goal files hold it: blanks, an optional
// minus, digits, blanks (the copies of a combined race drop the blanks).
inline bool IsNumberField(std::string_view f) {
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  if (i < f.size() && f[i] == '-') ++i;
  const std::size_t digits = i;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i;
  if (i == digits) return false;
  while (i < f.size() && f[i] == ' ') ++i;
  return i == f.size();
}

// Splits a lap file into its records "lane,time,kind,"; false when it is not
// a run of whole records: the lane a whole number, the time without comma,
// quote or control byte, the kind L or G. `records` may be null.
inline bool SplitLapRecords(std::string_view file, std::vector<std::string>* records) {
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::size_t start = pos;
    std::string_view fields[3];
    for (auto& f : fields) {
      const std::size_t comma = file.find(',', pos);
      if (comma == std::string_view::npos) return false;
      f = file.substr(pos, comma - pos);
      pos = comma + 1;
    }
    if (!IsNumberField(fields[0])) return false;
    for (char c : fields[1])
      if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    if (fields[2] != "L" && fields[2] != "G") return false;
    if (records) records->emplace_back(file.substr(start, pos - start));
  }
  return true;
}

inline bool IsWholeLapFile(std::string_view file) { return SplitLapRecords(file, nullptr); }

// A goal file is twenty whole numbers, each followed by a comma.
inline bool IsWholeGoalFile(std::string_view file) {
  int fields = 0;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::size_t comma = file.find(',', pos);
    if (comma == std::string_view::npos) return false;
    if (!IsNumberField(file.substr(pos, comma - pos))) return false;
    ++fields;
    pos = comma + 1;
  }
  return fields == 20;
}

}  // namespace poolside::testing
