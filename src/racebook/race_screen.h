#pragma once
// What the race book operations (navigation, combined set-up, status entry)
// need of the timing window. The timing window implements it.

#include "meetdata/meet_data.h"
#include "platform/controls.h"
#include "platform/messages.h"
#include "racebook/race_book.h"

namespace poolside {

class RaceScreen {
 public:
  virtual ~RaceScreen() = default;
  virtual RaceBookState& Book() = 0;
  virtual MeetData& Meet() = 0;
  virtual MessageSink& Messages() = 0;
  virtual TextBox& RaceSelectBox() = 0;  // txtBiko
  virtual TextBox& StatusBox() = 0;      // txtKetugo
  // Puts race RaceNo on screen (header, status, empty lane rows).
  virtual void ShowRaceHeader() = 0;
  // Finishes the current race with the times on screen.
  virtual void FinishRace() = 0;
};

}  // namespace poolside
