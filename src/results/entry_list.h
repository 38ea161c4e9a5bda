#pragma once
// The meet office's entry list, entries.csv in the data folder: who swims
// under each entry number of the meet file. A header row names the columns
// (番号 and 氏名 at least; フリガナ or ﾌﾘｶﾅ, 所属, 県, 学年 when present, in any
// order; other columns are ignored); UTF-8 with or without a byte order mark,
// or Shift-JIS, told apart by the bytes. A relay team is an entry whose 氏名
// is the team's name. A bad row (no number, a number twice, broken bytes) is
// reported with its line number and skipped; for a number twice the first
// row wins. docs/export.md describes the file.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace poolside {

inline constexpr const char* kEntryListFileName = "entries.csv";
// A larger file is refused whole (one problem says so).
inline constexpr std::size_t kMaxEntryListBytes = 8 * 1024 * 1024;

// One swimmer (or relay team) of the list; texts UTF-8, blanks around
// them dropped.
struct EntryName {
  std::string name;   // 氏名
  std::string kana;   // フリガナ
  std::string club;   // 所属
  std::string pref;   // 県
  std::string grade;  // 学年
  bool operator==(const EntryName&) const = default;
};

struct EntryProblem {
  int line = 0;  // 1 = the header row; 0 = the file as a whole
  std::string what;
};

struct EntryList {
  std::map<std::int32_t, EntryName> entries;
  std::vector<EntryProblem> problems;
  bool cp932 = false;  // the file was read as Shift-JIS

  // The entry of `number`, or null.
  const EntryName* Find(std::int32_t number) const;
};

// Parses the file's bytes.
EntryList ParseEntryList(std::string_view bytes);

// "entries.csv 5 行目: 番号がありません" lines for the problems; `file` names
// the file.
std::vector<std::string> EntryProblemLines(const EntryList& list, const std::string& file);

// How swimmers' names go out on the public outputs (pages, broker,
// overlays); the export and the desk always show them in full.
enum class PublicNames { Full, Initials, None };
// "full", "initials", "none"; false for anything else.
bool ParsePublicNames(std::string_view text, PublicNames& out);
// The name as published: in full, as initials (the first character of each
// blank-separated part, each followed by "．": 山田 太郎 → 山．太．) or "".
std::string PublicName(const std::string& name, PublicNames mode);
// The entry as published: the name by `mode`, and with it the kana (which
// would give the name away) unless in full; club, prefecture and grade stay.
EntryName PublicEntry(const EntryName& entry, PublicNames mode);

// Copies the file at `source` (read whole, at most kMaxEntryListBytes) to
// `target` (the data folder's entry list), replacing it atomically. ""
// when done, else what failed, naming the file.
std::string ImportEntryList(const std::string& source, const std::string& target);

// Watches the data folder's entry list: Poll reads the file again and says
// whether its bytes changed since the last poll (a file that vanished is an
// empty list). The list is shared and never changed once made, so that any
// thread may read it.
class EntryListWatch {
 public:
  explicit EntryListWatch(std::string nativePath) : path_(std::move(nativePath)) {}
  // True when the list changed (the first poll always); then List() is new.
  bool Poll();
  std::shared_ptr<const EntryList> List() const { return list_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool polled_ = false;
  bool present_ = false;
  std::string bytes_;
  std::shared_ptr<const EntryList> list_ = std::make_shared<EntryList>();
};

}  // namespace poolside
