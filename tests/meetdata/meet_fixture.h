#pragma once
// A meet data module over a fresh temporary data folder.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "meetdata/meet_data.h"
#include "platform/bytes.h"
#include "support/temp_dir.h"

namespace poolside::testing {

class MeetFixture : public ::testing::Test {
 protected:
  MeetFixture() : meet(paths) {
    meet.DataFolder = dir.Path() + "\\";
    meet.OnWarning = [this](const std::string& text) { warnings.push_back(text); };
  }

  // A file of `records` records of `length` bytes each; record 1 holds the
  // count in its first two bytes.
  void WriteRecords(const std::string& name, std::size_t length,
                    const std::vector<Bytes>& records) {
    std::string bytes;
    for (const Bytes& r : records) {
      std::string raw(r.begin(), r.end());
      raw.resize(length, '\0');
      bytes += raw;
    }
    dir.Write(name, bytes);
  }

 public:
  static Bytes Header(std::size_t length, std::int16_t count) {
    Bytes b(length, 0);
    PutInt16(b, 0, count);
    return b;
  }

 protected:
  TempDir dir;
  PathMapper paths;
  MeetData meet;
  std::vector<std::string> warnings;  // the start-up warnings given so far
};

}  // namespace poolside::testing
