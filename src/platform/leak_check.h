#pragma once

namespace poolside {

// The end-of-process leak check of a sanitizer build, run now. A program
// that ends with _exit (the desk does, to skip the window system's own
// teardown) never reaches the check at exit, so it calls this first: a leak
// ends the program with the sanitizer's exit status and report. Does
// nothing in a build without LeakSanitizer.
void CheckForLeaksNow();

}  // namespace poolside
