// Console bytes through the timing window's reception and finish, with real
// lap, goal and status book files in a temporary folder. The input is a run
// of steps: a byte below 0xF0 is a block of (byte % 17) bytes that follow,
// delivered as one port notification; 0xF0 streams the next 16 bytes as they
// would arrive on the line; 0xF1 clicks 受信/停止; 0xF2 clicks 確定.
// The first byte is race 1's status character (a "2" makes it combined).
// After the run every goal file is twenty fields, Race.dat is 1024 bytes,
// and every lap file is whole three-field records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/script_parser.h"
#include "fuzz_support.h"
#include "platform/record_file.h"
#include "timing/race_rig.h"

namespace {

using poolside::fuzz::Require;

void CheckFolder(const std::string& folder, bool (*whole)(std::string_view), const char* what) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string bytes = poolside::ReadWholeFile(entry.path().string());
    if (!whole(bytes)) {
      std::fprintf(stderr, "%s: %s\n", entry.path().c_str(),
                   poolside::QuoteScriptBytes(bytes).c_str());
    }
    Require(whole(bytes), what);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in = poolside::fuzz::Bytes(data, size);
  poolside::testing::RaceRig rig;
  rig.meet.OnWarning = [](const std::string&) {};
  std::string status = in.empty() ? std::string("0") : std::string(1, in[0]);
  if (!in.empty()) in.remove_prefix(1);
  rig.WriteBook(status + "00");
  rig.Show(1);
  rig.Start();
  while (!in.empty()) {
    const auto op = static_cast<unsigned char>(in[0]);
    in.remove_prefix(1);
    if (op == 0xF1) {
      rig.w->OnStartStopClick();
    } else if (op == 0xF2) {
      rig.w->OnKakuteiClick();
    } else {
      const std::size_t n = std::min<std::size_t>(op == 0xF0 ? 16 : op % 17, in.size());
      const std::string bytes(in.substr(0, n));
      in.remove_prefix(n);
      if (op == 0xF0) {
        rig.Arrive(bytes);
      } else if (rig.port.IsOpen()) {
        rig.Deliver(bytes);
      }
    }
    rig.host.RunPosted();
  }
  CheckFolder(rig.tmp.File("data/goal"), poolside::fuzz::IsWholeGoalFile,
              "a goal file is not twenty fields");
  CheckFolder(rig.tmp.File("data/lap"), poolside::fuzz::IsWholeLapFile,
              "a lap file is not whole records");
  const std::string book = rig.Book();
  Require(book.size() == 1024, "Race.dat is not 1024 bytes");
  return 0;
}
