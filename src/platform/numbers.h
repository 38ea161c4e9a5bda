#pragma once
// Number conversions shared by every window: how typed and stored texts are
// read as numbers, rounded into fields and written back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace poolside {

// The number at the start of a text: leading blanks skipped, blanks inside
// the number skipped, optional sign, digits, optional point and fraction,
// optional exponent (E or D, optional sign, digits); "&H"/"&O" introduce a
// hexadecimal/octal integer. Scanning stops at the first other character; a
// text without a number gives 0. Never fails; a huge exponent gives +-inf.
double LeadingValue(std::string_view text);

// The text with every full-width form of an ASCII character (U+FF01..U+FF5E:
// digits, point, signs, letters, "&") and the ideographic blank (U+3000)
// replaced by its half-width twin, so that a number typed with an input
// method on reads as typed. Everything else, invalid bytes included, stays
// as it is; the character count does not change.
std::string HalfWidthNumberText(std::string_view utf8);

// Rounds to the nearest whole number, a half to the even neighbour (2.5 -> 2,
// 3.5 -> 4); nullopt when the result is outside the type's range or v is NaN.
std::optional<std::int16_t> RoundToInt16(double v);
std::optional<std::int32_t> RoundToInt32(double v);

// As above, but a value out of range throws OverflowError whose message
// names `what` (the field or box the value was meant for).
std::int16_t RoundToInt16OrThrow(double v, std::string_view what);
std::int32_t RoundToInt32OrThrow(double v, std::string_view what);

// Decimal form with a sign position: " 120", "-5", " 0".
std::string SignedDecimal(long long v);

// Shortest general decimal form of a number typed into a box: no leading
// blank, no trailing zeros after a point, up to 15 significant digits,
// exponent form for very large or small values: 12, 1.5, -0.25, 1E+15, 1E-05.
std::string ShortestGeneral(double v);

}  // namespace poolside
