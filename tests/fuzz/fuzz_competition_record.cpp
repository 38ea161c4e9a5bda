// Arbitrary bytes as the meet file (taikai.dat) as the live pages, the
// results and the broker's race list read it, record by record from the
// bytes in memory (fuzz_meet_file covers the desk's own reading and
// writing): no crash; every text and label of a race is UTF-8; a start time
// is shown as "hh:mm" or not at all; a record written again is 256 bytes
// and reads back as a record that writes the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "format/labels.h"
#include "fuzz_support.h"
#include "live/meet_reader.h"
#include "meetdata/competition_record.h"

namespace {

using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

bool Digit(char c) { return c >= '0' && c <= '9'; }

bool ShownTime(const std::string& t) {
  return t.empty() ||
         (t.size() == 5 && Digit(t[0]) && Digit(t[1]) && t[2] == ':' && Digit(t[3]) && Digit(t[4]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string meet(poolside::fuzz::Bytes(data, size));
  // The races whose records lie in the bytes, and one beyond (read as zero
  // bytes where the file is short); at most four: every record is read the
  // same way, and four keep the target fast enough for long runs.
  const int inFile = static_cast<int>(meet.size() / poolside::kMeetRecordLength) - 9 + 1;
  const int count =
      std::min({poolside::CompetitionCountOf(meet), poolside::kBookRaces, std::max(inFile, 1), 4});
  for (int race = 1; race <= count; ++race) {
    const poolside::CompetitionRecord r = poolside::CompetitionAt(meet, race);
    for (const std::string* t : {&r.SexCode, &r.RoundCode, &r.StartTime}) {
      Require(IsUtf8(*t), "a text of a race that is not UTF-8");
    }
    for (const std::string& h : r.HojCode) Require(IsUtf8(h), "a lane's text that is not UTF-8");
    for (const std::string& label :
         {poolside::SexLabel(r.SexCode), poolside::RoundLabel(r.RoundCode),
          poolside::EventLabel(r.EventCode), poolside::ClassLabel(r.ClassLow, r.ClassHigh, "1"),
          poolside::ClassLabel(r.ClassLow, r.ClassHigh, "2")}) {
      Require(IsUtf8(label), "a label that is not UTF-8");
    }
    Require(ShownTime(poolside::StartTimeText(r.StartTime)), "a start time shown otherwise");
    const poolside::Bytes written = poolside::EncodeCompetitionRecord(r, r.StartTime);
    Require(written.size() == poolside::kMeetRecordLength, "a record written not 256 bytes");
    const poolside::CompetitionRecord again = poolside::DecodeCompetitionRecord(written);
    Require(poolside::EncodeCompetitionRecord(again, again.StartTime) == written,
            "a record that does not write the same twice");
  }
  return 0;
}
