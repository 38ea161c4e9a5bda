// Arbitrary bytes as the race status book: the start-up race selection,
// one status change and the save. The saved book is the 1024 characters in
// memory followed by whatever lay beyond them in the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "racebook/race_book.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  std::string_view in = poolside::fuzz::Bytes(data, size);
  std::int16_t count = 0;
  if (in.size() >= 2) {
    count = static_cast<std::int16_t>(static_cast<unsigned char>(in[0]) |
                                      (static_cast<unsigned char>(in[1]) << 8));
    in.remove_prefix(2);
  }
  const std::string before(in);
  folder.dir.Write("Race.dat", before);
  folder.meet.CompetitionCount = count;
  poolside::RaceBookState book;
  poolside::FindOpenRace(folder.meet, book);
  poolside::fuzz::Require(book.RaceBook.size() == poolside::kBookLength, "the book is not 1024");
  poolside::SetRaceStatus(book, book.RaceNo, '6');
  poolside::SaveRaceBook(folder.meet, book);
  const std::string after = folder.dir.Read("Race.dat");
  poolside::fuzz::Require(after.substr(0, poolside::kBookLength) == book.RaceBook,
                          "the saved book differs from the book in memory");
  const std::string tail =
      before.size() > poolside::kBookLength ? before.substr(poolside::kBookLength) : std::string();
  poolside::fuzz::Require(after.substr(std::min(after.size(), poolside::kBookLength)) == tail,
                          "the bytes beyond the book changed");
  return 0;
}
