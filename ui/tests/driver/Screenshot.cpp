#include "ui/tests/driver/Screenshot.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include "ui/tests/driver/DialogDriver.h"

namespace zemrik::dialogtest {

void requestScreenshot(HWND window) {
    const char* request = std::getenv("ZEMRIK_SCREENSHOT_REQUEST");
    if (request == nullptr || *request == '\0') return;
    const std::string requestPath = request;
    const std::string draftPath = requestPath + ".draft";
    const std::string replyPath = requestPath + ".done";
    RECT frame{};
    GetWindowRect(window, &frame);
    {
        std::ofstream draft(draftPath, std::ios::trunc);
        draft << (frame.right - frame.left) << 'x' << (frame.bottom - frame.top) << '+' << frame.left << '+'
              << frame.top << '\n';
    }
    // Renamed only once complete, so the script never reads half a line.
    MoveFileExA(draftPath.c_str(), requestPath.c_str(), MOVEFILE_REPLACE_EXISTING);
    waitUntil([&] { return GetFileAttributesA(replyPath.c_str()) != INVALID_FILE_ATTRIBUTES; }, kLongWait);
}

}  // namespace zemrik::dialogtest
