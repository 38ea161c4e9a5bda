#pragma once
// The capture journal: a race feed listener that appends every event, and
// above all every block read from the console, to one text file per program
// run (docs/capture.md). Each line reaches the operating system before
// OnRaceEvent returns, so a killed program keeps everything that was read.
// A journal that cannot be written says so once and falls silent; reception
// is never stopped by it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "feed/race_feed.h"

namespace poolside {

// What the journal's first line records about the program run.
struct ProgramStart {
  std::string version;
  std::vector<std::string> args;  // the command line after the program name
};

class CaptureJournal : public RaceListener {
 public:
  explicit CaptureJournal(const ProgramStart& start);
  ~CaptureJournal() override;
  CaptureJournal(const CaptureJournal&) = delete;
  CaptureJournal& operator=(const CaptureJournal&) = delete;

  // Creates this run's file in `folder` (the folder is made when missing)
  // and writes the lines held until now. False, with onFailure told, when
  // the file cannot be made; the journal then drops every later event.
  bool Open(const std::string& folder);
  void Close();
  void OnRaceEvent(const RaceEvent& event) override;

  const std::string& Path() const { return path_; }
  bool Writing() const { return fd_ >= 0; }

  // The file name of a run started at `start`: "20261209-100203.cap", with
  // "-2", "-3", ... before the extension for `attempt` 2, 3, ...
  static std::string FileName(WallTime start, int attempt);

  // Told once, with a message naming the file and the cause.
  std::function<void(const std::string&)> onFailure;

  // Lines kept while no file is open (the events of the window's load).
  static constexpr std::size_t kMaxHeldLines = 256;

 private:
  void Emit(std::string_view kind, WallTime wall, MonoTime mono, std::string_view fields);
  void WriteLine(const std::string& line);
  void Fail(const std::string& message);

  MonoTime origin_;
  WallTime startWall_;
  std::vector<std::string> held_;
  int fd_ = -1;
  std::string path_;
  bool failed_ = false;
};

}  // namespace poolside
