#include <algorithm>
#include <string>

#include "meetdata/meet_data.h"
#include "platform/errors.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

constexpr int kPageSlots = 8;
constexpr int kLastPage = kLastNumberedRecord;

}  // namespace

void MeetData::LoadPageHeader() {
  pageFile_.Close();
  pageFile_.Open(DataPath(kPageFileName), kPageRecordLength);
  if (pageFile_.Length() <= 10) {
    PageCount = 0;
  } else {
    PageCount = GetInt16(pageFile_.Read(1), 0);
  }
}

std::optional<int> MeetData::FindCompetitionPage(int n) {
  if (!pageFile_.IsOpen()) {
    throw IoError(DataPath(kPageFileName) + ": プログラムページファイルが開かれていません");
  }
  std::optional<int> found;
  const int last = std::min<int>(PageCount, kLastPage);
  for (int p = 1; p <= last; ++p) {
    const Bytes page = pageFile_.Read(p + 10);
    // Every slot counts, whatever the page's entry count says.
    for (int e = 0; e < kPageSlots; ++e) {
      if (GetInt16(page, 2 + 2 * static_cast<std::size_t>(e)) == n) {
        found = p;
        break;
      }
    }
  }
  return found;
}

void MeetData::ClosePageFile() { pageFile_.Close(); }

}  // namespace poolside
