// Screenshots of the dialog for the test script, taken only when it asks for
// them.
#pragma once

#include <windows.h>

namespace zemrik::dialogtest {

// Asks the script running the tests to photograph the window, when it named a
// request file in ZEMRIK_SCREENSHOT_REQUEST; waits until the picture is taken.
// Without that variable it does nothing.
void requestScreenshot(HWND window);

}  // namespace zemrik::dialogtest
