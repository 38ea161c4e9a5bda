#include "export/command_feed.h"

#include <iostream>

#include "export/race_export.h"
#include "meetdata/meet_data.h"

namespace poolside {

CommandFeed::CommandFeed(const MeetData& meet, CsvEncoding encoding, const ResultRules& rules)
    : results_([this](const std::string& text) {
        std::lock_guard lock(mutex_);
        failures_.push_back(text);
      }),
      export_(meet, encoding, [this] {
        ExportListener::Sinks sinks;
        sinks.failure = [this](const std::string& text) {
          std::lock_guard lock(mutex_);
          failures_.push_back(text);
        };
        return sinks;
      }()) {
  results_.SetRules(rules);
  results_.entryProblems = [](const std::vector<std::string>& lines) {
    for (const std::string& line : lines) std::cerr << line << "\n";
  };
  results_.SetFolder(ResultFolderOf(meet));
  export_.SetEvents([this](int program) { return EventExportJson(results_, program); });
  results_.AttachTo(feed_);
  feed_.Attach(export_);
}

CommandFeed::~CommandFeed() {
  feed_.Detach(export_);
  results_.Detach();
}

std::vector<std::string> CommandFeed::Finish() {
  export_.Flush();
  std::lock_guard lock(mutex_);
  return failures_;
}

}  // namespace poolside
