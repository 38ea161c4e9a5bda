#include "racebook/status_entry.h"

#include <optional>
#include <string_view>

#include "platform/cp932.h"

namespace poolside {

namespace {

// The single byte a typed status character is stored as. A full-width digit
// or Latin letter (an input method left on) stands for its half-width twin;
// anything else must be one byte of the code page. nullopt = refused.
std::optional<char> StatusByte(const std::string& ch) {
  // U+FF10..U+FF19, U+FF21..U+FF3A, U+FF41..U+FF5A are EF BC 90.. / EF BD 81..
  if (ch.size() == 3 && static_cast<unsigned char>(ch[0]) == 0xEF) {
    const unsigned char b1 = static_cast<unsigned char>(ch[1]);
    const unsigned char b2 = static_cast<unsigned char>(ch[2]);
    const int cp = 0xF000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
    if (cp >= 0xFF10 && cp <= 0xFF19) return static_cast<char>('0' + (cp - 0xFF10));
    if (cp >= 0xFF21 && cp <= 0xFF3A) return static_cast<char>('A' + (cp - 0xFF21));
    if (cp >= 0xFF41 && cp <= 0xFF5A) return static_cast<char>('a' + (cp - 0xFF41));
  }
  const std::string encoded = Utf8ToCp932(ch);
  if (encoded.size() != 1) return std::nullopt;
  // "?" is also what the encoder gives for a character it cannot encode.
  if (encoded == "?" && ch != "?") return std::nullopt;
  return encoded[0];
}

}  // namespace

void OnStatusBoxChange(RaceScreen& screen) {
  RaceBookState& book = screen.Book();
  const std::string first = Utf8First(screen.StatusBox().Text());
  if (!first.empty()) {
    const std::optional<char> status = StatusByte(first);
    const int k = book.RaceNo;
    // Only a changed book is written: the second pass after the redraw, and a
    // race change that puts the loaded character into the box, would only
    // write back what was just read.
    const bool inBook = k >= 1 && k <= kBookRaces;
    const std::size_t at = inBook ? static_cast<std::size_t>(k - 1) : 0;
    const char stored = inBook && at < book.RaceBook.size() ? book.RaceBook[at] : '\0';
    if (status && inBook && stored != *status) {
      SetRaceStatus(book, k, *status);
      SaveRaceBook(screen.Meet(), book);
    }
  }
  // Reloads the book and puts the stored character back into the box; a
  // refused or extra character disappears here.
  screen.ShowRaceHeader();
}

void OnConfirmClick(RaceScreen& screen) { screen.FinishRace(); }

}  // namespace poolside
