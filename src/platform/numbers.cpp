#include "platform/numbers.h"

#include <locale.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/errors.h"

namespace poolside {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// "&H..." / "&O...": an integer of 16 bits when it fits, else 32 bits, both
// read as two's complement; anything longer is out of every field's range.
double RadixValue(std::string_view s, std::size_t i, int radix) {
  unsigned long long v = 0;
  bool any = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (IsBlank(c)) continue;
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    if (d >= radix) break;
    any = true;
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return std::numeric_limits<double>::infinity();
  }
  if (!any) return 0;
  if (v <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

}  // namespace

std::string HalfWidthNumberText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 == 0xE3 || b0 == 0xEF) {
      if (i + 2 < s.size()) {
        const auto b1 = static_cast<unsigned char>(s[i + 1]);
        const auto b2 = static_cast<unsigned char>(s[i + 2]);
        if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
          const int cp = ((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
          if (cp >= 0xFF01 && cp <= 0xFF5E) {
            out += static_cast<char>(cp - 0xFF01 + 0x21);
            i += 2;
            continue;
          }
          if (cp == 0x3000) {
            out += ' ';
            i += 2;
            continue;
          }
        }
      }
    }
    out += s[i];
  }
  return out;
}

double LeadingValue(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == '&') {
    char r = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
    if (r == 'H') return RadixValue(s, i + 2, 16);
    if (r == 'O') return RadixValue(s, i + 2, 8);
  }
  // Collect sign, digits, point and exponent with the blanks taken out, then
  // let strtod read them.
  std::string num;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (IsBlank(c)) continue;
    if (c >= '0' && c <= '9') {
      num += c;
      digits = true;
    } else if (c == '.' && !point) {
      num += c;
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exp = "e";
    std::size_t j = i + 1;
    while (j < s.size() && IsBlank(s[j])) ++j;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    // The exponent is summed with a ceiling, so leading zeros and long digit
    // runs are read correctly and a huge exponent still gives +-inf or 0.
    bool expDigits = false;
    long e = 0;
    for (; j < s.size(); ++j) {
      if (IsBlank(s[j])) continue;
      if (s[j] < '0' || s[j] > '9') break;
      e = std::min(e * 10 + (s[j] - '0'), 100000L);
      expDigits = true;
    }
    if (expDigits) num += exp + std::to_string(e);
  }
  // Read in the C locale: the program's locale (set from the environment by
  // the window system) may use a decimal comma, but stored and typed numbers
  // always use a point.
#ifdef _WIN32
  static const _locale_t cLocale = _create_locale(LC_ALL, "C");
  return cLocale ? _strtod_l(num.c_str(), nullptr, cLocale) : std::strtod(num.c_str(), nullptr);
#else
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return cLocale ? strtod_l(num.c_str(), nullptr, cLocale) : std::strtod(num.c_str(), nullptr);
#endif
}

namespace {
std::optional<long long> RoundInRange(double v, long long lo, long long hi) {
  if (std::isnan(v)) return std::nullopt;
  double r = std::nearbyint(v);  // default rounding mode: halves to even
  if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return std::nullopt;
  return static_cast<long long>(r);
}

// Formatting with to_chars, which ignores the locale's decimal comma.
std::string ValueText(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  return std::string(buf, r.ptr);
}
}  // namespace

std::optional<std::int16_t> RoundToInt16(double v) {
  auto r = RoundInRange(v, -32768, 32767);
  if (!r) return std::nullopt;
  return static_cast<std::int16_t>(*r);
}

std::optional<std::int32_t> RoundToInt32(double v) {
  auto r = RoundInRange(v, -2147483648LL, 2147483647LL);
  if (!r) return std::nullopt;
  return static_cast<std::int32_t>(*r);
}

std::int16_t RoundToInt16OrThrow(double v, std::string_view what) {
  auto r = RoundToInt16(v);
  if (!r)
    throw OverflowError("オーバーフローしました: " + std::string(what) + " (" + ValueText(v) + ")");
  return *r;
}

std::int32_t RoundToInt32OrThrow(double v, std::string_view what) {
  auto r = RoundToInt32(v);
  if (!r)
    throw OverflowError("オーバーフローしました: " + std::string(what) + " (" + ValueText(v) + ")");
  return *r;
}

std::string SignedDecimal(long long v) {
  if (v < 0) return std::to_string(v);
  return " " + std::to_string(v);
}

std::string ShortestGeneral(double v) {
  if (!std::isfinite(v) || v == 0) return "0";
  char buf[64];
  // 15 significant digits, "d.dddddddddddddde+XX"
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  std::string s(buf, r.ptr);
  std::size_t e = s.find('e');
  std::string mant = s.substr(0, e);
  int exp = std::atoi(s.c_str() + e + 1);
  bool neg = mant[0] == '-';
  if (neg) mant.erase(0, 1);
  std::string digits;
  for (char c : mant)
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (exp > -5 && exp < 15) {
    if (exp >= 0) {
      std::string ip = digits.substr(0, std::min<std::size_t>(digits.size(), exp + 1));
      while (static_cast<int>(ip.size()) < exp + 1) ip += '0';
      std::string fp =
          digits.size() > static_cast<std::size_t>(exp + 1) ? digits.substr(exp + 1) : "";
      out = ip + (fp.empty() ? "" : "." + fp);
    } else {
      out = "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
    }
  } else {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    char eb[16];
    std::snprintf(eb, sizeof eb, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
    out += eb;
  }
  return neg ? "-" + out : out;
}

}  // namespace poolside
