#pragma once
// Message boxes as the logic sees them. The Qt layer shows real boxes; a
// script run prints them and takes queued answers; tests record them.

#include <string>
#include <vector>

namespace poolside {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // A box with the single button OK; returns when it is closed.
  virtual void ShowMessage(const std::string& text) = 0;
  // A box with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::string& text) = 0;
  // The same box for a question whose OK loses something: Cancel is its
  // default button, so Enter changes nothing. A sink without boxes of its
  // own answers as AskOkCancel (a script's queued answers mean the same).
  virtual bool AskOkCancelDefaultCancel(const std::string& text) { return AskOkCancel(text); }
  // A run-time error that ended an action (or, at a load, the program).
  virtual void ShowError(const std::string& text) = 0;
  // A warning that must not block the event loop (a port that vanished).
  virtual void Warn(const std::string& text) = 0;
  // A warning of a trouble that may end by itself (the line lost): shown as
  // Warn, and Settled(key, ...) later says in the same box, if it is still
  // open, that it is over. A sink without boxes warns and tells both lines.
  virtual void WarnUntilSettled(const std::string& key, const std::string& text) {
    (void)key;
    Warn(text);
  }
  virtual void Settled(const std::string& key, const std::string& text) {
    (void)key;
    (void)text;
  }
  // A question with the buttons `buttons`, in order; returns the index of the
  // one chosen. Enter picks `defaultButton`, Escape `escapeButton`. A sink
  // without buttons of its own answers as AskOkCancel would: OK is the
  // default button, Cancel the escape one. A button index of -1 means none:
  // -1 is returned when the question was left without a choice.
  virtual int AskChoice(const std::string& text, const std::vector<std::string>& buttons,
                        int defaultButton, int escapeButton) {
    (void)buttons;
    return AskOkCancel(text) ? defaultButton : escapeButton;
  }
};

}  // namespace poolside
