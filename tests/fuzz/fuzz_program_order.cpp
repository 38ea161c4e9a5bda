// Arbitrary bytes as the program order file through the combined-race
// set-up: no crash, and the book stays 1024 characters whatever the entries
// point at.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/cp932.h"
#include "racebook/combined_setup.h"
#include "racebook/race_screen.h"
#include "support/fakes.h"

namespace {

class Screen : public poolside::RaceScreen {
 public:
  explicit Screen(poolside::MeetData& meet) : meet_(meet) {}
  poolside::RaceBookState& Book() override { return book; }
  poolside::MeetData& Meet() override { return meet_; }
  poolside::MessageSink& Messages() override { return messages; }
  poolside::TextBox& RaceSelectBox() override { return biko; }
  poolside::TextBox& StatusBox() override { return ketugo; }
  void ShowRaceHeader() override { poolside::LoadRaceStat(meet_, book); }
  void FinishRace() override {}

  poolside::RaceBookState book;
  poolside::testing::FakeMessages messages;
  poolside::testing::FakeTextBox biko, ketugo;

 private:
  poolside::MeetData& meet_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  folder.dir.Write("projun.dat", std::string(poolside::fuzz::Bytes(data, size)));
  folder.dir.Write("Race.dat", std::string(1024, '0'));
  Screen screen(folder.meet);
  poolside::SetupCombinedRaces(screen);
  poolside::fuzz::Require(screen.book.RaceBook.size() == poolside::kBookLength,
                          "the book is not 1024 characters");
  poolside::fuzz::Require(folder.dir.Read("Race.dat").size() == poolside::kBookLength,
                          "Race.dat is not 1024 bytes");
  return 0;
}
