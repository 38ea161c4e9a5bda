#pragma once
// The per-race export on the timing window's feed, for main: failures shown
// as a warning (never a blocking box) on the window's thread, read problems
// on standard error, and every export written before the program ends.

#include <memory>
#include <vector>

#include "export/export_listener.h"

namespace poolside {

class MeetData;
class MessageSink;
class QtAppWindows;
class QtWindowHost;

class ExportAttachment {
 public:
  ExportAttachment(QtAppWindows& windows, const MeetData& meet, MessageSink& messages,
                   QtWindowHost& host, CsvEncoding encoding);
  ~ExportAttachment();

  // Exports races finished without the feed (a recovery applied from the
  // window): read here, written on the export's thread; a failure is a
  // warning like any other export's.
  void ExportRaces(const std::vector<int>& races);
  ExportAttachment(const ExportAttachment&) = delete;
  ExportAttachment& operator=(const ExportAttachment&) = delete;

 private:
  QtAppWindows& windows_;
  std::unique_ptr<ExportListener> listener_;
};

}  // namespace poolside
