#include "app/script_parser.h"

namespace poolside {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

bool IsName(std::string_view s) {
  if (s.empty() || !IsNameStart(s[0])) return false;
  for (char c : s)
    if (!IsNameChar(c)) return false;
  return true;
}

void AppendHex(std::string& out, unsigned char byte) {
  static const char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0f];
}

// Appends the escape of a control byte (below 0x20 or 0x7f).
void AppendControl(std::string& out, unsigned char byte) {
  switch (byte) {
    case '\r':
      out += "\\r";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      AppendHex(out, byte);
  }
}

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7f; }

}  // namespace

bool IsSkippedScriptLine(std::string_view line) {
  for (char c : line) {
    if (IsBlank(c) || c == '\r') continue;
    return c == '#';
  }
  return true;
}

std::vector<std::string> SplitScriptWords(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string word;
    if (line[i] != '"') {
      while (i < n && !IsBlank(line[i])) {
        if (line[i] == '"')
          throw ScriptError("a quote inside the word starting \"" +
                            std::string(line.substr(i - word.size(), word.size())) + "\"");
        word += line[i++];
      }
      words.push_back(std::move(word));
      continue;
    }
    const std::size_t start = i++;
    bool closed = false;
    while (i < n) {
      const char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c != '\\') {
        word += c;
        continue;
      }
      if (i >= n) break;
      const char e = line[i++];
      switch (e) {
        case 'r':
          word += '\r';
          break;
        case 'n':
          word += '\n';
          break;
        case 't':
          word += '\t';
          break;
        case '\\':
          word += '\\';
          break;
        case '"':
          word += '"';
          break;
        case 'x': {
          const int hi = i < n ? HexValue(line[i]) : -1;
          const int lo = i + 1 < n ? HexValue(line[i + 1]) : -1;
          if (hi < 0 || lo < 0)
            throw ScriptError("\\x must be followed by two hex digits (column " +
                              std::to_string(i - 1) + ")");
          word += static_cast<char>(hi * 16 + lo);
          i += 2;
          break;
        }
        default:
          throw ScriptError(std::string("unknown escape \\") + e + " (column " +
                            std::to_string(i - 1) + ")");
      }
    }
    if (!closed)
      throw ScriptError("the quoted word at column " + std::to_string(start + 1) +
                        " has no closing quote");
    if (i < n && !IsBlank(line[i]))
      throw ScriptError("a blank must follow the closing quote at column " + std::to_string(i));
    words.push_back(std::move(word));
  }
  return words;
}

std::string ScriptControlName::FullName() const {
  std::string s = window + "." + control;
  if (index) s += "(" + std::to_string(*index) + ")";
  return s;
}

std::optional<ScriptControlName> ParseControlName(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  ScriptControlName name;
  name.window = std::string(text.substr(0, dot));
  std::string_view rest = text.substr(dot + 1);
  const std::size_t open = rest.find('(');
  if (open != std::string_view::npos) {
    if (rest.back() != ')') return std::nullopt;
    std::string_view digits = rest.substr(open + 1, rest.size() - open - 2);
    if (digits.empty() || digits.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    name.index = value;
    rest = rest.substr(0, open);
  }
  name.control = std::string(rest);
  if (!IsName(name.window) || !IsName(name.control)) return std::nullopt;
  return name;
}

int ParseScriptNumber(const std::string& word, const char* what, int min, int max) {
  if (word.empty() || word.size() > 9) throw ScriptError(std::string(what) + " must be a number");
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') throw ScriptError(std::string(what) + " must be a number: " + word);
    value = value * 10 + (c - '0');
  }
  if (value < min || value > max) throw ScriptError(std::string(what) + " out of range: " + word);
  return value;
}

bool IsPlainName(std::string_view text) { return IsName(text); }

std::string EscapeScriptText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '\\' || ch == '"') {
      out += '\\';
      out += ch;
    } else if (IsControl(byte)) {
      AppendControl(out, byte);
    } else {
      out += ch;
    }
  }
  return out;
}

std::string QuoteScriptText(std::string_view text) { return "\"" + EscapeScriptText(text) + "\""; }

std::string QuoteScriptBytes(std::string_view bytes) {
  std::string out = "\"";
  for (char ch : bytes) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '\\' || ch == '"') {
      out += '\\';
      out += ch;
    } else if (IsControl(byte)) {
      AppendControl(out, byte);
    } else if (byte >= 0x80) {
      AppendHex(out, byte);
    } else {
      out += ch;
    }
  }
  out += '"';
  return out;
}

std::string EscapeMessageText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (IsControl(byte))
      AppendControl(out, byte);
    else
      out += ch;
  }
  return out;
}

}  // namespace poolside
