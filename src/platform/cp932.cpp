#include "platform/cp932.h"

namespace poolside {

std::string FixedWidthCp932(std::string_view utf8, std::size_t width) {
  // Encode once, then cut between whole CP932 characters: a lead byte
  // (81-9F, E0-FC) starts a double-byte character.
  std::string enc = Utf8ToCp932(utf8);
  std::size_t end = 0;
  while (end < enc.size()) {
    auto c = static_cast<unsigned char>(enc[end]);
    std::size_t n = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    if (end + n > width || end + n > enc.size()) break;
    end += n;
  }
  enc.resize(end);
  enc.append(width - end, ' ');
  return enc;
}

std::size_t Utf8Length(std::string_view utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

std::string Utf8Prefix(std::string_view utf8, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
      if (count == n) return std::string(utf8.substr(0, i));
      ++count;
    }
  }
  return std::string(utf8);
}

std::string Utf8First(std::string_view utf8) { return Utf8Prefix(utf8, 1); }

}  // namespace poolside
