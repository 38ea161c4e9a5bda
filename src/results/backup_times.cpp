#include "results/backup_times.h"

#include <algorithm>
#include <array>

#include "platform/numbers.h"

namespace poolside {

namespace {

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

const char* TimeUseWord(TimeUse use) {
  switch (use) {
    case TimeUse::Console:
      return "console";
    case TimeUse::Backup:
      return "backup";
    case TimeUse::Typed:
      return "typed";
    case TimeUse::Undecided:
      break;
  }
  return "";
}

bool ParseTimeUse(const std::string& word, TimeUse& use) {
  for (TimeUse u : {TimeUse::Console, TimeUse::Backup, TimeUse::Typed}) {
    if (word == TimeUseWord(u)) {
      use = u;
      return true;
    }
  }
  return false;
}

std::optional<std::int64_t> TypedHundredths(const std::string& typed) {
  const std::string t = Trimmed(HalfWidthNumberText(typed));
  std::int64_t minutes = 0, seconds = 0, hundredths = 0;
  const std::size_t colon = t.find(':');
  const std::size_t point = t.find('.');
  if (colon == std::string::npos && point == std::string::npos) {
    if (!AllDigits(t) || t.size() > 6) return std::nullopt;
    const std::int64_t v = std::stoll(t);
    minutes = v / 10000;
    seconds = v / 100 % 100;
    hundredths = v % 100;
  } else {
    if (point == std::string::npos || (colon != std::string::npos && colon > point)) {
      return std::nullopt;
    }
    const std::string h = t.substr(point + 1);
    const std::size_t from = colon == std::string::npos ? 0 : colon + 1;
    const std::string s = t.substr(from, point - from);
    const std::string m = colon == std::string::npos ? "0" : t.substr(0, colon);
    if (h.empty() || h.size() > 2 || !AllDigits(h) || !AllDigits(m) || m.size() > 2 ||
        (!s.empty() && !AllDigits(s)) || s.size() > 2) {
      return std::nullopt;
    }
    minutes = std::stoll(m);
    seconds = s.empty() ? 0 : std::stoll(s);
    hundredths = std::stoll(h) * (h.size() == 1 ? 10 : 1);
  }
  if (seconds > 59 || minutes > 66) return std::nullopt;
  const std::int64_t total = (minutes * 60 + seconds) * 100 + hundredths;
  if (total <= 0) return std::nullopt;
  return total;
}

std::optional<std::int32_t> PackedTime(std::int64_t h) {
  if (h < 1 || h > (66 * 60 + 59) * 100 + 99) return std::nullopt;
  return static_cast<std::int32_t>(h / 6000 * 10000 + h / 100 % 60 * 100 + h % 100);
}

std::string HundredthsText(std::int64_t h) {
  const std::int64_t a = h < 0 ? -h : h;
  std::string out = h < 0 ? "-" : "";
  const std::int64_t s = a / 100 % 60;
  if (a >= 6000) out += std::to_string(a / 6000) + ":" + (s < 10 ? "0" : "");
  const std::string hh = std::to_string(a % 100);
  return out + std::to_string(s) + "." + (hh.size() < 2 ? "0" : "") + hh;
}

std::optional<std::int64_t> BackupTime(const std::vector<std::int64_t>& watches) {
  switch (std::min(watches.size(), kMaxWatches)) {
    case 0:
      return std::nullopt;
    case 1:
      return watches[0];
    case 2:
      // The mean, its third digit dropped (the times are positive).
      return (watches[0] + watches[1]) / 2;
    default: {
      std::array<std::int64_t, 3> w = {watches[0], watches[1], watches[2]};
      std::sort(w.begin(), w.end());
      // Two that agree are the two of a sorted three that are next to each
      // other, and then also the middle one.
      return w[1];
    }
  }
}

std::vector<std::string> BackupFlags(const BackupFacts& f, std::int64_t threshold) {
  std::vector<std::string> words;
  const auto backup = BackupTime(f.watches);
  if (backup && f.console) {
    const std::int64_t d = *backup - *f.console;
    if ((d < 0 ? -d : d) > threshold) words.push_back("difference");
  }
  if (f.watches.size() > 1) {
    const auto [low, high] = std::minmax_element(f.watches.begin(), f.watches.end());
    if (*high - *low > threshold) words.push_back("watch_spread");
  }
  if (f.judged && !f.otherStatus && !f.console) {
    if (backup) {
      words.push_back("no_console_time");
    } else if (f.entry) {
      words.push_back("no_time");
    }
  }
  if (f.watches.size() == 1) words.push_back("single_watch");
  return words;
}

std::string BackupFlagText(const std::string& word) {
  if (word == "difference") return "計時と予備計時の差が大きい";
  if (word == "watch_spread") return "ストップウォッチの差が大きい";
  if (word == "no_console_time") return "計時の記録なし (予備計時のみ)";
  if (word == "no_time") return "記録なし (計時も予備計時もなし)";
  if (word == "single_watch") return "ストップウォッチ 1 個のみ";
  return {};
}

std::optional<std::int64_t> ParseThresholdSeconds(const std::string& text) {
  const std::string t = Trimmed(text);
  const std::size_t point = t.find('.');
  const std::string whole = point == std::string::npos ? t : t.substr(0, point);
  const std::string frac = point == std::string::npos ? "" : t.substr(point + 1);
  if ((whole.empty() && frac.empty()) || (!whole.empty() && !AllDigits(whole)) ||
      (!frac.empty() && !AllDigits(frac)) || frac.size() > 2 || whole.size() > 2) {
    return std::nullopt;
  }
  const std::int64_t h = (whole.empty() ? 0 : std::stoll(whole)) * 100 +
                         (frac.empty() ? 0 : std::stoll(frac) * (frac.size() == 1 ? 10 : 1));
  if (h > 1000) return std::nullopt;
  return h;
}

}  // namespace poolside
