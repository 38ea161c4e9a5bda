#include "results/entry_list.h"

#include <array>
#include <cstring>
#include <exception>

#include "platform/cp932.h"
#include "platform/file_read.h"
#include "platform/record_file.h"
#include "platform/utf8.h"

namespace poolside {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kWideBlank = "\xE3\x80\x80";

bool ValidUtf8Line(std::string_view line) {
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t n = Utf8SequenceLength(line, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool Ascii(std::string_view line) {
  for (char c : line) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Raw lines: CR and LF never occur inside a Shift-JIS or UTF-8 character.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    std::size_t end = i;
    if (end > start && bytes[end - 1] == '\r') --end;
    lines.push_back(bytes.substr(start, end - start));
    start = i + 1;
  }
  if (start < bytes.size()) {
    std::string_view last = bytes.substr(start);
    if (!last.empty() && last.back() == '\r') last.remove_suffix(1);
    lines.push_back(last);
  }
  return lines;
}

std::string Trim(std::string_view s) {
  for (bool cut = true; cut && !s.empty();) {
    cut = false;
    if (s.front() == ' ' || s.front() == '\t') {
      s.remove_prefix(1);
      cut = true;
    } else if (s.starts_with(kWideBlank)) {
      s.remove_prefix(kWideBlank.size());
      cut = true;
    }
    if (s.empty()) break;
    if (s.back() == ' ' || s.back() == '\t') {
      s.remove_suffix(1);
      cut = true;
    } else if (s.ends_with(kWideBlank)) {
      s.remove_suffix(kWideBlank.size());
      cut = true;
    }
  }
  return std::string(s);
}

// The fields of one decoded line: comma-separated, a field in double quotes
// may hold commas and "" for a quote.
std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && Trim(field).empty()) {
      field.clear();
      quoted = true;
    } else if (c == ',') {
      fields.push_back(Trim(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(Trim(field));
  return fields;
}

enum Column { kNumber, kName, kKana, kClub, kPref, kGrade, kColumns };

int ColumnOf(const std::string& title) {
  if (title == "番号") return kNumber;
  if (title == "氏名") return kName;
  if (title == "フリガナ" || title == "ﾌﾘｶﾅ" || title == "ふりがな") return kKana;
  if (title == "所属") return kClub;
  if (title == "県") return kPref;
  if (title == "学年") return kGrade;
  return -1;
}

// An entry number: plain decimal 1..32767 (the meet file's field).
bool ParseNumber(const std::string& text, std::int32_t& out) {
  if (text.empty() || text.size() > 5) return false;
  std::int32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > 32767) return false;
  out = n;
  return true;
}

}  // namespace

const EntryName* EntryList::Find(std::int32_t number) const {
  const auto it = entries.find(number);
  return it == entries.end() ? nullptr : &it->second;
}

EntryList ParseEntryList(std::string_view bytes) {
  EntryList list;
  bool bom = false;
  if (bytes.starts_with(kBom)) {
    bytes.remove_prefix(kBom.size());
    bom = true;
  }
  const std::vector<std::string_view> lines = SplitLines(bytes);
  // The encoding the lines with other than ASCII agree on: UTF-8 unless
  // more of them read as Shift-JIS only.
  if (!bom) {
    int utf8 = 0, cp932 = 0;
    for (std::string_view line : lines) {
      if (Ascii(line)) continue;
      if (ValidUtf8Line(line)) {
        ++utf8;
      } else if (Cp932ToUtf8(line).find(kReplacement) == std::string::npos) {
        ++cp932;
      }
    }
    list.cp932 = cp932 > utf8;
  }

  std::array<int, kColumns> at{};
  at.fill(-1);
  bool header = false;
  std::map<std::int32_t, int> firstLine;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const int lineNo = static_cast<int>(k) + 1;
    std::string_view raw = lines[k];
    std::string text;
    if (list.cp932) {
      text = Cp932ToUtf8(raw);
      if (text.find(kReplacement) != std::string::npos) {
        list.problems.push_back({lineNo, "文字コードが正しくありません (Shift-JIS)"});
        continue;
      }
    } else {
      if (!ValidUtf8Line(raw)) {
        list.problems.push_back({lineNo, "文字コードが正しくありません (UTF-8)"});
        continue;
      }
      text = std::string(raw);
    }
    if (Trim(text).empty()) continue;
    const std::vector<std::string> fields = SplitFields(text);
    if (!header) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const int column = ColumnOf(fields[i]);
        if (column >= 0 && at[column] < 0) at[column] = static_cast<int>(i);
      }
      if (at[kNumber] < 0 || at[kName] < 0) {
        list.problems.push_back(
            {lineNo, "見出しの行に「番号」と「氏名」の列がありません。名簿を読めません"});
        return list;
      }
      header = true;
      continue;
    }
    auto field = [&](int column) {
      const int i = at[column];
      return i >= 0 && static_cast<std::size_t>(i) < fields.size() ? fields[i] : std::string();
    };
    const std::string numberText = field(kNumber);
    std::int32_t number = 0;
    if (numberText.empty()) {
      list.problems.push_back({lineNo, "番号がありません"});
      continue;
    }
    if (!ParseNumber(numberText, number)) {
      list.problems.push_back({lineNo, "番号が正しくありません: " + numberText});
      continue;
    }
    if (const auto first = firstLine.find(number); first != firstLine.end()) {
      list.problems.push_back({lineNo, "番号 " + numberText + " は " +
                                           std::to_string(first->second) +
                                           " 行目にもあります (先の行を使います)"});
      continue;
    }
    firstLine[number] = lineNo;
    EntryName& e = list.entries[number];
    e.name = field(kName);
    e.kana = field(kKana);
    e.club = field(kClub);
    e.pref = field(kPref);
    e.grade = field(kGrade);
  }
  if (!header && !lines.empty()) list.problems.push_back({1, "見出しの行がありません"});
  return list;
}

