#pragma once
// JSON text for the live pages: string quoting that is safe inside an HTML
// page as well (<, >, & and the line separators are written as \u escapes)
// and a small writer that keeps commas and nesting right.

#include <cstdint>
#include <string>
#include <string_view>

namespace poolside {

// `text` as a JSON string literal, quotes included. Bytes that are not valid
// UTF-8 become U+FFFD, so any input gives valid JSON.
std::string JsonQuote(std::string_view text);

// Builds one JSON value in order: Key() before each member of an object,
// nothing before the elements of an array.
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view value);
  JsonWriter& Int(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A value that is already JSON text (an encoded race, say).
  JsonWriter& Raw(std::string_view json);

  // Shorthands for one member.
  JsonWriter& Member(std::string_view key, std::string_view value) {
    return Key(key).String(value);
  }
  JsonWriter& Member(std::string_view key, const char* value) { return Key(key).String(value); }
  JsonWriter& Member(std::string_view key, std::int64_t value) { return Key(key).Int(value); }
  JsonWriter& Member(std::string_view key, int value) { return Key(key).Int(value); }
  JsonWriter& Member(std::string_view key, bool value) { return Key(key).Bool(value); }

  const std::string& Text() const { return out_; }

 private:
  void Separate();
  std::string out_;
  bool needComma_ = false;
};

}  // namespace poolside
