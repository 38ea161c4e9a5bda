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
#include "platform/utf8.h"
#include "support/file_shapes.h"
#include "support/temp_dir.h"

namespace poolside::fuzz {

// Aborts (a finding) with `what` on standard error unless `ok`.
inline void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// Whether `s` is valid UTF-8 as it stands.
inline bool IsUtf8(std::string_view s) { return ValidUtf8(s) == s; }

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

// The lap and goal file shapes every target checks.
using ::poolside::testing::IsNumberField;
using ::poolside::testing::IsWholeGoalFile;
using ::poolside::testing::IsWholeLapFile;

}  // namespace poolside::fuzz
