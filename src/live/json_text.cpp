#include "live/json_text.h"

#include <cstdio>

#include "live/utf8_text.h"

namespace poolside {

std::string JsonQuote(std::string_view text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  out.reserve(valid.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const auto c = static_cast<unsigned char>(valid[i]);
    char buf[8];
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '<':
      case '>':
      case '&':
      case '\'':
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else if (c == 0xe2 && i + 2 < valid.size() &&
                   static_cast<unsigned char>(valid[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(valid[i + 2]) == 0xa8 ||
                    static_cast<unsigned char>(valid[i + 2]) == 0xa9)) {
          // U+2028 and U+2029 end a line in older script parsers.
          out += static_cast<unsigned char>(valid[i + 2]) == 0xa8 ? "\\u2028" : "\\u2029";
          i += 2;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

void JsonWriter::Separate() {
  if (needComma_) out_ += ',';
  needComma_ = true;
}

JsonWriter& JsonWriter::BeginObject() {
  Separate();
  out_ += '{';
  needComma_ = false;
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  out_ += '}';
  needComma_ = true;
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  Separate();
  out_ += '[';
  needComma_ = false;
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  out_ += ']';
  needComma_ = true;
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  Separate();
  out_ += JsonQuote(key);
  out_ += ':';
  needComma_ = false;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  Separate();
  out_ += JsonQuote(value);
  return *this;
}

JsonWriter& JsonWriter::Int(std::int64_t value) {
  Separate();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  Separate();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  Separate();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Raw(std::string_view json) {
  Separate();
  out_ += json;
  return *this;
}

}  // namespace poolside
