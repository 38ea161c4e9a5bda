#include "platform/utf8.h"

namespace poolside {

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, char32_t* code) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) {
    if (code != nullptr) *code = c;
    return 1;
  }
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xbf;
  char32_t value = 0;
  if (c >= 0xc2 && c <= 0xdf) {
    n = 2;
    value = c & 0x1f;
  } else if (c >= 0xe0 && c <= 0xef) {
    n = 3;
    value = c & 0x0f;
    if (c == 0xe0) lo = 0xa0;  // no overlong form
    if (c == 0xed) hi = 0x9f;  // no surrogates
  } else if (c >= 0xf0 && c <= 0xf4) {
    n = 4;
    value = c & 0x07;
    if (c == 0xf0) lo = 0x90;  // no overlong form
    if (c == 0xf4) hi = 0x8f;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (b(i + 1) < lo || b(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if (b(i + k) < 0x80 || b(i + k) > 0xbf) return 0;
  }
  for (std::size_t k = 1; k < n; ++k) value = (value << 6) | (b(i + k) & 0x3f);
  if (code != nullptr) *code = value;
  return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8SequenceLength(text, i);
    if (n == 0) {
      out += "\xef\xbf\xbd";
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace poolside
