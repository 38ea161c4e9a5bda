#pragma once
// A small JSON reader for the documents this program writes itself (the
// live feed's snapshot and messages, a race's JSON) when they come back
// from a broker. Strict: one value, nothing after it, nesting at most 64
// deep, strings as UTF-8 (\u escapes decoded, surrogate pairs joined, a
// lone surrogate becomes U+FFFD). Integers keep their exact value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace poolside {

class JsonValue {
 public:
  enum class Type { Null, Bool, Number, String, Array, Object };

  Type type() const { return type_; }
  bool IsNull() const { return type_ == Type::Null; }
  // The member `key` of an object, or a null value when absent (or not an
  // object), so that lookups chain: v["race"]["lanes"].
  const JsonValue& operator[](std::string_view key) const;
  // Element i of an array, or a null value.
  const JsonValue& operator[](std::size_t i) const;
  std::size_t Size() const { return items_.size(); }
  const std::vector<JsonValue>& Items() const { return items_; }

  // The value or `fallback` when it has another type.
  bool Bool(bool fallback = false) const { return type_ == Type::Bool ? bool_ : fallback; }
  std::int64_t Int(std::int64_t fallback = 0) const;
  std::optional<std::int64_t> OptionalInt() const;
  const std::string& String() const;  // "" unless a string

  // None when `text` is not one well-formed JSON value.
  static std::optional<JsonValue> Parse(std::string_view text);

 private:
  friend class JsonParser;
  Type type_ = Type::Null;
  bool bool_ = false;
  bool integral_ = false;
  std::int64_t int_ = 0;
  double number_ = 0;
  std::string string_;
  std::vector<JsonValue> items_;   // array elements, object values
  std::vector<std::string> keys_;  // object keys, parallel to items_
};

}  // namespace poolside
