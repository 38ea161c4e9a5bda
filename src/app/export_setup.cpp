#include "app/export_setup.h"

#include <iostream>
#include <string>

#include <QCoreApplication>
#include <QMetaObject>

#include "feed/race_feed.h"
#include "platform/messages.h"
#include "platform/qt/qt_window_host.h"
#include "ui/qt_app_windows.h"

namespace poolside {

ExportAttachment::ExportAttachment(QtAppWindows& windows, const MeetData& meet,
                                   MessageSink& messages, QtWindowHost& host, CsvEncoding encoding)
    : windows_(windows) {
  ExportListener::Sinks sinks;
  sinks.failure = [&messages](const std::string& text) {
    // From the export's thread to the window's.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&messages, text] { messages.Warn(text); },
        Qt::QueuedConnection);
  };
  sinks.note = [](const std::string& text) { std::cerr << (text + "\n") << std::flush; };
  listener_ = std::make_unique<ExportListener>(meet, encoding, std::move(sinks));
  windows_.Feed().Attach(*listener_);
  // The program ends through the host (closing the window, a script's end):
  // what is queued is written first.
  auto closeFiles = host.closeFiles;
  host.closeFiles = [this, closeFiles] {
    if (closeFiles) closeFiles();
    listener_->Flush();
  };
}

ExportAttachment::~ExportAttachment() { windows_.Feed().Detach(*listener_); }

}  // namespace poolside
