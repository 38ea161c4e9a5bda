// A leak made inside a Qt callback, then the leak check with the test
// command's suppressions. Passes (exit 0) when the check reports the leak:
// the suppressions only hide what Qt itself allocates, never what our code
// allocates while Qt has called it. Given a broad module-wide suppression
// instead, the leak is hidden and the probe fails, which shows the leak's
// stack really runs through Qt's frames.
#include <sanitizer/lsan_interface.h>

#include <cstdint>
#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

namespace {

// The lost block, kept only in a disguised form that the leak check cannot
// follow, so that it can be freed once the check has run.
std::uintptr_t g_disguised = 0;
constexpr std::uintptr_t kMask = 0x5a5a5a5a5a5a5a5aULL;

[[gnu::noinline]] void LoseABlockInACallback() {
  auto* block = new int[16]{1, 2, 3};
  g_disguised = reinterpret_cast<std::uintptr_t>(block) ^ kMask;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTimer::singleShot(0, &app, [&app] {
    LoseABlockInACallback();
    app.quit();
  });
  app.exec();
  const bool reported = __lsan_do_recoverable_leak_check() != 0;
  delete[] reinterpret_cast<int*>(g_disguised ^ kMask);
  std::printf(reported ? "leak probe: the leak in the Qt callback was reported\n"
                       : "leak probe: the leak in the Qt callback was NOT reported\n");
  return reported ? 0 : 1;
}
