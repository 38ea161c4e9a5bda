#include "results/json_reader.h"

#include <charconv>

#include "platform/utf8.h"

namespace poolside {

namespace {

const JsonValue& NullValue() {
  static const JsonValue null;
  return null;
}

constexpr int kMaxDepth = 64;

}  // namespace

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : s_(text) {}

  bool Document(JsonValue& out) {
    if (!Value(out, 0)) return false;
    Space();
    return at_ == s_.size();
  }

 private:
  void Space() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Literal(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool Value(JsonValue& v, int depth) {
    if (depth > kMaxDepth) return false;
    Space();
    if (at_ >= s_.size()) return false;
    const char c = s_[at_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v.type_ = JsonValue::Type::String;
      return String(v.string_);
    }
    if (c == 't' || c == 'f') {
      v.type_ = JsonValue::Type::Bool;
      v.bool_ = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      v.type_ = JsonValue::Type::Null;
      return Literal("null");
    }
    return Number(v);
  }
  bool Object(JsonValue& v, int depth) {
    v.type_ = JsonValue::Type::Object;
    ++at_;
    Space();
    if (at_ < s_.size() && s_[at_] == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      Space();
      std::string key;
      if (at_ >= s_.size() || s_[at_] != '"' || !String(key)) return false;
      Space();
      if (at_ >= s_.size() || s_[at_] != ':') return false;
      ++at_;
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      v.keys_.push_back(std::move(key));
      v.items_.push_back(std::move(member));
      Space();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == '}') {
        ++at_;
        return true;
      }
      return false;
    }
  }
  bool Array(JsonValue& v, int depth) {
    v.type_ = JsonValue::Type::Array;
    ++at_;
    Space();
    if (at_ < s_.size() && s_[at_] == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      v.items_.push_back(std::move(item));
      Space();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == ']') {
        ++at_;
        return true;
      }
      return false;
    }
  }
  bool Hex4(std::uint32_t& out) {
    if (at_ + 4 > s_.size()) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[at_++];
      out <<= 4;
      if (c >= '0' && c <= '9') {
        out |= static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        out |= static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        out |= static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }
  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size()) return false;
      const char e = s_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(at_, 2) == "\\u") {
            const std::size_t back = at_;
            at_ += 2;
            std::uint32_t low = 0;
            if (Hex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              at_ = back;
              cp = 0xFFFD;
            }
          } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }
  bool Number(JsonValue& v) {
    const std::size_t start = at_;
    if (at_ < s_.size() && s_[at_] == '-') ++at_;
    const std::size_t digits = at_;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
    if (at_ == digits) return false;
    if (s_[digits] == '0' && at_ - digits > 1) return false;  // no leading zero
    bool integral = true;
    if (at_ < s_.size() && s_[at_] == '.') {
      integral = false;
      ++at_;
      const std::size_t frac = at_;
      while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
      if (at_ == frac) return false;
    }
    if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
      integral = false;
      ++at_;
      if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
      const std::size_t exp = at_;
      while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
      if (at_ == exp) return false;
    }
    v.type_ = JsonValue::Type::Number;
    const char* first = s_.data() + start;
    const char* last = s_.data() + at_;
    if (integral) {
      const auto r = std::from_chars(first, last, v.int_);
      v.integral_ = r.ec == std::errc() && r.ptr == last;
    }
    std::from_chars(first, last, v.number_);
    if (v.integral_) v.number_ = static_cast<double>(v.int_);
    return true;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

const JsonValue& JsonValue::operator[](std::string_view key) const {
  if (type_ != Type::Object) return NullValue();
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == key) return items_[i];
  }
  return NullValue();
}

const JsonValue& JsonValue::operator[](std::size_t i) const {
  if (type_ != Type::Array || i >= items_.size()) return NullValue();
  return items_[i];
}

std::int64_t JsonValue::Int(std::int64_t fallback) const {
  const auto v = OptionalInt();
  return v ? *v : fallback;
}

std::optional<std::int64_t> JsonValue::OptionalInt() const {
  if (type_ != Type::Number || !integral_) return std::nullopt;
  return int_;
}

const std::string& JsonValue::String() const {
  static const std::string empty;
  return type_ == Type::String ? string_ : empty;
}

std::optional<JsonValue> JsonValue::Parse(std::string_view text) {
  JsonValue v;
  JsonParser parser(text);
  if (!parser.Document(v)) return std::nullopt;
  return v;
}

}  // namespace poolside
