// Shift-JIS through Windows' code page 932 (MultiByteToWideChar,
// WideCharToMultiByte), giving the bytes and texts that glibc's iconv
// "CP932" gives on POSIX, so that the files are the same on both systems
// (tests/platform/cp932_table_test.cpp pins every mapping):
// - a byte sequence that is not a character becomes U+FFFD, one byte at a
//   time; 0x80, 0xA0 and 0xFD-0xFF alone are not characters (Windows maps
//   some of them to U+0080 and private-use code points);
// - a character with no CP932 form becomes "?": never a best-fit look-alike
//   (WC_NO_BEST_FIT_CHARS); the few characters iconv maps one way onto
//   CP932 besides Windows' table (the JIS forms of the dash, the wave dash,
//   the cent and pound signs ...) map as iconv maps them, and the Unicode
//   tag characters (U+E0000-U+E007F) are dropped as iconv drops them.
#include "platform/cp932.h"

#include <windows.h>

#include "platform/errors.h"
#include "platform/utf8.h"

namespace poolside {

namespace {

constexpr UINT kCodePage = 932;
constexpr const char* kReplacement = "\xEF\xBF\xBD";

// Without the code page every text would go out unconverted and the shared
// files would be corrupted; stop the action instead.
void RequireCodePage() {
  static const bool installed = IsValidCodePage(kCodePage) != 0;
  if (!installed) throw RuntimeError("文字コード CP932 の変換を使えません (コードページ 932)");
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsNoCharacter(unsigned char c) { return c == 0x80 || c == 0xA0 || c >= 0xFD; }

// Decodes `n` bytes at `bytes` as whole characters; false when Windows
// refuses them.
bool DecodeStrict(const char* bytes, int n, std::string& out) {
  wchar_t wide[512];
  std::wstring big;
  wchar_t* dst = wide;
  int room = static_cast<int>(sizeof wide / sizeof wide[0]);
  if (n > room) {
    big.resize(static_cast<std::size_t>(n));
    dst = big.data();
    room = n;
  }
  const int units = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, n, dst, room);
  if (units <= 0) return false;
  const int size = WideCharToMultiByte(CP_UTF8, 0, dst, units, nullptr, 0, nullptr, nullptr);
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(size));
  WideCharToMultiByte(CP_UTF8, 0, dst, units, out.data() + at, size, nullptr, nullptr);
  return true;
}

// The CP932 bytes of one code point: empty for one with no form ("?" is
// then written), `dropped` for a tag character.
std::string EncodeOne(char32_t cp, bool& dropped) {
  dropped = false;
  switch (cp) {
    case 0x00A2:
      return "\x81\x91";
    case 0x00A3:
      return "\x81\x92";
    case 0x00A5:
      return "\x5C";
    case 0x00AC:
      return "\x81\xCA";
    case 0x2014:
      return "\x81\x5C";
    case 0x2016:
      return "\x81\x61";
    case 0x203E:
      return "\x7E";
    case 0x2212:
      return "\x81\x7C";
    case 0x301C:
      return "\x81\x60";
    case 0x0080:
    case 0xF8F0:
    case 0xF8F1:
    case 0xF8F2:
    case 0xF8F3:
      return {};
    default:
      break;
  }
  if (cp >= 0xE0000 && cp <= 0xE007F) {
    dropped = true;
    return {};
  }
  if (cp >= 0x10000) return {};  // CP932 has nothing beyond the first plane
  const wchar_t wide = static_cast<wchar_t>(cp);
  char bytes[4];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return {};
  return std::string(bytes, static_cast<std::size_t>(n));
}

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
  RequireCodePage();
  std::string out;
  out.reserve(bytes.size() * 2);
  std::size_t i = 0;
  while (i < bytes.size()) {
    // The longest stretch of whole characters that holds no lone byte that
    // is not a character: Windows decodes it in one call when it is valid.
    std::size_t end = i;
    while (end < bytes.size()) {
      const auto c = static_cast<unsigned char>(bytes[end]);
      if (IsLead(c)) {
        if (end + 1 >= bytes.size()) break;
        end += 2;
      } else if (IsNoCharacter(c)) {
        break;
      } else {
        end += 1;
      }
    }
    if (end > i && DecodeStrict(bytes.data() + i, static_cast<int>(end - i), out)) {
      i = end;
      continue;
    }
    // One character at a time up to `end`, then the byte that stopped it.
    const std::size_t stop = end > i ? end : i + 1;
    while (i < stop && i < bytes.size()) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      const int n = IsLead(c) && i + 1 < bytes.size() ? 2 : 1;
      if (IsNoCharacter(c) || (IsLead(c) && n == 1) || !DecodeStrict(bytes.data() + i, n, out)) {
        out += kReplacement;
        i += 1;
      } else {
        i += static_cast<std::size_t>(n);
      }
    }
  }
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  RequireCodePage();
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = Utf8SequenceLength(utf8, i, &cp);
    bool dropped = false;
    const std::string bytes = length > 0 ? EncodeOne(cp, dropped) : std::string();
    if (!bytes.empty() || dropped) {
      out += bytes;
      i += length;
      continue;
    }
    // Not a character, or one with no CP932 form: "?" for the lead byte and
    // the continuation bytes that follow it, so that a stray lead byte never
    // swallows the valid text after it.
    out += '?';
    std::size_t skip = 1;
    while (skip < 4 && i + skip < utf8.size() &&
           (static_cast<unsigned char>(utf8[i + skip]) & 0xC0) == 0x80) {
      ++skip;
    }
    i += skip;
  }
  return out;
}

}  // namespace poolside
