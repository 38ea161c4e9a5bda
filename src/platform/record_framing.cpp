#include "platform/record_framing.h"

#include <algorithm>

namespace poolside {

namespace {

constexpr char kCarriageReturn = '\r';
// Without a carriage return, bytes beyond this many can belong to no record
// that one ends.
constexpr std::size_t kUnframedCut = kRecordBytes + kRecordColumns;

}  // namespace

FrameCut NextFrame(std::string_view waiting, bool quiet) {
  if (waiting.empty()) return {};
  const std::size_t cr = waiting.find(kCarriageReturn);
  if (cr != std::string_view::npos) {
    const std::size_t upTo = cr + 1;
    if (upTo == kRecordBytes) return {kRecordBytes, false};
    if (upTo < kRecordBytes) return {upTo, true};
    const std::size_t head = upTo - kRecordBytes;
    if (head == kRecordColumns && waiting[1] == 'A') return {head, false};
    return {head, true};
  }
  if (waiting.size() >= kUnframedCut) return {kRecordBytes, false};
  if (quiet && waiting.size() >= kRecordColumns) {
    return {std::min(waiting.size(), kRecordBytes), false};
  }
  return {};
}

bool WaitsForQuiet(std::string_view waiting) {
  return NextFrame(waiting, false).length == 0 && NextFrame(waiting, true).length > 0;
}

}  // namespace poolside
