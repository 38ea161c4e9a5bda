#pragma once
// What the fuzz targets share: a data folder in a temporary folder that
// lives as long as the process, the checks of the lap and goal file shapes,
// and a failure that says what broke before it aborts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "meetdata/meet_data.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace poolside::fuzz {

// Aborts (a finding) with `what` on standard error unless `ok`.
inline void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A data folder with lap/ and goal/ and a meet data module over it. The
// start-up warnings are dropped: they are expected for most inputs.
struct DataFolder {
  testing::TempDir dir;
  PathMapper paths;
  MeetData meet{paths};

  DataFolder() {
    dir.MakeDir("lap");
    dir.MakeDir("goal");
    meet.DataFolder = dir.Path() + "\\";
    meet.OnWarning = [](const std::string&) {};
  }
  std::string Path(const std::string& name) const { return dir.File(name); }
};

// The first byte of an input picks one of `n` cases; the rest is the input.
inline unsigned TakeSelector(std::string_view& bytes, unsigned n) {
  if (bytes.empty()) return 0;
  const unsigned s = static_cast<unsigned char>(bytes[0]) % n;
  bytes.remove_prefix(1);
  return s;
}

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

// A lap file is a run of whole records "lane,time,kind," where the lane is
// a whole number, the time holds no comma, quote or control byte and the
// kind is L or G.
inline bool IsWholeLapFile(std::string_view file) {
  std::size_t pos = 0;
  while (pos < file.size()) {
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
  }
  return true;
}

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

}  // namespace poolside::fuzz