std::vector<std::string> EntryProblemLines(const EntryList& list, const std::string& file) {
  std::vector<std::string> out;
  for (const EntryProblem& p : list.problems) {
    out.push_back(p.line > 0 ? file + " " + std::to_string(p.line) + " 行目: " + p.what
                             : file + ": " + p.what);
  }
  return out;
}

bool ParsePublicNames(std::string_view text, PublicNames& out) {
  if (text == "full") {
    out = PublicNames::Full;
  } else if (text == "initials") {
    out = PublicNames::Initials;
  } else if (text == "none") {
    out = PublicNames::None;
  } else {
    return false;
  }
  return true;
}

std::string PublicName(const std::string& name, PublicNames mode) {
  if (mode == PublicNames::Full) return name;
  if (mode == PublicNames::None) return {};
  std::string out;
  bool start = true;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t n = Utf8SequenceLength(name, i);
    if (n == 0) n = 1;
    const std::string_view c(name.data() + i, n);
    if (c == " " || c == "\t" || c == kWideBlank) {
      start = true;
    } else if (start) {
      out += c;
      out += "．";
      start = false;
    }
    i += n;
  }
  return out;
}

EntryName PublicEntry(const EntryName& entry, PublicNames mode) {
  EntryName out = entry;
  out.name = PublicName(entry.name, mode);
  if (mode != PublicNames::Full) out.kana.clear();
  return out;
}

std::string ImportEntryList(const std::string& source, const std::string& target) {
  FileReadOptions options;
  options.maxBytes = kMaxEntryListBytes;
  const FileRead read = ReadFileBounded(source, options);
  switch (read.outcome) {
    case FileReadOutcome::Ok:
      break;
    case FileReadOutcome::TooLarge:
      return "名簿が大きすぎます (8 MiB まで): " + source;
    case FileReadOutcome::NotAFile:
      return "名簿がファイルではありません: " + source;
    default:
      return "名簿を読めません: " + source + " (" + std::strerror(read.error) + ")";
  }
  try {
    ReplaceFileAtomically(target, read.bytes);
  } catch (const std::exception& e) {
    return std::string("名簿を取り込めません: ") + e.what();
  }
  return {};
}

bool EntryListWatch::Poll() {
  FileReadOptions options;
  options.maxBytes = kMaxEntryListBytes;
  const FileRead read = ReadFileBounded(path_, options);
  const bool present = read.outcome != FileReadOutcome::Missing;
  std::string bytes = read.outcome == FileReadOutcome::Ok ? read.bytes : std::string();
  const bool first = !polled_;
  polled_ = true;
  if (!first && present == present_ && bytes == bytes_) return false;
  present_ = present;
  bytes_ = std::move(bytes);
  auto list = std::make_shared<EntryList>();
  if (read.outcome == FileReadOutcome::Ok) {
    *list = ParseEntryList(bytes_);
  } else if (read.outcome == FileReadOutcome::TooLarge) {
    list->problems.push_back({0, "大きすぎます (8 MiB まで)"});
  } else if (read.outcome != FileReadOutcome::Missing) {
    list->problems.push_back({0, "読めません"});
  }
  list_ = std::move(list);
  return true;
}

}  // namespace poolside
