// A full disk and a failing rename while an import or the record adjustment
// writes its new file: the data file stays exactly as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "competition/record_adjust.h"
#include "competition/text_import.h"
#include "platform/errors.h"
#include "platform/os_calls.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

// Replaces the write calls (or the rename) for the life of the object.
class DiskFault {
 public:
  enum Kind { kFull, kRename };
  explicit DiskFault(Kind kind) : saved_(Os()) {
    if (kind == kFull) {
      Os().write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
      };
      Os().pwrite = [](int, const void*, size_t, off_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
      };
    } else {
      Os().rename = [](const char*, const char*) -> int {
        errno = EIO;
        return -1;
      };
    }
  }
  ~DiskFault() { Os() = saved_; }

 private:
  OsCalls saved_;
};

class DiskFaultTest : public ::testing::TestWithParam<DiskFault::Kind> {
 protected:
  TempDir dir;
};

TEST_P(DiskFaultTest, AFailedImportLeavesTheDataFileAsItWas) {
  const std::string old(20 * 128, 'h');
  dir.Write("Hpro.dat", old);
  dir.Write("qhpro.txt", "\"p\",1,3\n\"q\",4,2\n");
  {
    DiskFault fault(GetParam());
    try {
      ImportPages(dir.File("qhpro.txt"), dir.File("Hpro.dat"));
      FAIL() << "no error";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find("Hpro.dat"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(dir.Read("Hpro.dat"), old);
}

TEST_P(DiskFaultTest, AFailedAdjustmentLeavesTheFileAsItWas) {
  std::string old;
  for (int k = 1; k <= 300; ++k) old += std::string(kShikakuRecordLength, static_cast<char>(k));
  dir.Write("Shikaku.dat", old);
  {
    DiskFault fault(GetParam());
    EXPECT_THROW(AdjustRecords(dir.File("Shikaku.dat")), IoError);
  }
  EXPECT_EQ(dir.Read("Shikaku.dat"), old);
}

INSTANTIATE_TEST_SUITE_P(Faults, DiskFaultTest,
                         ::testing::Values(DiskFault::kFull, DiskFault::kRename));

}  // namespace
}  // namespace poolside
