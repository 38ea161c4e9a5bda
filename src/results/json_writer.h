#pragma once
// A small streaming JSON writer. Output is compact UTF-8 that is safe to
// embed anywhere: inside a <script> element, an HTML attribute or a
// WebSocket text frame.
//
// Escaping of every string (keys included):
//  - '"' and '\' as \" and \\; control bytes as \b \f \n \r \t or \u00XX;
//  - '<', '>' and '&' as \u003c \u003e \u0026, U+2028 and U+2029 as
//    \u2028 \u2029 (so "</script>" can never end a script element);
//  - bytes that are not valid UTF-8 (a cut sequence, an overlong form, a
//    surrogate, a stray continuation byte) each become U+FFFD.
// The writer places commas and colons itself; the caller only nests
// correctly (BeginObject/EndObject, Key before every member value).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace poolside {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& Int(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A number, or null when there is none.
  JsonWriter& OptionalInt(const std::optional<std::int64_t>& value);

  const std::string& Text() const { return out_; }
  std::string Take() { return std::move(out_); }

 private:
  void BeforeValue();
  std::string out_;
  // One entry per open container: true once it holds a member.
  std::vector<bool> hasMember_;
  bool afterKey_ = false;
};

// `utf8` as a quoted JSON string with the escaping above.
std::string JsonQuote(std::string_view utf8);

}  // namespace poolside
