#pragma once
// Message boxes of a normal run.

#include <map>

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "platform/messages.h"

class QWidget;

namespace poolside {

class QtMessageSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override;
  bool AskOkCancel(const std::string& text) override;
  bool AskOkCancelDefaultCancel(const std::string& text) override;
  void ShowError(const std::string& text) override;
  int AskChoice(const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                int escapeButton) override;
  // A box that is shown without a nested event loop, so reception goes on.
  void Warn(const std::string& text) override;
  void WarnUntilSettled(const std::string& key, const std::string& text) override;
  void Settled(const std::string& key, const std::string& text) override;

 private:
  std::map<std::string, QPointer<QMessageBox>> open_;  // WarnUntilSettled's boxes
};

}  // namespace poolside
