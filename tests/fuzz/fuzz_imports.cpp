// Arbitrary text through the five imports (the first byte picks one): no
// crash; a failed import leaves the data file byte-identical, and no import
// leaves a temporary file behind.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "competition/text_import.h"
#include "fuzz_support.h"
#include "platform/errors.h"

namespace {

using ImportFn = void (*)(const std::string&, const std::string&);
constexpr ImportFn kImports[] = {&poolside::ImportMeet, &poolside::ImportProgramOrder,
                                 &poolside::ImportRecords, &poolside::ImportPages,
                                 &poolside::ImportRelays};

std::size_t Entries(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static poolside::fuzz::DataFolder folder;
  std::string_view in = poolside::fuzz::Bytes(data, size);
  const unsigned which = poolside::fuzz::TakeSelector(in, 5);
  // An old data file with a recognisable pattern and a part record at its end.
  std::string old;
  for (int i = 0; i < 1500; ++i) old += static_cast<char>(i * 7 + 3);
  folder.dir.Write("text.txt", std::string(in));
  folder.dir.Write("data.dat", old);
  const std::size_t entries = Entries(folder.dir.Path());
  try {
    kImports[which](folder.Path("text.txt"), folder.Path("data.dat"));
  } catch (const poolside::RuntimeError& e) {
    poolside::fuzz::Require(
        std::string(e.what()).find(folder.Path("text.txt")) != std::string::npos,
        "a failed import does not name the text file");
    poolside::fuzz::Require(folder.dir.Read("data.dat") == old,
                            "a failed import changed the data file");
  }
  poolside::fuzz::Require(Entries(folder.dir.Path()) == entries, "an import left a file behind");
  return 0;
}
