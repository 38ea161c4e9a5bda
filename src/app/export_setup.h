#pragma once
// The per-race export on the timing window's feed, for main: failures shown
// as a warning (never a blocking box) on the window's thread, read problems
// on standard error, and every export written before the program ends.

#include <memory>

#include "app/export_encoding.h"
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

  ExportAttachment(const ExportAttachment&) = delete;
  ExportAttachment& operator=(const ExportAttachment&) = delete;

  ExportListener& Listener() { return *listener_; }

 private:
  QtAppWindows& windows_;
  std::unique_ptr<ExportListener> listener_;
};

}  // namespace poolside
