#include "meetdata/text_field.h"

#include "platform/cp932.h"

namespace poolside {

namespace {

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::size_t Utf8CharLength(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::string DecodeTextField(std::string_view raw) {
  // Decoded piece by piece between the zero bytes, so that the converter
  // never sees (or drops) a NUL.
  std::string out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t nul = raw.find('\0', start);
    const std::string_view piece =
        raw.substr(start, nul == std::string_view::npos ? raw.npos : nul - start);
    if (!piece.empty()) out += Cp932ToUtf8(piece);
    if (nul == std::string_view::npos) break;
    out += '\0';
    start = nul + 1;
  }
  return out;
}

std::string EncodeTextField(std::string_view utf8, std::size_t width) {
  std::string bytes;
  std::size_t start = 0;
  for (;;) {
    const std::size_t nul = utf8.find('\0', start);
    const std::string_view piece =
        utf8.substr(start, nul == std::string_view::npos ? utf8.npos : nul - start);
    if (!piece.empty()) bytes += Utf8ToCp932(piece);
    if (nul == std::string_view::npos) break;
    bytes += '\0';
    start = nul + 1;
  }
  // Cut at a whole character: never keep the lead byte of a pair alone.
  std::size_t keep = 0;
  while (keep < bytes.size()) {
    const std::size_t len = IsCp932Lead(static_cast<unsigned char>(bytes[keep])) ? 2 : 1;
    if (keep + len > width || keep + len > bytes.size()) break;
    keep += len;
  }
  bytes.resize(keep);
  bytes.append(width - keep, ' ');
  return bytes;
}

std::string Utf8Mid(std::string_view utf8, std::size_t first, std::size_t count) {
  std::size_t i = 0;
  std::size_t index = 0;
  std::size_t begin = utf8.size();
  std::size_t end = utf8.size();
  while (i < utf8.size()) {
    if (index == first) begin = i;
    if (index == first + count) {
      end = i;
      break;
    }
    i += Utf8CharLength(static_cast<unsigned char>(utf8[i]));
    ++index;
  }
  if (i > utf8.size()) i = utf8.size();
  if (begin > utf8.size() || begin >= end) return "";
  return std::string(utf8.substr(begin, end - begin));
}

}  // namespace poolside
