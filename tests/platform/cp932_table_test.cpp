// Every mapping of code page 932, both ways, is the same on every system:
// the files a desk writes on Windows are the bytes it writes on Linux. The
// digests below were taken from glibc's iconv "CP932"; the Windows
// conversion (platform/win32/cp932_convert.cpp) must give them too.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/cp932.h"
#include "platform/utf8.h"

namespace poolside {
namespace {

// FNV-1a over each result and its length, so that a "?" that went missing
// or moved changes the digest.
struct Digest {
  std::uint64_t value = 1469598103934665603ull;
  void Add(const std::string& bytes) {
    for (unsigned char c : bytes) value = (value ^ c) * 1099511628211ull;
    value = (value ^ (bytes.size() & 0xFF)) * 1099511628211ull;
  }
};

// Every byte alone, then every two bytes from lead byte `from` to `to`.
std::uint64_t DecodeDigest(int from, int to) {
  Digest d;
  for (int a = from; a <= to; ++a) {
    d.Add(Cp932ToUtf8(std::string(1, static_cast<char>(a))));
    for (int b = 0; b < 256; ++b) {
      d.Add(Cp932ToUtf8(std::string{static_cast<char>(a), static_cast<char>(b)}));
    }
  }
  return d.value;
}

// Every code point from `from` to `to` (no surrogates), one at a time.
std::uint64_t EncodeDigest(char32_t from, char32_t to) {
  Digest d;
  for (char32_t cp = from; cp <= to; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string text;
    AppendUtf8(text, cp);
    d.Add(Utf8ToCp932(text));
  }
  return d.value;
}

TEST(Cp932Table, TheSingleBytesAndTheDoubleBytesDecodeAsIconvDecodesThem) {
  EXPECT_EQ(DecodeDigest(0x00, 0x7F), 0xad7806ad53749383ull);
  EXPECT_EQ(DecodeDigest(0x80, 0x9F), 0x9586da386acf261bull);
  EXPECT_EQ(DecodeDigest(0xA0, 0xDF), 0xbf5ef59689265920ull);
  EXPECT_EQ(DecodeDigest(0xE0, 0xEF), 0xa0e1d76d7e61d8fcull);
  EXPECT_EQ(DecodeDigest(0xF0, 0xFF), 0x3821db25c05b4a3aull);
}

TEST(Cp932Table, EveryCodePointEncodesAsIconvEncodesIt) {
  // The first plane in blocks of 0x1000, then the second and the tags.
  constexpr std::uint64_t kFirstPlane[16] = {
      0x61b997fc77b87d51ull, 0x26e71c73e0300383ull, 0x1e6d5f96effacc1dull, 0x287af442550646d9ull,
      0xa087738c56146d62ull, 0xae5885dfee876975ull, 0xa2ba7e584afba3cdull, 0x056759b2d540640aull,
      0xd17fdb89a2620edbull, 0xf3fe6243d46b2ebcull, 0x26e71c73e0300383ull, 0x26e71c73e0300383ull,
      0x26e71c73e0300383ull, 0xb42cecbcf9e68383ull, 0xbe478096dc43d35bull, 0x99441c673ac78e13ull};
  for (char32_t block = 0; block < 16; ++block) {
    EXPECT_EQ(EncodeDigest(block * 0x1000, block * 0x1000 + 0xFFF), kFirstPlane[block])
        << "U+" << std::hex << block * 0x1000;
  }
  EXPECT_EQ(EncodeDigest(0x10000, 0x1FFFF), 0xd861db5b3ccd0383ull);
  EXPECT_EQ(EncodeDigest(0xE0000, 0xE0FFF), 0x6a6cee3d2339f183ull);
}

// Texts of several characters with broken ones among them: what follows a
// bad sequence is read as iconv reads it (the Windows conversion decodes
// runs in one call and falls back to one character at a time).
TEST(Cp932Table, MixedTextsWithBrokenSequencesConvertAsIconvConvertsThem) {
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  // Bytes that matter: ASCII, lead and trail bytes, half-width kana, the
  // bytes that are no character alone, UTF-8 lead and continuation bytes.
  const unsigned char kBytes[] = {0x41, 0x5C, 0x7E, 0x0D, 0x81, 0x82, 0x97, 0x9F, 0xE0,
                                  0xE3, 0xEF, 0xF0, 0xFC, 0x40, 0x80, 0xA0, 0xA4, 0xB1,
                                  0xDF, 0xFD, 0xFF, 0x8F, 0xBF, 0xBD, 0x9C, 0x5B};
  Digest decoded, encoded;
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    const int length = 1 + static_cast<int>(next() % 12);
    for (int k = 0; k < length; ++k) {
      text += static_cast<char>(kBytes[next() % sizeof kBytes]);
    }
    decoded.Add(Cp932ToUtf8(text));
    encoded.Add(Utf8ToCp932(text));
  }
  EXPECT_EQ(decoded.value, 0xeda36d05181eb7a2ull);
  EXPECT_EQ(encoded.value, 0xef9764157d030aa5ull);
}

TEST(Cp932Table, WhereTheSystemsTablesDifferIconvsAnswerHolds) {
  // Bytes that are no character alone.
  for (const char* lone : {"\x80", "\xA0", "\xFD", "\xFE", "\xFF"}) {
    EXPECT_EQ(Cp932ToUtf8(lone), "\xEF\xBF\xBD") << static_cast<int>(lone[0] & 0xFF);
  }
  // iconv's one-way mappings onto JIS forms.
  EXPECT_EQ(Utf8ToCp932("\u00A5\u203E"), "\x5C\x7E");
  EXPECT_EQ(Utf8ToCp932("\u00A2\u00A3\u00AC"), "\x81\x91\x81\x92\x81\xCA");
  EXPECT_EQ(Utf8ToCp932("\u2014\u2016\u2212\u301C"), "\x81\x5C\x81\x61\x81\x7C\x81\x60");
  // No best fit: a look-alike is never written for a character CP932 lacks.
  EXPECT_EQ(Utf8ToCp932("\u00E9\u0080\uF8F0"), "???");
  // Tag characters are dropped.
  EXPECT_EQ(Utf8ToCp932("a\U000E0041b"), "ab");
}

}  // namespace
}  // namespace poolside
