#include "competition/record_adjust.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/record_file.h"

namespace poolside {

namespace {

constexpr int kAdjustedRecords = 463;

// The file as whole records from 1 to at least 463; records past the end
// read as zero records. Bytes beyond the last whole record are kept apart.
struct Arrangement {
  std::vector<std::string> records;  // records[k] = record k; [0] unused
  std::string tail;                  // a trailing part record, kept as it is

  std::string& At(int k) { return records[static_cast<std::size_t>(k)]; }
};

Arrangement Split(const std::string& content) {
  Arrangement a;
  const std::size_t whole = content.size() / kShikakuRecordLength;
  const std::size_t count = std::max<std::size_t>(whole, kAdjustedRecords);
  a.records.assign(count + 1, std::string(kShikakuRecordLength, '\0'));
  for (std::size_t k = 1; k <= whole; ++k) {
    a.records[k] = content.substr((k - 1) * kShikakuRecordLength, kShikakuRecordLength);
  }
  const std::size_t rest = whole * kShikakuRecordLength;
  if (rest < content.size()) {
    // A part record inside the adjusted range reads as a zero-padded record
    // and is written whole; beyond it, it stays as it was.
    if (whole < kAdjustedRecords) {
      a.records[whole + 1].replace(0, content.size() - rest, content, rest, std::string::npos);
    } else {
      a.tail = content.substr(rest);
    }
  }
  return a;
}

// One step of copies: every copy reads the records as they were when the
// step began.
class Step {
 public:
  explicit Step(Arrangement& a) : a_(a), before_(a.records) {}
  void Copy(int from, int to) { a_.At(to) = before_[static_cast<std::size_t>(from)]; }

 private:
  Arrangement& a_;
  const std::vector<std::string> before_;
};

void Rearrange(Arrangement& a) {
  {
    Step s(a);
    for (int i = 1; i <= 100; ++i) {
      s.Copy(184 + i, 263 + i);
      s.Copy(184 + i, 363 + i);
    }
  }
  {
    Step s(a);
    for (int i = 1; i <= 100; ++i) s.Copy(85, 163 + i);
  }
  {
    Step s(a);
    static constexpr int kTargets[13] = {142, 144, 146, 147, 148, 149, 151,
                                         152, 153, 154, 156, 157, 158};
    for (int i = 0; i < 13; ++i) s.Copy(72 + i, kTargets[i]);
  }
  {
    Step s(a);
    for (int i = 57; i <= 70; ++i) s.Copy(i + 1, i + 71);
  }
  {
    Step s(a);
    for (int i = 43; i <= 56; ++i) {
      s.Copy(i + 1, i + 57);
      s.Copy(i + 1, i + 71);
    }
  }
  {
    Step s(a);
    for (int i = 29; i <= 42; ++i) {
      s.Copy(i + 1, i + 43);
      s.Copy(i + 1, i + 57);
    }
  }
  {
    Step s(a);
    for (int i = 15; i <= 28; ++i) {
      s.Copy(i + 1, i + 29);
      s.Copy(i + 1, i + 43);
    }
  }
  {
    Step s(a);
    for (int i = 1; i <= 14; ++i) {
      s.Copy(i + 1, i + 15);
      s.Copy(i + 1, i + 29);
    }
  }
}

}  // namespace

void AdjustRecords(const std::string& nativePath) {
  // A missing file is adjusted as an empty one (it comes out as 463 zero
  // records, as the original opening mode would have created it).
  const std::string content = FileExists(nativePath) ? ReadWholeFile(nativePath) : std::string();
  Arrangement a = Split(content);
  Rearrange(a);
  std::string out;
  out.reserve(a.records.size() * kShikakuRecordLength + a.tail.size());
  for (std::size_t k = 1; k < a.records.size(); ++k) out += a.records[k];
  out += a.tail;
  // Written beside the old file and renamed over it: an interruption never
  // leaves a half-moved file.
  ReplaceFileAtomically(nativePath, out);
}

}  // namespace poolside
